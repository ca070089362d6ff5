#pragma once
// SendTargets discovery: a discovery session to a portal that asks which
// targets it offers and at which addresses.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/iscsid/iscsisession.h"

namespace sp::iscsid {

struct DiscoveredPortal {
  std::string address;  // without brackets for IPv6
  std::uint16_t port = 3260;
  std::uint16_t group = 1;  // target portal group tag
};

struct DiscoveredTarget {
  std::string name;
  std::vector<DiscoveredPortal> portals;
};

// Reads a TargetAddress value, "host[:port][,tpgt]" with "[v6]" brackets
// around an IPv6 host. nullopt for anything malformed (empty host, bad
// numbers, unbalanced brackets).
std::optional<DiscoveredPortal> ParseTargetAddress(std::string_view text);

// Formats an address and port as libiscsi expects a portal ("[v6]:port").
std::string PortalText(std::string_view address, std::uint16_t port);

enum class DiscoveryError { kNone, kConnect, kLogin, kTimeout };

// Runs discovery against `config.portal` (the target name of `config` is
// ignored); bounded by twice the login time-out. Targets whose addresses do
// not parse are kept with the addresses that do.
DiscoveryError DiscoverTargets(const SessionConfig& config, std::vector<DiscoveredTarget>& out);

}  // namespace sp::iscsid
