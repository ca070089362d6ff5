// The route table comes from /proc/net/route; read it as outside input.
#include <cstdint>
#include <string_view>

#include "platform/networkfacts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<sp::RouteEntry> routes;
  const bool table = sp::ParseRouteTable(text, routes);
  if (!table && !routes.empty()) __builtin_trap();
  for (const sp::RouteEntry& r : routes)
    if (r.interfaceName.empty() || r.interfaceName.size() > size) __builtin_trap();
  return 0;
}
