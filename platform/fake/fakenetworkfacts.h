#pragma once
// A stateful INetworkFacts for tests: a PC's network put together interface
// by interface, which can be changed between looks or made unreadable.
#include <string>

#include "platform/networkfacts.h"

namespace sp {

class FakeNetworkFacts : public INetworkFacts {
 public:
  // An interface that is up with a link, holding the dotted-decimal
  // `addresses`; the returned entry may be changed further.
  InterfaceFacts& AddInterface(const std::string& name, std::initializer_list<const char*> addresses = {});
  InterfaceFacts* Find(const std::string& name);
  // A route through `interfaceName` to `destination`/`prefix` (dotted
  // decimal, prefix length).
  void AddRoute(const std::string& interfaceName, const char* destination, int prefix, unsigned metric = 0);
  void SetFilter(PacketFilter filter) { facts_.filter = filter; }
  void SetUnavailable(bool unavailable) { unavailable_ = unavailable; }

  bool Gather(NetworkFacts& out) override;

 private:
  NetworkFacts facts_;
  bool unavailable_ = false;
};

}  // namespace sp
