#include "devtools/vbx207-sim/simnetwork.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

extern char** environ;

namespace sp::sim {

namespace {

int RunIp(std::vector<std::string> args) {
  args.insert(args.begin(), "ip");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "ip", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string AddressText(const sockaddr* sa) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
  return text;
}

}  // namespace

SimNetwork::~SimNetwork() {
  if (fd_ >= 0) close(fd_);
}

bool SimNetwork::Open(const std::string& interface, std::uint16_t port, std::string* why) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) {
    *why = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  if (setsockopt(fd_, SOL_SOCKET, SO_BINDTODEVICE, interface.c_str(), static_cast<socklen_t>(interface.size())) != 0) {
    *why = "SO_BINDTODEVICE " + interface + ": " + std::strerror(errno);
    return false;
  }
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    *why = "bind port " + std::to_string(port) + ": " + std::strerror(errno);
    return false;
  }
  port_ = port;
  interface_ = interface;
  ifindex_ = if_nametoindex(interface.c_str());
  return true;
}

bool SimNetwork::Receive(std::vector<std::uint8_t>& buffer, std::string* sourceIp) {
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  for (;;) {
    const ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    buffer.resize(std::min(static_cast<std::size_t>(n), buffer.size()));
    *sourceIp = AddressText(reinterpret_cast<sockaddr*>(&from));
    return true;
  }
}

bool SimNetwork::SendBroadcast(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp) {
  return Send(datagram, sourceIp, htonl(INADDR_BROADCAST));
}

bool SimNetwork::SendTo(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp,
                        const std::string& destinationIp) {
  in_addr to{};
  if (inet_pton(AF_INET, destinationIp.c_str(), &to) != 1) return false;
  return Send(datagram, sourceIp, to.s_addr);
}

bool SimNetwork::Send(const std::vector<std::uint8_t>& datagram, const std::string& sourceIp,
                      std::uint32_t destination) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port_);
  to.sin_addr.s_addr = destination;
  iovec iov{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  in_pktinfo info{};
  info.ipi_ifindex = static_cast<int>(ifindex_);
  if (HasAddress(sourceIp) && inet_pton(AF_INET, sourceIp.c_str(), &info.ipi_spec_dst) == 1) {
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof info);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
  }
  ssize_t sent;
  do {
    sent = sendmsg(fd_, &msg, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(datagram.size());
}

bool SimNetwork::HasAddress(const std::string& ip) const {
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) return false;
  bool found = false;
  for (const ifaddrs* i = head; i && !found; i = i->ifa_next) {
    found = i->ifa_addr && i->ifa_addr->sa_family == AF_INET && AddressText(i->ifa_addr) == ip;
  }
  freeifaddrs(head);
  return found;
}

bool SimNetwork::KeepAddressesOnRemoval() {
  // Removing a subnet's primary address also drops its secondaries unless
  // the kernel promotes them: an appliance moving away from the first
  // address would take every other appliance of the link (of this or of
  // another simulator) with it.
  std::ofstream flag("/proc/sys/net/ipv4/conf/" + interface_ + "/promote_secondaries");
  flag << "1\n";
  return static_cast<bool>(flag.flush());
}

bool SimNetwork::AddAddress(const std::string& ip, int prefixLength) {
  if (HasAddress(ip)) return true;
  return RunIp({"addr", "add", ip + "/" + std::to_string(prefixLength), "dev", interface_}) == 0;
}

bool SimNetwork::RemoveAddress(const std::string& ip) {
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) return false;
  std::string cidr;
  for (const ifaddrs* i = head; i; i = i->ifa_next) {
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && AddressText(i->ifa_addr) == ip && i->ifa_netmask &&
        interface_ == i->ifa_name) {
      const auto mask = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
      cidr = ip + "/" + std::to_string(__builtin_popcount(mask));
    }
  }
  freeifaddrs(head);
  if (cidr.empty()) return true;
  return RunIp({"addr", "del", cidr, "dev", interface_}) == 0;
}

std::string SimNetwork::InterfaceFor(const std::string& ip) {
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) return "";
  std::string holder, firstUp;
  for (const ifaddrs* i = head; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (AddressText(i->ifa_addr) == ip) holder = i->ifa_name;
    if (firstUp.empty() && (i->ifa_flags & IFF_UP) && !(i->ifa_flags & IFF_LOOPBACK)) firstUp = i->ifa_name;
  }
  freeifaddrs(head);
  return holder.empty() ? firstUp : holder;
}

}  // namespace sp::sim
