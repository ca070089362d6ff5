#include "tools/netdock/hostresolver.h"

#include <arpa/inet.h>

#include "platform/netdockprotocol.h"
#include "tools/netdock/nmblookupoutput.h"

namespace sp::netdock {
namespace {

constexpr int kNmbLookupTimeoutMs = 10000;

}  // namespace

std::string HostResolver::Resolve(const std::string& host) {
  in_addr parsed{};
  if (inet_pton(AF_INET, host.c_str(), &parsed) == 1) return host;
  // Names reach the tool as an argument: only plain names (no option-like
  // or "name#type" forms).
  if (!IsValidNetHostName(host)) return {};
  if (host.size() <= 15) {
    const NetToolResult r = system_.RunTool({"nmblookup", host}, kNmbLookupTimeoutMs, {});
    if (r.started) {
      std::string address = ParseNmbLookupAddress(r.output, host);
      if (!address.empty()) return address;
    }
  }
  return system_.ResolveDns(host);
}

}  // namespace sp::netdock
