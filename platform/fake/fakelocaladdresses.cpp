#include "platform/fake/fakelocaladdresses.h"

#include <arpa/inet.h>

namespace sp {

LocalAddress FakeLocalAddresses::Make(const std::string& text, const std::string& interfaceName,
                                      unsigned interfaceIndex) {
  LocalAddress a;
  a.text = text;
  in_addr in{};
  if (inet_pton(AF_INET, text.c_str(), &in) == 1) {
    a.address = in.s_addr;
    a.broadcast = in.s_addr | htonl(0xffu);
  }
  a.interfaceName = interfaceName;
  a.interfaceIndex = interfaceIndex;
  return a;
}

bool FakeLocalAddresses::List(std::vector<LocalAddress>& out) {
  ++listCalls_;
  out.clear();
  if (unavailable_) return false;
  out = addresses_;
  return true;
}

}  // namespace sp
