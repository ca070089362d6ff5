#pragma once
// One run of the final setup on the worker thread, as the final page and
// the setup without a window both start it: the attach and the sequence
// built over the given parts, the fixed pauses scaled, the stop watched.
#include <optional>
#include <stop_token>

#include "pages/final/core/finalsequence.h"

namespace sp {

class IDeviceLink;

// What the final setup works with. Without any of the first five nothing
// can be set up.
struct FinalSetupParts {
  IDeviceLink* link = nullptr;  // the worker's link (its waits only sleep)
  IscsiInterpreter* iscsiInterpreter = nullptr;
  DiskPreparation* diskPreparation = nullptr;  // the run's one disk preparation
  ShareMapping* shareMapping = nullptr;
  IDesktopShell* desktopShell = nullptr;  // opens the new drive
  IVolumeMemory* volumeMemory = nullptr;  // null: the drive is not brought back at the next start
  IFileBookmarks* bookmarks = nullptr;    // the file manager's places for the new drives (optional)
  int pausePercent = 100;                 // the sequence's pauses, in percent of their length
  int silentPolls = 300;                  // progress polls in a row without a reply before the appliance counts as gone

  bool Complete() const { return link && iscsiInterpreter && diskPreparation && shareMapping && desktopShell; }
};

// Runs the whole sequence, or with `previous` (a run whose PC steps
// failed) those steps again. The parts must be Complete().
FinalOutcome RunFinalSetup(const FinalSetupParts& parts, WizardState& state, std::stop_token stop, IFinalPageSink& sink,
                           const std::optional<FinalReport>& previous = std::nullopt);

}  // namespace sp
