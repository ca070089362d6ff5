// The appliance list is a file in the user's folder that anything may have
// written; what is read back must serialise and read the same again.
#include <cstdint>
#include <string_view>

#include "platform/appliancememory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto first = sp::ParseApplianceMemory(text);
  const auto again = sp::ParseApplianceMemory(sp::SerializeApplianceMemory(first));
  if (again.size() != first.size()) __builtin_trap();
  for (std::size_t i = 0; i < first.size(); ++i)
    if (again[i].mac != first[i].mac || again[i].date != first[i].date) __builtin_trap();
  return 0;
}
