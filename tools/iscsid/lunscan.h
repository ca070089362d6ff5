#pragma once
// Finds the LUNs of a logged-in session that can serve as disks: REPORT
// LUNS, then per LUN a standard INQUIRY and READ CAPACITY. Only connected
// direct-access (and reduced block command) LUNs with a usable capacity are
// kept; the controller LUN a target puts at 0 is skipped.
#include <vector>

#include "tools/iscsid/lundevice.h"

namespace sp::iscsid {

// INQUIRY allocation length asked for, as the disk layer asks.
inline constexpr std::uint16_t kInquiryLength = 255;

// Returns false when the session failed a command (not when a LUN merely
// turned out unusable), so the caller can scan again after a reconnect.
bool ScanLuns(IScsiExecutor& executor, std::vector<LunIdentity>& out);

// Runs a command, repeating it while the target reports UNIT ATTENTION.
ScsiResult ExecuteSettled(IScsiExecutor& executor, const ScsiCommand& command);

}  // namespace sp::iscsid
