#include "pages/final/core/finalsequence.h"

#include <algorithm>
#include <array>
#include <climits>

#include "base/text.h"
#include "hoststorage/iscsi/iscsicleanup.h"
#include "platform/driveletters.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {

using Limits = FinalSequenceLimits;
using ReplyArea = std::array<std::uint8_t, kReplyAreaSize>;

// Byte of the reply area where the reply data starts.
constexpr std::size_t kReplyDataOffset = 5;

// Passes the sequence's calls on until the worker is stopped, then drops
// them: a stopped worker shows nothing more, even when a stop arrives while
// it is inside a blocking call.
class GuardedSink : public IFinalPageSink {
 public:
  GuardedSink(IFinalPageSink& sink, ISetupWait& wait) : sink_(sink), wait_(wait) {}
  void SetProgress(int position) override {
    if (!wait_.StopRequested()) sink_.SetProgress(position);
  }
  void SetLayerList(std::string_view list) override {
    if (!wait_.StopRequested()) sink_.SetLayerList(list);
  }
  void SetFinishEnabled(bool enabled) override {
    if (!wait_.StopRequested()) sink_.SetFinishEnabled(enabled);
  }
  void ShowFinish() override {
    if (!wait_.StopRequested()) sink_.ShowFinish();
  }
  void SetWaitingForAppliance(bool waiting) override {
    if (!wait_.StopRequested()) sink_.SetWaitingForAppliance(waiting);
  }
  void PostOutcome(const FinalReport& report) override {
    if (!wait_.StopRequested()) sink_.PostOutcome(report);
  }

 private:
  IFinalPageSink& sink_;
  ISetupWait& wait_;
};

bool IsBlank(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool PcStepsFailed(const FinalReport& report) {
  if (!report.formatted || report.appliance != ApplianceTrouble::kNone) return false;
  const bool iscsiFailed = report.iscsiAsked && report.iscsi.result != AttachResult::kAttached;
  return iscsiFailed || (report.nasAsked && !report.nasMapped);
}

int ReadProgressReply(const std::uint8_t* replyArea) {
  std::size_t i = kReplyDataOffset;
  while (i < kReplyAreaSize && IsBlank(replyArea[i])) ++i;
  bool negative = false;
  if (i < kReplyAreaSize && (replyArea[i] == '+' || replyArea[i] == '-')) negative = replyArea[i++] == '-';
  long long value = 0;
  for (; i < kReplyAreaSize && replyArea[i] >= '0' && replyArea[i] <= '9'; ++i) {
    value = std::min<long long>(value * 10 + (replyArea[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

FinalOutcome FinalSequence::Run(WizardState& state, ISetupWait& wait, IFinalPageSink& pageSink) {
  GuardedSink sink(pageSink, wait);
  sink.SetFinishEnabled(false);
  sink.SetLayerList(kFinalFormattingList);
  RecordSetupStep("final setup for " + FieldText(state.targetMac),
                  "NAS " + std::to_string(state.nasSizeGb) + " GB at " + FieldText(state.nasDriveLetter) + ", iSCSI " +
                      std::to_string(state.iscsiSizeGb) + " GB at " + FieldText(state.iscsiDriveLetter) +
                      ", share percent " + std::to_string(state.nasSharePercent) + ", disk level code " +
                      std::to_string(state.diskLevelCode));

  // Whatever the PC still holds to the target goes before the appliance
  // reformats the disks behind it.
  RunIscsiCleanup(interpreter_, state);
  if (wait.StopRequested()) return FinalOutcome::kStopped;

  if (!RequestDiskFormat(state, wait)) return FinalOutcome::kStopped;
  sink.SetWaitingForAppliance(true);
  if (!CountSteps(Limits::kStartSteps, Limits::kStartStepPause, 0, wait, sink)) return FinalOutcome::kStopped;
  const std::optional<ApplianceTrouble> trouble = PollProgress(state, wait, sink);
  if (!trouble) return FinalOutcome::kStopped;
  sink.SetWaitingForAppliance(false);
  FinalReport report;
  if (*trouble != ApplianceTrouble::kNone) {
    // The format did not finish: nothing on the PC is set up over it.
    report.appliance = *trouble;
    RecordSetupStep(*trouble == ApplianceTrouble::kRestarted ? "the appliance's progress fell back: format cut off"
                                                             : "the appliance stopped answering during the format");
    return End(report, wait, sink);
  }
  if (!CountSteps(Limits::kFinishSteps, Limits::kFinishStepPause, 60, wait, sink)) return FinalOutcome::kStopped;
  sink.SetLayerList(kFinalSharingList);
  report.formatted = true;
  return PcSteps(state, report, state.iscsiSizeGb != 0, state.nasSizeGb != 0, wait, sink);
}

FinalOutcome FinalSequence::RetryPcSteps(WizardState& state, const FinalReport& previous, ISetupWait& wait,
                                         IFinalPageSink& pageSink) {
  GuardedSink sink(pageSink, wait);
  sink.SetFinishEnabled(false);
  sink.SetLayerList(kFinalSharingList);
  FinalReport report = previous;
  const bool attach = previous.iscsiAsked && previous.iscsi.result != AttachResult::kAttached;
  const bool map = previous.nasAsked && !previous.nasMapped;
  RecordSetupStep(std::string("trying the PC's steps again:") + (attach ? " iSCSI attach" : "") +
                  (map ? " share mapping" : ""));
  return PcSteps(state, report, attach, map, wait, sink);
}

FinalOutcome FinalSequence::PcSteps(WizardState& state, FinalReport& report, bool attach, bool map, ISetupWait& wait,
                                    IFinalPageSink& sink) {
  // The linked-connections policy value belongs to a registry; there is
  // none here, so the step is skipped as when its key cannot be opened.

  sink.SetProgress(78);
  if (attach) {
    MarkDrive(state, state.iscsiDriveLetter, false);
    const std::optional<AttachOutcome> attached = AttachIscsi(state, wait, sink);
    if (!attached) return FinalOutcome::kStopped;
    report.iscsiAsked = true;
    report.iscsi = *attached;
    if (attached->result == AttachResult::kAttached) MarkDrive(state, state.iscsiDriveLetter, true);
  }
  sink.SetProgress(89);
  if (map) {
    state.nasMapped = 0;
    MarkDrive(state, state.nasDriveLetter, false);
    if (!MapNasShare(state, wait, sink)) return FinalOutcome::kStopped;
    report.nasAsked = true;
    report.nasMapped = state.nasMapped != 0;
    if (report.nasMapped) MarkDrive(state, state.nasDriveLetter, true);
    RecordSetupStep(report.nasMapped ? "shared folder mapped at " + FieldText(state.nasDriveLetter)
                                     : "shared folder not mapped");
  }
  // A drive made on an earlier pass was opened then.
  if (!OpenNewDrive(state, attach, wait)) return FinalOutcome::kStopped;

  sink.SetProgress(100);
  sink.SetLayerList(kFinalDoneList);
  // The share mapping decides when there is a share; a profile with only an
  // iSCSI volume is judged by its attach, which counts only when the volume
  // is at its letter.
  report.summary =
      report.nasAsked ? report.nasMapped : report.iscsiAsked && report.iscsi.result == AttachResult::kAttached;
  return End(report, wait, sink);
}

FinalOutcome FinalSequence::End(const FinalReport& report, ISetupWait& wait, IFinalPageSink& sink) {
  RecordSetupStep(report.summary ? "final setup ended with the summary" : "final setup ended with the failure text");
  sink.ShowFinish();
  sink.PostOutcome(report);
  sink.SetLayerList(kFinalBackgroundList);
  if (wait.StopRequested()) return FinalOutcome::kStopped;
  return report.summary ? FinalOutcome::kSummary : FinalOutcome::kFailure;
}

bool FinalSequence::RequestDiskFormat(const WizardState& state, ISetupWait& wait) {
  const std::uint8_t payload[2] = {state.nasSharePercent, state.diskLevelCode};
  for (int attempt = 0; attempt < Limits::kFormatRequestAttempts; ++attempt) {
    if (!wait.Sleep(Limits::kFormatRequestPause)) return false;
    ReplyArea reply{};
    link_.SendDeviceCommand(state.targetMac, kCmdStartDiskSetup, payload, sizeof payload, reply.data());
    if (reply[0] == kReplyAccepted) {
      RecordSetupStep("disk format request accepted");
      return !wait.StopRequested();
    }
  }
  RecordSetupStep("disk format request not accepted after " + std::to_string(Limits::kFormatRequestAttempts) +
                  " attempts; going on");
  // Without an accepted reply the sequence goes on all the same: the
  // progress poll shows whether the appliance is formatting.
  return !wait.StopRequested();
}

bool FinalSequence::CountSteps(int steps, std::chrono::milliseconds pause, int firstPosition, ISetupWait& wait,
                               IFinalPageSink& sink) {
  for (int step = 0; step < steps; ++step) {
    if (!wait.Sleep(pause)) return false;
    sink.SetProgress(firstPosition + step);
  }
  return true;
}

std::optional<ApplianceTrouble> FinalSequence::PollProgress(const WizardState& state, ISetupWait& wait,
                                                            IFinalPageSink& sink) {
  const ProgressPollLimits& limits = pollLimits_;
  int highest = 0;
  int zeroPolls = 0;
  int silentPolls = 0;
  int stalledPolls = 0;
  int fallenReplies = 0;
  for (;;) {
    if (!wait.Sleep(Limits::kPollPause)) return std::nullopt;
    ReplyArea reply{};
    const int length = link_.SendDeviceCommand(state.targetMac, kCmdQueryProgress, nullptr, 0, reply.data());
    if (wait.StopRequested()) return std::nullopt;
    // A value above 100 counts as done rather than as a poll without end.
    const int value = std::min(ReadProgressReply(reply.data()), 100);
    const bool answered = length > 0;
    if (value > highest) {
      if (highest == 0) sink.SetWaitingForAppliance(false);
      highest = value;
      stalledPolls = 0;
    } else {
      ++stalledPolls;
    }
    silentPolls = answered ? 0 : silentPolls + 1;
    fallenReplies = answered && value < highest ? fallenReplies + 1 : 0;
    sink.SetProgress(highest / 2 + 11);
    if (highest == 100) return ApplianceTrouble::kNone;
    if (fallenReplies >= limits.fallenReplies) return ApplianceTrouble::kRestarted;
    if (silentPolls >= limits.silentPolls) return ApplianceTrouble::kStoppedAnswering;
    if (highest == 0 ? ++zeroPolls >= limits.zeroPolls : stalledPolls >= limits.stalledPolls) {
      return ApplianceTrouble::kStoppedAnswering;
    }
  }
}

std::optional<AttachOutcome> FinalSequence::AttachIscsi(WizardState& state, ISetupWait& wait, IFinalPageSink& sink) {
  const auto bar = [&sink](int position) { sink.SetProgress(position); };
  AttachOutcome outcome;
  for (int attempt = 0; attempt < Limits::kAttachAttempts; ++attempt) {
    if (!wait.Sleep(Limits::kAttachPause)) return std::nullopt;
    sink.SetProgress(79 + attempt);
    outcome = attach_.Run(state, wait, bar);
    if (outcome.result == AttachResult::kStopped) return std::nullopt;
    RecordSetupStep("iSCSI attach attempt " + std::to_string(attempt + 1) + ": " +
                    (outcome.result == AttachResult::kAttached
                         ? "attached at " + FieldText(state.iscsiDriveLetter)
                         : std::string("failed, ") + AttachFailureText(outcome.why)));
    if (outcome.result == AttachResult::kAttached || AttachFailureIsLasting(outcome.why)) break;
  }
  return outcome;
}

bool FinalSequence::MapNasShare(WizardState& state, ISetupWait& wait, IFinalPageSink& sink) {
  if (!wait.Sleep(Limits::kMappingPause)) return false;
  sink.SetProgress(90);
  shares_.MapNasShare(state);
  return !wait.StopRequested();
}

bool FinalSequence::OpenNewDrive(const WizardState& state, bool attached, ISetupWait& wait) {
  if (!wait.Sleep(Limits::kOpenPause)) return false;
  const std::string line = FieldText(state.explorerCommandLine);
  // A profile without an iSCSI volume has no drive of ours to open.
  if (attached && !line.empty()) desktop_.RunExplorer(line);
  return true;
}

void FinalSequence::MarkDrive(const WizardState& state, const char* letterText, bool made) {
  const char letter = letterText[0];
  if (!bookmarks_ || DriveLetterBit(letter) == 0) return;
  const std::string name = DriveBookmarkName(Utf16ToUtf8(FieldText(state.deviceHostName)), letter);
  const bool done = made ? bookmarks_->AddDrive(letter, name) : bookmarks_->RemoveDrive(letter);
  if (!done) RecordSetupStep(std::string("file manager place not ") + (made ? "added: " : "removed: ") + name);
}

}  // namespace sp
