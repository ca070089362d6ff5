#pragma once
// The simulator's side of the network: one UDP socket on port 7778 for the
// appliances' interface, replies broadcast from each appliance's own address,
// and the appliances' addresses on the interface.
#include <cstdint>
#include <string>
#include <vector>

namespace sp::sim {

class SimNetwork {
 public:
  SimNetwork() = default;
  ~SimNetwork();
  SimNetwork(const SimNetwork&) = delete;
  SimNetwork& operator=(const SimNetwork&) = delete;

  // Bound to 0.0.0.0:port on `interface` (SO_BINDTODEVICE) with SO_REUSEADDR
  // and SO_BROADCAST: it gets every request broadcast on that link, and the
  // wizard's own sockets may share the port on the same machine.
  bool Open(const std::string& interface, std::uint16_t port, std::string* why);
  int fd() const { return fd_; }

  // Takes one waiting datagram; false when none waits. A datagram larger
  // than `buffer` comes cut.
  bool Receive(std::vector<std::uint8_t>& buffer, std::string* sourceIp);

  // Broadcasts `datagram` to 255.255.255.255:port from `sourceIp`. When that
  // address is not on this machine (the simulator was told not to manage
  // addresses) the kernel's choice of source is used instead.
  bool SendBroadcast(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp);
  // The same by unicast to `destinationIp` (dotted decimal); false when it
  // is no address.
  bool SendTo(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp, const std::string& destinationIp);

  // Address management through `ip` (run with an argument vector).
  // KeepAddressesOnRemoval makes removing one address leave the others of
  // its subnet in place (promote_secondaries on the interface).
  bool KeepAddressesOnRemoval();
  bool HasAddress(const std::string& ip) const;
  bool AddAddress(const std::string& ip, int prefixLength);
  bool RemoveAddress(const std::string& ip);

  // The interface that holds `ip`, else the first non-loopback interface
  // that is up; "" when there is none.
  static std::string InterfaceFor(const std::string& ip);

  const std::string& interface() const { return interface_; }

 private:
  bool Send(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp, std::uint32_t destination);

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::string interface_;
  unsigned ifindex_ = 0;
};

}  // namespace sp::sim
