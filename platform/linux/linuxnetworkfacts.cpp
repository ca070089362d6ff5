#include "platform/linux/linuxnetworkfacts.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sp {

namespace {

// A small /proc or /sys file whole; "" when it cannot be read.
std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string FirstLine(const std::string& path) {
  std::string text = ReadSmallFile(path);
  text.erase(std::min(text.find('\n'), text.size()));
  return text;
}

InterfaceFacts& Entry(std::vector<InterfaceFacts>& list, const char* name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const InterfaceFacts& f) { return f.name == name; });
  if (it != list.end()) return *it;
  InterfaceFacts& f = list.emplace_back();
  f.name = name;
  f.index = if_nametoindex(name);
  return f;
}

// Link types that only tunnels have; tun and WireGuard devices have none.
bool TunnelType(long type) {
  switch (type) {
    case ARPHRD_NONE:
    case ARPHRD_PPP:
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
      return true;
    default:
      return false;
  }
}

}  // namespace

void LinuxNetworkFacts::ReadLink(InterfaceFacts& f) const {
  const std::string dir = sysClassNet_ + "/" + f.name + "/";
  f.operState = FirstLine(dir + "operstate");
  // carrier cannot be read while the interface is down; then there is none.
  f.carrier = FirstLine(dir + "carrier") == "1";
  const std::string type = FirstLine(dir + "type");
  // A tap device is Ethernet to the kernel but a VPN's all the same.
  f.physical = access((dir + "device").c_str(), F_OK) == 0;
  f.tunnel = (!type.empty() && TunnelType(std::strtol(type.c_str(), nullptr, 10))) ||
             access((dir + "tun_flags").c_str(), F_OK) == 0 ||
             ReadSmallFile(dir + "uevent").find("DEVTYPE=wireguard") != std::string::npos;
}

PacketFilter LinuxNetworkFacts::ReadFilter() const {
  // Table names are readable by root only; a user sees only that the
  // filter's modules are loaded.
  const std::string tables = ReadSmallFile(procNet_ + "/ip_tables_names");
  if (!tables.empty()) return PacketFilter::kHasRules;
  std::istringstream modules(ReadSmallFile(procModules_));
  for (std::string line; std::getline(modules, line);) {
    const std::string name = line.substr(0, line.find(' '));
    if (name == "nf_tables" || name == "ip_tables" || name == "iptable_filter" || name == "nft_reject_inet")
      return PacketFilter::kLoaded;
  }
  return PacketFilter::kNoneSeen;
}

bool LinuxNetworkFacts::Gather(NetworkFacts& out) {
  out = NetworkFacts{};
  ifaddrs* head = nullptr;
  if (getifaddrs(&head) != 0) return false;
  for (const ifaddrs* ifa = head; ifa; ifa = ifa->ifa_next) {
    if (!ifa->ifa_name) continue;
    InterfaceFacts& f = Entry(out.interfaces, ifa->ifa_name);
    f.up = (ifa->ifa_flags & IFF_UP) != 0;
    f.loopback = (ifa->ifa_flags & IFF_LOOPBACK) != 0;
    if (ifa->ifa_addr && ifa->ifa_addr->sa_family == AF_INET)
      f.ipv4.push_back(reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr)->sin_addr.s_addr);
  }
  freeifaddrs(head);
  std::sort(out.interfaces.begin(), out.interfaces.end(),
            [](const InterfaceFacts& x, const InterfaceFacts& y) { return x.index < y.index; });
  for (InterfaceFacts& f : out.interfaces) ReadLink(f);
  out.routesKnown = ParseRouteTable(ReadSmallFile(procNet_ + "/route"), out.routes);
  out.filter = ReadFilter();
  return true;
}

}  // namespace sp
