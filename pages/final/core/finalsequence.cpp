#include "pages/final/core/finalsequence.h"

#include <algorithm>
#include <array>
#include <climits>

#include "base/text.h"
#include "hoststorage/iscsi/iscsicleanup.h"

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
  void PostSummary() override {
    if (!wait_.StopRequested()) sink_.PostSummary();
  }
  void PostFailure() override {
    if (!wait_.StopRequested()) sink_.PostFailure();
  }

 private:
  IFinalPageSink& sink_;
  ISetupWait& wait_;
};

bool IsBlank(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

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

  // Whatever the PC still holds to the target goes before the appliance
  // reformats the disks behind it.
  RunIscsiCleanup(interpreter_, state);
  if (wait.StopRequested()) return FinalOutcome::kStopped;

  if (!RequestDiskFormat(state, wait)) return FinalOutcome::kStopped;
  if (!CountSteps(Limits::kStartSteps, Limits::kStartStepPause, 0, wait, sink)) return FinalOutcome::kStopped;
  if (!PollProgress(state, wait, sink)) return FinalOutcome::kStopped;
  if (!CountSteps(Limits::kFinishSteps, Limits::kFinishStepPause, 60, wait, sink)) return FinalOutcome::kStopped;
  sink.SetLayerList(kFinalSharingList);

  // The linked-connections policy value belongs to a registry; there is
  // none here, so the step is skipped as when its key cannot be opened.

  sink.SetProgress(78);
  bool attached = false;
  if (state.iscsiSizeGb != 0) {
    const std::optional<bool> result = AttachIscsi(state, wait, sink);
    if (!result) return FinalOutcome::kStopped;
    attached = *result;
  }
  sink.SetProgress(89);
  if (state.nasSizeGb != 0 && !MapNasShare(state, wait, sink)) return FinalOutcome::kStopped;
  if (!OpenNewDrive(state, wait)) return FinalOutcome::kStopped;

  sink.SetProgress(100);
  sink.SetLayerList(kFinalDoneList);
  sink.ShowFinish();
  // The share mapping decides when there is a share; a profile with only an
  // iSCSI volume is judged by its attach, as the share mapping never runs.
  const bool summary = (state.nasSizeGb == 0 && state.iscsiSizeGb != 0) ? attached : state.nasMapped != 0;
  if (summary) {
    sink.PostSummary();
  } else {
    sink.PostFailure();
  }
  sink.SetLayerList(kFinalBackgroundList);
  if (wait.StopRequested()) return FinalOutcome::kStopped;
  return summary ? FinalOutcome::kSummary : FinalOutcome::kFailure;
}

bool FinalSequence::RequestDiskFormat(const WizardState& state, ISetupWait& wait) {
  const std::uint8_t payload[2] = {state.nasSharePercent, state.diskLevelCode};
  for (int attempt = 0; attempt < Limits::kFormatRequestAttempts; ++attempt) {
    if (!wait.Sleep(Limits::kFormatRequestPause)) return false;
    ReplyArea reply{};
    link_.SendDeviceCommand(state.targetMac, kCmdStartDiskSetup, payload, sizeof payload, reply.data());
    if (reply[0] == kReplyAccepted) break;
  }
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

bool FinalSequence::PollProgress(const WizardState& state, ISetupWait& wait, IFinalPageSink& sink) {
  int highest = 0;
  int zeroPolls = 0;
  int silentPolls = 0;
  int stalledPolls = 0;
  for (;;) {
    if (!wait.Sleep(Limits::kPollPause)) return false;
    ReplyArea reply{};
    const int length = link_.SendDeviceCommand(state.targetMac, kCmdQueryProgress, nullptr, 0, reply.data());
    if (wait.StopRequested()) return false;
    // A value above 100 counts as done rather than as a poll without end.
    const int value = std::min(ReadProgressReply(reply.data()), 100);
    if (value > highest) {
      highest = value;
      stalledPolls = 0;
    } else {
      ++stalledPolls;
    }
    silentPolls = length == 0 ? silentPolls + 1 : 0;
    sink.SetProgress(highest / 2 + 11);
    if (highest == 100) return true;
    if (highest == 0) {
      if (++zeroPolls >= Limits::kZeroPollLimit) return true;
    } else if (silentPolls >= Limits::kSilentPollLimit || stalledPolls >= Limits::kStalledPollLimit) {
      return true;
    }
  }
}

std::optional<bool> FinalSequence::AttachIscsi(WizardState& state, ISetupWait& wait, IFinalPageSink& sink) {
  const auto bar = [&sink](int position) { sink.SetProgress(position); };
  for (int attempt = 0; attempt < Limits::kAttachAttempts; ++attempt) {
    if (!wait.Sleep(Limits::kAttachPause)) return std::nullopt;
    sink.SetProgress(79 + attempt);
    switch (attach_.Run(state, wait, bar)) {
      case AttachResult::kAttached:
        return true;
      case AttachResult::kStopped:
        return std::nullopt;
      case AttachResult::kFailed:
        break;
    }
  }
  return false;
}

bool FinalSequence::MapNasShare(WizardState& state, ISetupWait& wait, IFinalPageSink& sink) {
  if (!wait.Sleep(Limits::kMappingPause)) return false;
  sink.SetProgress(90);
  shares_.MapNasShare(state);
  return !wait.StopRequested();
}

bool FinalSequence::OpenNewDrive(const WizardState& state, ISetupWait& wait) {
  if (!wait.Sleep(Limits::kOpenPause)) return false;
  const std::string line = FieldText(state.explorerCommandLine);
  // A profile without an iSCSI volume has no drive of ours to open.
  if (!line.empty()) desktop_.RunExplorer(line);
  return true;
}

}  // namespace sp
