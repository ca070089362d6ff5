#include "devicelink/broadcastsocket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sp {

bool BroadcastSocket::Open(const LocalAddress& address, std::uint16_t port) {
  Close();
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);  // a failure shows up as a failed send
  setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, address.interfaceName.c_str(),
                 static_cast<socklen_t>(address.interfaceName.size())) != 0 ||
      bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  port_ = port;
  address_ = address;
  return true;
}

bool BroadcastSocket::SendBroadcast(const std::uint8_t* data, std::size_t length) {
  return SendTo(data, length, htonl(INADDR_BROADCAST));
}

bool BroadcastSocket::SendTo(const std::uint8_t* data, std::size_t length, std::uint32_t destination) {
  if (fd_ < 0) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port_);
  to.sin_addr.s_addr = destination;
  iovec iov{const_cast<std::uint8_t*>(data), length};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  c->cmsg_level = IPPROTO_IP;
  c->cmsg_type = IP_PKTINFO;
  c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_ifindex = static_cast<int>(address_.interfaceIndex);
  info.ipi_spec_dst.s_addr = address_.address;
  std::memcpy(CMSG_DATA(c), &info, sizeof info);
  ssize_t sent;
  do {
    sent = sendmsg(fd_, &msg, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(length);
}

bool BroadcastSocket::Wanted(std::uint32_t destination) const {
  return destination == address_.address || destination == htonl(INADDR_BROADCAST) ||
         (address_.broadcast != 0 && destination == address_.broadcast);
}

long BroadcastSocket::ReceiveWaiting(std::uint8_t* buffer, std::size_t size, std::uint32_t* source) {
  if (fd_ < 0) return -1;
  for (;;) {
    std::memset(buffer, 0, size);
    iovec iov{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    sockaddr_in from{};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    // MSG_TRUNC: the true length even when the datagram did not fit.
    const ssize_t n = recvmsg(fd_, &msg, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    bool wanted = true;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        wanted = Wanted(info.ipi_addr.s_addr);
      }
    }
    if (source) *source = from.sin_addr.s_addr;
    if (wanted) return static_cast<long>(n);
  }
}

void BroadcastSocket::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace sp
