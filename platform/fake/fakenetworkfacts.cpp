#include "platform/fake/fakenetworkfacts.h"

#include <arpa/inet.h>

namespace sp {

namespace {
std::uint32_t Address(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}
}  // namespace

InterfaceFacts& FakeNetworkFacts::AddInterface(const std::string& name, std::initializer_list<const char*> addresses) {
  InterfaceFacts& f = facts_.interfaces.emplace_back();
  f.name = name;
  f.index = static_cast<unsigned>(facts_.interfaces.size());
  f.loopback = name == "lo";
  f.up = f.carrier = true;
  f.physical = !f.loopback;
  f.operState = f.loopback ? "unknown" : "up";
  for (const char* a : addresses) f.ipv4.push_back(Address(a));
  return f;
}

InterfaceFacts* FakeNetworkFacts::Find(const std::string& name) {
  for (InterfaceFacts& f : facts_.interfaces)
    if (f.name == name) return &f;
  return nullptr;
}

void FakeNetworkFacts::AddRoute(const std::string& interfaceName, const char* destination, int prefix,
                                unsigned metric) {
  RouteEntry r;
  r.interfaceName = interfaceName;
  r.destination = Address(destination);
  r.mask = prefix == 0 ? 0 : htonl(0xffffffffu << (32 - prefix));
  r.flags = 1;
  r.metric = metric;
  facts_.routes.push_back(r);
  facts_.routesKnown = true;
}

bool FakeNetworkFacts::Gather(NetworkFacts& out) {
  if (unavailable_) {
    out = NetworkFacts{};
    return false;
  }
  out = facts_;
  return true;
}

}  // namespace sp
