// Language catalogue files come from beside the program: any bytes must parse
// without harm, and every parsed text must be retrievable.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resource/languagemodule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto module = sp::LanguageModule::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  for (int id = 0; id < 1200; ++id) {
    if (const std::string* text = module->Find(id)) {
      if (text->size() > size) __builtin_trap();  // unescaping never grows a text
    }
  }
  return 0;
}
