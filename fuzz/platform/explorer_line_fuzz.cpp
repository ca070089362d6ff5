// Explorer command lines: the drive letter part comes from the initiator's
// session report, so the line is read as outside input.
#include <cstdint>
#include <string_view>

#include "platform/desktopshell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const auto target = sp::ParseExplorerCommandLine(line);
  if (target && target->driveLetter != 0 && (target->driveLetter < 'A' || target->driveLetter > 'Z')) {
    __builtin_trap();
  }
  return 0;
}
