#include "tools/netdock/nmblookupoutput.h"

#include <arpa/inet.h>

namespace sp::netdock {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool AnswerLine(std::string_view line, std::string_view name, std::string* address) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank > 15) return false;
  const std::string addr(line.substr(0, blank));
  in_addr parsed{};
  if (inet_pton(AF_INET, addr.c_str(), &parsed) != 1) return false;
  std::string_view rest = line.substr(blank + 1);
  if (rest.size() < 5 || rest.substr(rest.size() - 4) != "<00>") return false;
  rest.remove_suffix(4);
  if (!SameName(rest, name)) return false;
  *address = addr;
  return true;
}

}  // namespace

std::string ParseNmbLookupAddress(std::string_view output, std::string_view name) {
  while (!output.empty()) {
    const std::size_t nl = output.find('\n');
    std::string address;
    if (AnswerLine(output.substr(0, nl), name, &address)) return address;
    if (nl == std::string_view::npos) break;
    output.remove_prefix(nl + 1);
  }
  return {};
}

}  // namespace sp::netdock
