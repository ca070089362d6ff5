#include "devicelink/echoprobe.h"

#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace sp {

namespace {

std::uint16_t Checksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < length; i += 2) sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
  if (length & 1) sum += static_cast<std::uint32_t>(data[length - 1] << 8);
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

}  // namespace

bool EchoProbe::Open() {
  Close();
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
  raw_ = false;
  if (fd_ < 0) {
    fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    raw_ = true;
  }
  // A raw socket sees every ICMP packet of the host: a per-probe identifier
  // keeps another probe's replies out.
  static std::atomic<std::uint16_t> counter{0};
  identifier_ = static_cast<std::uint16_t>(getpid() * 31 + counter++);
  return fd_ >= 0;
}

bool EchoProbe::Send(std::uint32_t target, std::uint16_t sequence) {
  if (fd_ < 0) return false;
  std::uint8_t packet[8] = {};
  packet[0] = ICMP_ECHO;
  packet[4] = static_cast<std::uint8_t>(identifier_ >> 8);
  packet[5] = static_cast<std::uint8_t>(identifier_ & 0xff);
  packet[6] = static_cast<std::uint8_t>(sequence >> 8);
  packet[7] = static_cast<std::uint8_t>(sequence & 0xff);
  const std::uint16_t sum = Checksum(packet, sizeof packet);
  packet[2] = static_cast<std::uint8_t>(sum >> 8);
  packet[3] = static_cast<std::uint8_t>(sum & 0xff);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = target;
  return sendto(fd_, packet, sizeof packet, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
         static_cast<ssize_t>(sizeof packet);
}

bool EchoProbe::Matches(const std::uint8_t* packet, long length, std::uint32_t source, std::uint32_t target,
                        std::uint16_t sequence) const {
  if (source != target) return false;
  std::size_t at = 0;
  if (raw_) {  // a raw socket hands over the IP header too
    if (length < 20) return false;
    at = static_cast<std::size_t>(packet[0] & 0x0f) * 4;
  }
  if (length < static_cast<long>(at + 8)) return false;
  const std::uint8_t* icmp = packet + at;
  if (icmp[0] != ICMP_ECHOREPLY || icmp[1] != 0) return false;
  if (raw_ && (icmp[4] << 8 | icmp[5]) != identifier_) return false;
  return (icmp[6] << 8 | icmp[7]) == sequence;
}

bool EchoProbe::ReplyWaiting(std::uint32_t target, std::uint16_t sequence) {
  if (fd_ < 0) return false;
  bool found = false;
  std::uint8_t packet[1500];
  for (;;) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n =
        recvfrom(fd_, packet, sizeof packet, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
      if (errno == EINTR) continue;
      return found;
    }
    if (Matches(packet, n, from.sin_addr.s_addr, target, sequence)) found = true;
  }
}

void EchoProbe::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace sp
