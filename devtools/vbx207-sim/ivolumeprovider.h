#pragma once
// What stands behind a simulated appliance's disks. Asked when the wizard
// starts the disk setup (command 8) with the chosen profile; a provider can
// build real volumes for it (an iSCSI target, an SMB share "Volume1").
#include <string>

#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

class IVolumeProvider {
 public:
  virtual ~IVolumeProvider() = default;
  // The appliance `profile.mac` starts formatting with `profile`. Returning
  // false makes the appliance refuse the command.
  virtual bool FormatRequested(const FormatProfile& profile) = 0;
  // What the appliance `mac` served goes away now (its iSCSI target, its
  // share, or both), as when the appliance restarts or a daemon dies.
  virtual void Withdraw(const std::string& mac, bool iscsi, bool share) {
    (void)mac;
    (void)iscsi;
    (void)share;
  }
};

}  // namespace sp::sim
