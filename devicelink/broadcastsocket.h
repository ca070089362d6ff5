#pragma once
// The UDP socket of one exchange on one local address.
//
// Linux does not deliver a broadcast to a socket bound to a unicast address,
// so the socket is bound to 0.0.0.0:7778 and tied to the address's interface
// (SO_BINDTODEVICE); it sends to 255.255.255.255 with the address as source
// (IP_PKTINFO). What it hands on is what a socket bound to the address itself
// would get: datagrams for port 7778 sent to that address or to a broadcast
// address of its interface, the PC's own broadcast included. SO_REUSEADDR
// lets it share the port with other such sockets (another exchange, an
// appliance simulator on the same machine).
#include <cstddef>
#include <cstdint>

#include "platform/localaddresses.h"

namespace sp {

class BroadcastSocket {
 public:
  BroadcastSocket() = default;
  ~BroadcastSocket() { Close(); }
  BroadcastSocket(const BroadcastSocket&) = delete;
  BroadcastSocket& operator=(const BroadcastSocket&) = delete;

  // Opens the socket for `address` on `port`. False when the socket cannot
  // be created or bound (in particular when another program holds the port
  // on that interface without SO_REUSEADDR).
  bool Open(const LocalAddress& address, std::uint16_t port);

  // Sends `data` to 255.255.255.255:port from the address. A failure is not
  // reported to the caller (the exchange then simply waits), only returned.
  bool SendBroadcast(const std::uint8_t* data, std::size_t length);
  // Sends `data` to `destination` (network byte order), port as above, from
  // the address: an appliance behind a router is asked this way, since no
  // router passes the broadcast on. The reply comes back to the address
  // and is received like any other.
  bool SendTo(const std::uint8_t* data, std::size_t length, std::uint32_t destination);

  // Takes the next waiting datagram, without waiting, into `buffer` (cleared
  // first). Returns its true length, which exceeds `size` when it was cut, or
  // -1 when none is waiting. Datagrams for other unicast addresses of the
  // interface are dropped. `source` (when given) receives the sender's IPv4
  // address in network byte order.
  long ReceiveWaiting(std::uint8_t* buffer, std::size_t size, std::uint32_t* source = nullptr);

  void Close();
  bool isOpen() const { return fd_ >= 0; }

 private:
  bool Wanted(std::uint32_t destination) const;

  int fd_ = -1;
  std::uint16_t port_ = 0;
  LocalAddress address_;
};

}  // namespace sp
