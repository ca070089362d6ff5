#pragma once
// Whether an appliance already offers its iSCSI volume: asked before the
// wizard erases it, for appliances this PC has no note of.
#include <string>
#include <string_view>

#include "platform/iscsiinitiator.h"

namespace sp {

inline constexpr std::uint16_t kIscsiPortalPort = 3260;

// Whether SendTargets discovery at `address`:3260 through `initiator`
// finds the target of the appliance `macText` (ComposeTargetName). A portal
// added only for the question is removed again; one the initiator already
// had stays. False when the initiator or the portal does not answer.
bool ApplianceOffersTarget(IIscsiInitiator& initiator, const std::string& address, std::string_view macText);

}  // namespace sp
