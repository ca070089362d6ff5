#pragma once
// Why discovery found nothing: checks made on this PC after an empty
// discovery, each giving a finding the page turns into a line of advice.
// The checks see the network through INetworkFacts and try the device port
// the way discovery opens it, so what they report is what stood in the way.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/networkfacts.h"

namespace sp {

enum class FindingKind {
  kNoAdapter,         // no network interface besides loopback
  kSwitchedOff,       // interface switched off
  kNoLink,            // switched on, but no cable or radio link
  kNoAddress,         // link, but no IPv4 address
  kLinkLocalOnly,     // only 169.254.x.x: no DHCP server answered
  kTunnelRoute,       // a tunnel (VPN) holds the default route
  kPortTaken,         // another program holds the device port
  kPacketFilter,      // a packet filter may drop the appliance's replies
  kFactsUnavailable,  // the interface list could not be read
};

struct Finding {
  FindingKind kind;
  std::string interfaceName;  // empty for findings about the whole PC
};

// Whether the device port can be held on interface `interfaceName` at
// `address` (network byte order) the way discovery holds it.
using PortProbe = std::function<bool(const InterfaceFacts& iface, std::uint32_t address)>;

// The findings, in the order a person should act on them: what is wrong
// with each adapter first, then routes, the port and the filter. Empty when
// nothing on this PC explains the silence (then the appliance itself, its
// cable or the network between are what to check).
std::vector<Finding> DiagnoseEmptyDiscovery(const NetworkFacts& facts, bool factsRead, const PortProbe& portFree);

// The checks on the real network: `facts` for the PC's interfaces, the
// device port tried with BroadcastSocket.
std::vector<Finding> DiagnoseEmptyDiscovery(INetworkFacts& facts);

}  // namespace sp
