// Links handed to the desktop's opener: the appliance's web address is built
// from the typed address, and a label's link comes from its markup.
#include <cstdint>
#include <string>

#include "platform/linux/linuxdesktopshell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string link;
  for (std::size_t i = 0; i + 1 < size; i += 2) link.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const auto target = sp::LinuxDesktopShell::LinkTargetFor(link);
  // Either something to open or a failure code, never both or neither.
  if (target.argument.empty() == (target.failure == 0)) __builtin_trap();
  return 0;
}
