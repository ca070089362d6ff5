#pragma once
// What the device settings page's sub-steps do with the appliance, without
// the widgets: each action takes the texts the page read from its controls,
// talks to the appliance through the device link, writes the wizard state
// record and says whether it succeeded. The page shows the messages.
#include <string_view>

#include "devicelink/idevicelink.h"
#include "pages/config/core/identityrecord.h"
#include "pages/config/core/timesettings.h"
#include "wizardstate/wizardstate.h"

namespace sp {

class IscsiInterpreter;

// Message shown when the appliance does not take a setting.
inline constexpr int kMsgChangeSettingFailed = 283;

// Sub-step 1: command 7 with the two digests; true on reply code 3.
bool CheckLogin(IDeviceExchange& link, const char* targetMac, std::string_view password);

// Sub-step 2, once the rules passed: command 2 item 15. On reply code 3 a
// non-blank password is kept as the web login password text (a blank one
// leaves the text as it was). True on reply code 3.
bool SetAdminPassword(IDeviceExchange& link, WizardState& state, std::string_view password);

// Sub-step 4: command 2 item 14 with the record; true on reply code 3.
bool SendTimeSettings(IDeviceExchange& link, const char* targetMac, const TimeSettings& settings);

// Up to three identity queries (command 0). The first reply with a
// non-empty IP address text fills *fields and the target MAC text (a reply
// without a MAC text keeps the one in use). False after three failures.
inline constexpr int kIdentityAttempts = 3;
bool ReadIdentity(IDeviceExchange& link, WizardState& state, IdentityFields* fields);

// Sub-step 5. `typed` holds the six controls' texts (its MAC is ignored: the
// record carries the target MAC text).
enum class NetworkOutcome {
  kApplied,          // record accepted, committed, appliance answers at its address
  kRecordRefused,    // item 17 refused or unanswered; nothing committed
  kSilentAtAddress,  // committed, but no echo from the new address
};
// 1. device IP (wide) and host name from `typed`; 2. the record, and the
// device IP address text; 3. the iSCSI clean-up (when an interpreter is
// given); 4. item 17; 5. device IP text for the summary; 6. item 16
// "nvram_commit" (reply not examined); 7. the echo probe at that address.
NetworkOutcome ApplyNetworkIdentity(IDeviceLink& link, IscsiInterpreter* iscsi, WizardState& state,
                                    const IdentityFields& typed);

}  // namespace sp
