#pragma once
// What this PC notes about an appliance it has set up, and what it asks
// before it erases one it set up before.
#include <optional>
#include <string>

#include "platform/appliancememory.h"
#include "wizardstate/wizardstate.h"

namespace sp {

// The question before erasing an appliance set up before.
inline constexpr int kTextEraseSetUpBefore = 340;
inline constexpr int kTextEraseHoldsVolumes = 342;

// The line the appliance memory keeps for the run in `state`, dated `day`
// ("YYYY-MM-DD").
RememberedAppliance SetUpRecord(const WizardState& state, const std::string& day);

// Today in the PC's local time, "YYYY-MM-DD".
std::string LocalDay();

// The appliance `mac` as this PC remembers it, when `memory` is there.
std::optional<RememberedAppliance> RememberedSetUp(const ApplianceMemory* memory, const char* mac);

// `format` (a text with "%s" for the appliance and "%s" for the day, in that
// order) filled for `appliance`: its name and MAC, the day it was set up.
std::string EraseQuestion(std::string format, const RememberedAppliance& appliance);

}  // namespace sp
