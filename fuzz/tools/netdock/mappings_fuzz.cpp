// The remembered-connections list is a file in the user's configuration: any
// content must parse without harm, and what is kept must write and read back
// unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/netdockprotocol.h"
#include "platform/rememberedconnections.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sp::RememberedConnections parsed = sp::ParseRememberedConnections(text);
  if (parsed.size() > 26) __builtin_trap();
  for (const auto& [letter, remote] : parsed) {
    std::string host, share;
    if (letter < 'A' || letter > 'Z' || !sp::ParseUncPath(remote, &host, &share)) __builtin_trap();
  }
  if (sp::ParseRememberedConnections(sp::SerializeRememberedConnections(parsed)) != parsed) __builtin_trap();
  return 0;
}
