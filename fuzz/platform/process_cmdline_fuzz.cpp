// /proc/<pid>/cmdline texts: the arguments joined by NULs give back the text
// (without one trailing NUL), and no argument holds a NUL.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/linuxprocesslauncher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto args = sp::SplitCommandLine(text);
  std::string joined;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].find('\0') != std::string::npos) std::abort();
    if (i) joined.push_back('\0');
    joined += args[i];
  }
  std::string expected = text;
  if (!expected.empty() && expected.back() == '\0') expected.pop_back();
  if (joined != expected) std::abort();
  return 0;
}
