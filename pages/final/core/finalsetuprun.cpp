#include "pages/final/core/finalsetuprun.h"

#include "devicelink/idevicelink.h"
#include "pages/final/core/stoptokenwait.h"

namespace sp {

FinalOutcome RunFinalSetup(const FinalSetupParts& parts, WizardState& state, std::stop_token stop, IFinalPageSink& sink,
                           const std::optional<FinalReport>& previous) {
  StopTokenWait wait(std::move(stop), parts.pausePercent);
  IscsiAttach attach(*parts.iscsiInterpreter, *parts.diskPreparation, *parts.shareMapping, parts.volumeMemory);
  ProgressPollLimits limits;
  limits.silentPolls = parts.silentPolls;
  FinalSequence sequence(*parts.link, *parts.iscsiInterpreter, attach, *parts.shareMapping, *parts.desktopShell,
                         limits);
  sequence.SetBookmarks(parts.bookmarks);
  return previous ? sequence.RetryPcSteps(state, *previous, wait, sink) : sequence.Run(state, wait, sink);
}

}  // namespace sp
