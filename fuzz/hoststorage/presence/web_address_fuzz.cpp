// The web pages' address from the state record's wide device IP field, whatever
// it holds (unpaired surrogates, no terminator): always "http://" and at most
// 15 bytes of the address's UTF-8 form after it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text.h"
#include "hoststorage/presence/initiatorpresence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  char16_t field[16] = {};
  std::memcpy(field, data, size < sizeof field ? size : sizeof field);
  const std::u16string address = sp::WebPagesAddress(field, 16);
  if (address.rfind(u"http://", 0) != 0) std::abort();
  if (sp::Utf16ToUtf8(address.substr(7)).size() > 15) std::abort();
  return 0;
}
