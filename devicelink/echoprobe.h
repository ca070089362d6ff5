#pragma once
// ICMP echo requests to one address, without blocking.
//
// An ICMP datagram ("ping") socket needs no privilege where the system's
// net.ipv4.ping_group_range admits the user's group; otherwise a raw socket
// is used, which needs root. The kernel replaces the identifier of a ping
// socket's requests with its own, so replies are matched by sequence number
// (and source address).
#include <cstdint>

namespace sp {

class EchoProbe {
 public:
  EchoProbe() = default;
  ~EchoProbe() { Close(); }
  EchoProbe(const EchoProbe&) = delete;
  EchoProbe& operator=(const EchoProbe&) = delete;

  // Opens the socket. False when neither kind can be opened.
  bool Open();
  // Sends one echo request without data to `target` (network byte order).
  bool Send(std::uint32_t target, std::uint16_t sequence);
  // Reads every waiting datagram without blocking; true when one of them is
  // the echo reply from `target` with `sequence`.
  bool ReplyWaiting(std::uint32_t target, std::uint16_t sequence);
  void Close();

  bool raw() const { return raw_; }

 private:
  bool Matches(const std::uint8_t* packet, long length, std::uint32_t source, std::uint32_t target,
               std::uint16_t sequence) const;

  int fd_ = -1;
  bool raw_ = false;
  std::uint16_t identifier_ = 0;
};

}  // namespace sp
