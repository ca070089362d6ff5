// A process's stat line, read to tell a live lease holder from a recycled
// pid: whatever the process named itself, the reading never crashes, and a
// start time found is one that the line really ends a field with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/iscsid/setuplease.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto start = sp::iscsid::ParseProcessStartTime(text);
  if (!start) return 0;
  if (text.rfind(')') == std::string_view::npos) __builtin_trap();
  // The digits read are in the text after the name.
  if (text.substr(text.rfind(')')).find(std::to_string(*start)) == std::string_view::npos) __builtin_trap();
  return 0;
}
