#pragma once
// What this PC's network looks like from the inside: its interfaces (link,
// addresses, whether one is a tunnel), its IPv4 routes and whether a packet
// filter is loaded. The device settings page reads it to tell the person why
// no appliance answered; the Linux backend reads /sys, /proc and the kernel's
// address list, FakeNetworkFacts (platform/fake) is the tests' one.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

struct InterfaceFacts {
  std::string name;
  unsigned index = 0;
  bool loopback = false;
  bool up = false;        // switched on (IFF_UP)
  bool carrier = false;   // a cable or radio link is there
  std::string operState;  // "up", "down", "dormant", "unknown", ... ("" when unread)
  // A tunnel (tun, WireGuard, PPP, IP-in-IP, GRE, ...): what a VPN puts its
  // routes on. Such an interface cannot carry our broadcasts to the appliance.
  bool tunnel = false;
  // Backed by hardware (a network card, a USB or wireless adapter) rather
  // than made by software (bridges, veth pairs, dummies of containers and
  // virtual machines).
  bool physical = false;
  std::vector<std::uint32_t> ipv4;  // network byte order, in the order given
};

// One line of the kernel's IPv4 route table. Addresses in network byte
// order, as the table holds them.
struct RouteEntry {
  std::string interfaceName;
  std::uint32_t destination = 0;
  std::uint32_t gateway = 0;
  std::uint32_t mask = 0;
  unsigned flags = 0;
  unsigned metric = 0;
};

enum class PacketFilter {
  kNoneSeen,  // no packet filter module loaded, no rules readable
  kLoaded,    // a filter is loaded but its rules cannot be read without root
  kHasRules,  // rules were readable and there are some
};

struct NetworkFacts {
  std::vector<InterfaceFacts> interfaces;
  std::vector<RouteEntry> routes;
  bool routesKnown = false;
  PacketFilter filter = PacketFilter::kNoneSeen;
};

class INetworkFacts {
 public:
  virtual ~INetworkFacts() = default;
  // A fresh look at the network. False when the interface list cannot be
  // read at all (`out` then holds what could be read).
  virtual bool Gather(NetworkFacts& out) = 0;
};

// Reads the text of /proc/net/route: a heading line, then one route per
// line, fields separated by tabs or spaces and addresses as eight hex digits
// in the kernel's byte order. Lines that do not parse are skipped. False
// when the heading is missing (not a route table).
bool ParseRouteTable(std::string_view text, std::vector<RouteEntry>& out);

// Whether `address` (network byte order) lies in 169.254.0.0/16, which a PC
// gives itself when no DHCP server answered.
bool IsLinkLocal(std::uint32_t address);

}  // namespace sp
