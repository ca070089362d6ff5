// The command-line splitter on any text: it must not crash, and every word
// after the program word must come back unchanged when quoted and split
// again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"
#include "hoststorage/iscsicli/commandline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string line = sp::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto words = sp::SplitCommandLine(line);
  if (words.size() > line.size() + 1) __builtin_trap();
  if (line.empty() != words.empty()) __builtin_trap();

  std::u16string again = u"p";
  for (std::size_t i = 1; i < words.size(); ++i) again += u" " + sp::QuoteArgument(words[i]);
  const auto split = sp::SplitCommandLine(again);
  if (split.size() != (words.empty() ? 1 : words.size())) __builtin_trap();
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (split[i] != words[i]) __builtin_trap();
  }
  return 0;
}
