// Whatever a person types into the find-by-address field. An accepted text
// must print back to an address that reads the same.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "devicelink/applianceaddress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sp::TypedAddress typed = sp::ParseApplianceAddress(text);
  if (typed.error) {
    if (typed.address != 0) std::abort();
    return 0;
  }
  in_addr a{};
  a.s_addr = typed.address;
  char printed[INET_ADDRSTRLEN] = {};
  if (!inet_ntop(AF_INET, &a, printed, sizeof printed)) std::abort();
  const sp::TypedAddress again = sp::ParseApplianceAddress(printed);
  if (again.error || again.address != typed.address) std::abort();
  return 0;
}
