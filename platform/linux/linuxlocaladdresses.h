#pragma once
// ILocalAddresses from getifaddrs.
#include "platform/localaddresses.h"

namespace sp {

class LinuxLocalAddresses : public ILocalAddresses {
 public:
  // The IPv4 addresses of every interface that is up, except loopback ones,
  // ordered by interface index and, on one interface, as the kernel lists
  // them (primary first, then secondaries in the order added). When no such
  // address exists the loopback addresses are listed instead, the way a host
  // name resolves to 127.0.0.1 on a PC without a network: the adapter check
  // then finds nothing usable, and a broadcast never waits on loopback while
  // a real network is there. Reads the network namespace of the calling
  // thread.
  bool List(std::vector<LocalAddress>& out) override;
};

}  // namespace sp
