#include "platform/linux/linuxlocaladdresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace sp {

namespace {

LocalAddress FromIfaddr(const ifaddrs& ifa) {
  LocalAddress a;
  a.address = reinterpret_cast<const sockaddr_in*>(ifa.ifa_addr)->sin_addr.s_addr;
  char text[INET_ADDRSTRLEN] = {};
  in_addr in{};
  in.s_addr = a.address;
  inet_ntop(AF_INET, &in, text, sizeof text);
  a.text = text;
  a.interfaceName = ifa.ifa_name ? ifa.ifa_name : "";
  a.interfaceIndex = if_nametoindex(a.interfaceName.c_str());
  // The subnet's broadcast address from the netmask: an address added
  // without "brd" has no broadcast address of its own in the kernel, and
  // getifaddrs then reports another address in its place.
  if ((ifa.ifa_flags & IFF_BROADCAST) && ifa.ifa_netmask && ifa.ifa_netmask->sa_family == AF_INET) {
    const std::uint32_t mask = reinterpret_cast<const sockaddr_in*>(ifa.ifa_netmask)->sin_addr.s_addr;
    if (mask != 0xffffffffu) a.broadcast = a.address | ~mask;
  }
  return a;
}

}  // namespace

bool LinuxLocalAddresses::List(std::vector<LocalAddress>& out) {
  out.clear();
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) return false;
  std::vector<LocalAddress> network, loopback;
  for (const ifaddrs* ifa = head; ifa; ifa = ifa->ifa_next) {
    if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !(ifa->ifa_flags & IFF_UP)) continue;
    (ifa->ifa_flags & IFF_LOOPBACK ? loopback : network).push_back(FromIfaddr(*ifa));
  }
  freeifaddrs(head);
  out = network.empty() ? std::move(loopback) : std::move(network);
  // getifaddrs follows the kernel's dump order; sorting by index (stable, so
  // an interface's own order stays) makes the order explicit.
  std::stable_sort(out.begin(), out.end(),
                   [](const LocalAddress& x, const LocalAddress& y) { return x.interfaceIndex < y.interfaceIndex; });
  return true;
}

}  // namespace sp
