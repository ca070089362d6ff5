#include "pages/config/core/identitycheck.h"

#include <arpa/inet.h>

#include <optional>
#include <string>

namespace sp {

namespace {

constexpr int kMsgBadAddress = 320;
constexpr int kMsgSubnetEdge = 321;
constexpr int kMsgOwnAddress = 322;
constexpr int kMsgBadNetmask = 323;
constexpr int kMsgGatewayOutside = 324;

// Dotted decimal as a host-order number; nothing for anything else.
std::optional<std::uint32_t> Parse(std::string_view text) {
  in_addr a{};
  if (text.empty() || inet_pton(AF_INET, std::string(text).c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

bool UsableHostAddress(std::uint32_t ip) {
  const std::uint32_t first = ip >> 24;
  return ip != 0 && first != 0 && first != 127 && first < 224;
}

bool ContiguousMask(std::uint32_t mask) {
  // Ones from the top, then zeros: the inverse plus one is a power of two.
  const std::uint32_t inverse = ~mask;
  return mask != 0 && (inverse & (inverse + 1)) == 0;
}

}  // namespace

IdentityProblem CheckNetworkIdentity(const IdentityFields& typed, const std::vector<LocalAddress>& own) {
  const std::optional<std::uint32_t> ip = Parse(typed.ip);
  if (!ip || !UsableHostAddress(*ip)) return IdentityProblem::kBadAddress;
  const std::optional<std::uint32_t> mask = Parse(typed.netmask);
  if (!mask || !ContiguousMask(*mask)) return IdentityProblem::kBadNetmask;
  const std::uint32_t network = *ip & *mask;
  const std::uint32_t broadcast = network | ~*mask;
  // A /31 or /32 has no network and broadcast address of its own.
  if ((~*mask) > 1 && (*ip == network || *ip == broadcast)) return IdentityProblem::kSubnetEdge;
  for (const LocalAddress& address : own) {
    if (ntohl(address.address) == *ip) return IdentityProblem::kOwnAddress;
  }
  const std::optional<std::uint32_t> gateway = Parse(typed.gateway);
  const bool noGateway = typed.gateway.empty() || (gateway && *gateway == 0);
  if (!noGateway && (!gateway || (*gateway & *mask) != network)) return IdentityProblem::kGatewayOutside;
  return IdentityProblem::kNone;
}

int IdentityProblemMessage(IdentityProblem problem) {
  switch (problem) {
    case IdentityProblem::kBadAddress:
      return kMsgBadAddress;
    case IdentityProblem::kBadNetmask:
      return kMsgBadNetmask;
    case IdentityProblem::kSubnetEdge:
      return kMsgSubnetEdge;
    case IdentityProblem::kOwnAddress:
      return kMsgOwnAddress;
    case IdentityProblem::kGatewayOutside:
      return kMsgGatewayOutside;
    case IdentityProblem::kNone:
      break;
  }
  return 0;
}

}  // namespace sp
