#include "devicelink/discoverydiagnosis.h"

#include <arpa/inet.h>

#include <algorithm>

#include "devicelink/broadcastsocket.h"
#include "devicelink/datagram.h"

namespace sp {

namespace {

bool AllLinkLocal(const std::vector<std::uint32_t>& addresses) {
  return std::all_of(addresses.begin(), addresses.end(), IsLinkLocal);
}

// An adapter's own trouble, if it has one: the first that stops it in the
// order a person would fix them (switch on, plug in, get an address).
bool AdapterFinding(const InterfaceFacts& f, std::vector<Finding>& out) {
  if (!f.up) {
    out.push_back({FindingKind::kSwitchedOff, f.name});
  } else if (!f.carrier || f.operState == "down" || f.operState == "lowerlayerdown") {
    out.push_back({FindingKind::kNoLink, f.name});
  } else if (f.ipv4.empty()) {
    out.push_back({FindingKind::kNoAddress, f.name});
  } else if (AllLinkLocal(f.ipv4)) {
    out.push_back({FindingKind::kLinkLocalOnly, f.name});
  } else {
    return false;
  }
  return true;
}

// A route that takes everything, or half of everything as VPN clients do
// to override the default route without replacing it.
bool CatchAll(const RouteEntry& r) {
  const std::uint32_t mask = ntohl(r.mask);
  return mask == 0 || mask == 0x80000000u;
}

const InterfaceFacts* Named(const NetworkFacts& facts, const std::string& name) {
  for (const InterfaceFacts& f : facts.interfaces)
    if (f.name == name) return &f;
  return nullptr;
}

void RouteFindings(const NetworkFacts& facts, std::vector<Finding>& out) {
  std::vector<std::string> named;
  for (const RouteEntry& r : facts.routes) {
    const InterfaceFacts* f = Named(facts, r.interfaceName);
    if (!CatchAll(r) || !f || !f->tunnel || std::count(named.begin(), named.end(), f->name)) continue;
    named.push_back(f->name);
    out.push_back({FindingKind::kTunnelRoute, f->name});
  }
}

}  // namespace

std::vector<Finding> DiagnoseEmptyDiscovery(const NetworkFacts& facts, bool factsRead, const PortProbe& portFree) {
  std::vector<Finding> out;
  if (!factsRead) out.push_back({FindingKind::kFactsUnavailable, {}});
  // A PC with a real adapter is judged by its real adapters: the bridges
  // of containers and virtual machines often have no link, and that says
  // nothing about the way to the appliance.
  const bool anyPhysical = std::any_of(facts.interfaces.begin(), facts.interfaces.end(),
                                       [](const InterfaceFacts& f) { return f.physical && !f.loopback && !f.tunnel; });
  std::vector<const InterfaceFacts*> usable;
  bool anyAdapter = false;
  for (const InterfaceFacts& f : facts.interfaces) {
    if (f.loopback || f.tunnel || (anyPhysical && !f.physical)) continue;
    anyAdapter = true;
    if (!AdapterFinding(f, out)) usable.push_back(&f);
  }
  if (factsRead && !anyAdapter) out.push_back({FindingKind::kNoAdapter, {}});
  RouteFindings(facts, out);
  for (const InterfaceFacts* f : usable) {
    if (portFree && !portFree(*f, f->ipv4.front())) out.push_back({FindingKind::kPortTaken, f->name});
  }
  if (facts.filter != PacketFilter::kNoneSeen) out.push_back({FindingKind::kPacketFilter, {}});
  return out;
}

std::vector<Finding> DiagnoseEmptyDiscovery(INetworkFacts& source) {
  NetworkFacts facts;
  const bool read = source.Gather(facts);
  return DiagnoseEmptyDiscovery(facts, read, [](const InterfaceFacts& f, std::uint32_t address) {
    LocalAddress local;
    local.address = address;
    local.interfaceName = f.name;
    local.interfaceIndex = f.index;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    local.text = text;
    BroadcastSocket socket;
    return socket.Open(local, kDevicePort);
  });
}

}  // namespace sp
