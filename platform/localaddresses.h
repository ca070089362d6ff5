#pragma once
// The PC's own IPv4 addresses: the list the device link broadcasts from, one
// address after another.
#include <cstdint>
#include <string>
#include <vector>

namespace sp {

struct LocalAddress {
  std::string text;             // dotted decimal, e.g. "192.168.1.20"
  std::uint32_t address = 0;    // the same in network byte order
  std::string interfaceName;    // the interface that holds it, e.g. "eth0"
  unsigned interfaceIndex = 0;  // its index (0 when unknown)
  std::uint32_t broadcast = 0;  // the subnet's broadcast address, network byte order; 0 when none
};

class ILocalAddresses {
 public:
  virtual ~ILocalAddresses() = default;

  // Fills `out` with the host's IPv4 addresses in a stable order: by
  // interface, then in the order the addresses were given to the interface.
  // Returns false when the list cannot be read.
  virtual bool List(std::vector<LocalAddress>& out) = 0;
};

}  // namespace sp
