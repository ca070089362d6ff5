#pragma once
// The final setup sequence: everything the user chose, carried out on the
// final page's worker thread. The appliance is asked to format its disks
// with the chosen profile and its progress is followed; then, on the PC, the
// iSCSI volume is attached and prepared, the NAS share is mapped, the new
// drive is opened, and the page shows the summary or the failure text.
//
// The sequence is free of Qt: it shows what it does through an
// IFinalPageSink and waits only through an ISetupWait, so a stop ends it at
// once (it then changes nothing more and returns kStopped).
#include <chrono>
#include <cstdint>

#include "devicelink/ideviceexchange.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "pages/final/core/ifinalpagesink.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/isetupwait.h"
#include "platform/desktopshell.h"
#include "platform/filebookmarks.h"
#include "wizardstate/wizardstate.h"

namespace sp {

// The page's layer lists: background, then the two check icons beside
// "Format hard disk" (77,110) and "Setup shared folder" (77,138);
// check_ico_bd.png marks the step under way, check_ico.png a step done.
inline constexpr char kFinalBackgroundList[] = "cbackground.jpg|0|0|255|0,";
inline constexpr char kFinalFormattingList[] = "cbackground.jpg|0|0|255|0,check_ico_bd.png|77|110|255|0|0|0,";
inline constexpr char kFinalSharingList[] =
    "cbackground.jpg|0|0|255|0,check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,";
inline constexpr char kFinalDoneList[] =
    "cbackground.jpg|0|0|255|0,check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,";

struct FinalSequenceLimits {
  static constexpr int kFormatRequestAttempts = 5;
  static constexpr std::chrono::milliseconds kFormatRequestPause{1000};
  static constexpr int kStartSteps = 10;  // progress 0..9
  static constexpr std::chrono::milliseconds kStartStepPause{3000};
  static constexpr std::chrono::milliseconds kPollPause{2000};
  static constexpr int kFinishSteps = 18;  // progress 60..77
  static constexpr std::chrono::milliseconds kFinishStepPause{2000};
  static constexpr int kAttachAttempts = 10;  // progress 79..88
  static constexpr std::chrono::milliseconds kAttachPause{5000};
  static constexpr std::chrono::milliseconds kMappingPause{5000};
  static constexpr std::chrono::milliseconds kOpenPause{1000};
};

// When the progress poll gives up. Reaching any of these ends the run with
// the failure text and says what the appliance did; the sequence never goes
// on as if the format had finished.
struct ProgressPollLimits {
  // Polls while the appliance has reported no progress at all.
  int zeroPolls = 3000;
  // Polls in a row without any reply, before or after progress was reported
  // (about 25 minutes with one local address: 2 s pause plus 3 s waiting for
  // the reply): the appliance went away.
  int silentPolls = 300;
  // Polls in a row in which the highest value did not rise (at least 100
  // minutes): the appliance answers but is stuck.
  int stalledPolls = 3000;
  // Replies in a row below the highest value reported: the appliance
  // started again and its format was cut off.
  int fallenReplies = 3;
};

enum class FinalOutcome { kSummary, kFailure, kStopped };

// The progress percentage in a reply area of the progress query: the reply
// data (from byte 5 of the area) read as a decimal number the way a standard
// text-to-integer conversion reads it (leading blanks, a sign, digits; an
// empty or non-numeric text reads 0). Reads at most to the end of the
// 1024-byte area; values beyond the int range are clamped.
int ReadProgressReply(const std::uint8_t* replyArea);

class FinalSequence {
 public:
  FinalSequence(IDeviceExchange& link, IscsiInterpreter& interpreter, IscsiAttach& attach, ShareMapping& shares,
                IDesktopShell& desktop, ProgressPollLimits pollLimits = {})
      : link_(link),
        interpreter_(interpreter),
        attach_(attach),
        shares_(shares),
        desktop_(desktop),
        pollLimits_(pollLimits) {}

  // Where a drive made here is shown in the file manager's places (and
  // taken out when its letter is cleared); null: nowhere.
  void SetBookmarks(IFileBookmarks* bookmarks) { bookmarks_ = bookmarks; }

  // Runs the whole sequence once. Reads the state record and writes the
  // explorer command line (through the attach) and the NAS mapped flag
  // (through the share mapping).
  FinalOutcome Run(WizardState& state, ISetupWait& wait, IFinalPageSink& sink);

  // After a run that ended with PcStepsFailed(previous): the PC's steps
  // again, against the disks the appliance already formatted (no format
  // request). Only what failed is done again; what worked stays in the
  // report. Ends like Run, with Finish shown and the new outcome posted.
  FinalOutcome RetryPcSteps(WizardState& state, const FinalReport& previous, ISetupWait& wait, IFinalPageSink& sink);

 private:
  // Each step returns false when the worker was stopped.
  bool RequestDiskFormat(const WizardState& state, ISetupWait& wait);
  bool CountSteps(int steps, std::chrono::milliseconds pause, int firstPosition, ISetupWait& wait,
                  IFinalPageSink& sink);
  // Nothing when stopped; else what the appliance did (kNone: it finished).
  std::optional<ApplianceTrouble> PollProgress(const WizardState& state, ISetupWait& wait, IFinalPageSink& sink);
  // Nothing when stopped; else the last attempt's outcome.
  std::optional<AttachOutcome> AttachIscsi(WizardState& state, ISetupWait& wait, IFinalPageSink& sink);
  // Attach, share and the new drive opened, into `report`; from progress 78
  // to 100. `attach`/`map` say which of them to run.
  FinalOutcome PcSteps(WizardState& state, FinalReport& report, bool attach, bool map, ISetupWait& wait,
                       IFinalPageSink& sink);
  // Finish shown, the outcome posted, the checks taken off.
  FinalOutcome End(const FinalReport& report, ISetupWait& wait, IFinalPageSink& sink);
  bool MapNasShare(WizardState& state, ISetupWait& wait, IFinalPageSink& sink);
  bool OpenNewDrive(const WizardState& state, bool attached, ISetupWait& wait);
  // The place for the drive at `letterText` ("X:") added or taken out.
  void MarkDrive(const WizardState& state, const char* letterText, bool made);

  IDeviceExchange& link_;
  IscsiInterpreter& interpreter_;
  IscsiAttach& attach_;
  ShareMapping& shares_;
  IDesktopShell& desktop_;
  ProgressPollLimits pollLimits_;
  IFileBookmarks* bookmarks_ = nullptr;
};

}  // namespace sp
