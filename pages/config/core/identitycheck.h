#pragma once
// What the network sub-step checks before anything is sent: an appliance
// given an address it cannot use (no address at all, its subnet's own or
// broadcast address, this PC's address), a netmask with a hole in it or a
// gateway it cannot reach would drop off the network after the commit, with
// no way for the wizard to find it again.
#include <string_view>
#include <vector>

#include "pages/config/core/identityrecord.h"
#include "platform/localaddresses.h"

namespace sp {

enum class IdentityProblem {
  kNone,
  kBadAddress,      // not an address, 0.0.0.0, loopback, multicast or reserved
  kBadNetmask,      // not an address, zero, or its ones are not contiguous
  kSubnetEdge,      // the subnet's network or broadcast address
  kOwnAddress,      // one of this PC's addresses
  kGatewayOutside,  // a gateway (other than 0.0.0.0) outside the subnet
};

// The first problem of `typed` (address, then netmask, then the subnet's
// edges, then the PC's addresses, then the gateway).
IdentityProblem CheckNetworkIdentity(const IdentityFields& typed, const std::vector<LocalAddress>& own);

// The string id of the message that explains `problem` (0 for kNone).
int IdentityProblemMessage(IdentityProblem problem);

}  // namespace sp
