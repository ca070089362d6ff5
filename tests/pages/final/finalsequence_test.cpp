// The final setup sequence over the fakes with recorded pauses: the order
// of its steps, the format request, the progress rules, the attach retries,
// the share mapping and the outcome.
#include "pages/final/core/finalsequence.h"

#include <array>
#include <climits>

#include "tests/pages/final/finalworld.h"

namespace sp::finaltest {
namespace {

using Op = FakeIscsiInitiator::Op;
using Reply = ScriptedAppliance::Reply;
using Strings = std::vector<std::string>;

// Progress texts the appliance gives to its n-th progress query; after the
// list it stops answering.
std::function<Reply(std::uint8_t, int)> Progress(std::vector<std::string> texts) {
  return [texts = std::move(texts)](std::uint8_t command, int n) {
    if (command != kCmdQueryProgress) return Reply{};
    if (n > static_cast<int>(texts.size())) return Reply{false};
    return Reply{true, kReplyAccepted, texts[n - 1]};
  };
}

class FinalSequenceTest : public FinalWorld {
 protected:
  FinalOutcome Run() { return sequence.Run(state, wait, sink); }
  std::vector<int> PositionsBetween(int from, int to) const {
    std::vector<int> out;
    bool in = false;
    for (int p : sink.positions) {
      if (p == from && !in) in = true;
      if (in) out.push_back(p);
      if (in && p == to) break;
    }
    return out;
  }

  IscsiAttach attach{interpreter, disks, shares};
  FinalSequence sequence{appliance, interpreter, attach, shares, desktop};
};

TEST_F(FinalSequenceTest, StepsRunInOrderAndEndWithTheSummary) {
  AddLun();
  appliance.answer = Progress({"0", "40", "100"});
  wait.onSleep = [this](int n) {
    if (n == 1) {
      EXPECT_EQ(initiator.CallCount(Op::ReportActiveIScsiTargetMappings), 1) << "clean-up before the format request";
    }
  };
  ASSERT_EQ(Run(), FinalOutcome::kSummary);

  Strings expected = {"finish off", std::string("list ") + kFinalFormattingList, "sleep 1000", "cmd 8 60 2", "waiting"};
  for (int i = 0; i < 10; ++i) expected.insert(expected.end(), {"sleep 3000", "progress " + std::to_string(i)});
  // The page says it waits for the appliance until the first report.
  expected.insert(expected.end(), {"sleep 2000", "cmd 10", "progress 11", "sleep 2000", "cmd 10", "not waiting",
                                   "progress 31", "sleep 2000", "cmd 10", "progress 61", "not waiting"});
  for (int i = 0; i < 18; ++i) expected.insert(expected.end(), {"sleep 2000", "progress " + std::to_string(60 + i)});
  expected.insert(expected.end(),
                  {std::string("list ") + kFinalSharingList, "progress 78", "sleep 5000", "progress 79"});
  const Strings head(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(std::min(log.size(), expected.size())));
  EXPECT_EQ(head, expected);

  // After the attach: the share, the new drive, the end.
  EXPECT_EQ(Between("progress 89", "summary"),
            (Strings{"progress 89", "sleep 5000", "progress 90", "cancel Y: profile force", "net use Y: delete",
                     "agent unmap Y:", "agent map Y: \\\\storage1\\Volume1", "sleep 1000", "open explorer X:\\",
                     "progress 100", std::string("list ") + kFinalDoneList, "show finish"}));
  EXPECT_EQ(Strings(log.end() - 2, log.end()), (Strings{"summary", std::string("list ") + kFinalBackgroundList}));
  EXPECT_EQ(state.nasMapped, 1);
  EXPECT_FALSE(storage.DeviceAtLetter('X').empty());
  for (const std::string& mac : appliance.macs) EXPECT_EQ(mac, kMac);
  EXPECT_TRUE(sink.report.summary && sink.report.nasMapped);
  EXPECT_EQ(sink.report.iscsi.result, AttachResult::kAttached);
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kNone);
}

TEST_F(FinalSequenceTest, FormatRequestTriesFiveTimesThenGoesOnAndStopsEarlyOnAcceptance) {
  appliance.answer = [](std::uint8_t command, int) {
    return command == kCmdStartDiskSetup ? Reply{true, 2} : Reply{true, kReplyAccepted, "100"};
  };
  Run();
  EXPECT_EQ(Between("sleep 1000", "sleep 3000"),
            (Strings{"sleep 1000", "cmd 8 60 2", "sleep 1000", "cmd 8 60 2", "sleep 1000", "cmd 8 60 2", "sleep 1000",
                     "cmd 8 60 2", "sleep 1000", "cmd 8 60 2", "waiting"}));
  EXPECT_TRUE(Has("progress 0")) << "the sequence goes on without an accepted reply";

  log.clear();
  appliance.counts.clear();
  appliance.answer = [](std::uint8_t command, int n) {
    if (command == kCmdStartDiskSetup) return n == 3 ? Reply{true, kReplyAccepted} : Reply{false};
    return Reply{true, kReplyAccepted, "100"};
  };
  Run();
  EXPECT_EQ(appliance.counts[kCmdStartDiskSetup], 3);
}

TEST_F(FinalSequenceTest, ProgressKeepsItsHighestValueAndASilentApplianceEndsTheRunWithoutGoingOn) {
  ProgressPollLimits limits;
  limits.silentPolls = 7;
  FinalSequence quick{appliance, interpreter, attach, shares, desktop, limits};
  appliance.answer = Progress({"40", "20"});
  EXPECT_EQ(quick.Run(state, wait, sink), FinalOutcome::kFailure);
  EXPECT_EQ(appliance.counts[kCmdQueryProgress], 2 + 7) << "the answered lower value resets the silence";
  EXPECT_EQ(sink.positions.back(), 31) << "40 / 2 + 11, never lowered";
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kStoppedAnswering);
  EXPECT_FALSE(sink.report.summary);
  // Nothing goes on as if the format had finished.
  EXPECT_FALSE(Has("progress 60"));
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 0);
  EXPECT_TRUE(agent.received.empty());
  EXPECT_EQ(Strings(log.end() - 3, log.end()),
            (Strings{"show finish", "failure", std::string("list ") + kFinalBackgroundList}));
}

TEST_F(FinalSequenceTest, HundredEndsThePollAtSixtyOne) {
  appliance.answer = Progress({"7", "100 percent", "3"});
  Run();
  EXPECT_EQ(appliance.counts[kCmdQueryProgress], 2);
  EXPECT_EQ(PositionsBetween(9, 60), (std::vector<int>{9, 14, 61, 60}));
}

TEST_F(FinalSequenceTest, EveryWayThePollCanGiveUpIsBoundedAndSaysWhatTheApplianceDid) {
  const ProgressPollLimits limits;
  const auto run = [&](std::function<Reply(std::uint8_t, int)> answer) {
    appliance.counts.clear();
    sink.positions.clear();
    appliance.answer = std::move(answer);
    sequence.Run(state, wait, sink);
    return appliance.counts[kCmdQueryProgress];
  };
  // Silent from the start.
  EXPECT_EQ(run(Progress({})), limits.silentPolls);
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kStoppedAnswering);
  // Answering, but never a report of progress: the long wait for the first.
  EXPECT_EQ(run([](std::uint8_t, int) { return Reply{true, kReplyAccepted, "0"}; }), limits.zeroPolls);
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kStoppedAnswering);
  // Answering, but stuck at one value.
  EXPECT_EQ(run([](std::uint8_t, int) { return Reply{true, kReplyAccepted, "55"}; }), 1 + limits.stalledPolls);
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kStoppedAnswering);
  // Started again: its progress falls back and stays there.
  EXPECT_EQ(run(Progress({"30", "50", "0", "0", "0", "0"})), 2 + limits.fallenReplies);
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kRestarted);
  EXPECT_EQ(sink.positions.back(), 36);
  // A value above a hundred is done.
  EXPECT_EQ(run([](std::uint8_t, int) { return Reply{true, kReplyAccepted, "250"}; }), 1);
  EXPECT_EQ(PositionsBetween(9, 60), (std::vector<int>{9, 61, 60}));
  EXPECT_EQ(sink.report.appliance, ApplianceTrouble::kNone);
}

TEST_F(FinalSequenceTest, WithoutAnIscsiVolumeTheBarJumpsFrom78To89AndNothingIsAttachedOrOpened) {
  state.iscsiSizeGb = 0;
  appliance.answer = Progress({"100"});
  EXPECT_EQ(Run(), FinalOutcome::kSummary);
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 0);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 0);
  EXPECT_EQ(PositionsBetween(77, 90), (std::vector<int>{77, 78, 89, 90}));
  EXPECT_TRUE(desktop.commandLines.empty()) << "no drive of ours to open";
}

TEST_F(FinalSequenceTest, WithoutANasVolumeNoMappingAndTheOutcomeFollowsTheAttach) {
  state.nasSizeGb = 0;
  AddLun();
  appliance.answer = Progress({"100"});
  EXPECT_EQ(Run(), FinalOutcome::kSummary);
  EXPECT_TRUE(agent.received.size() == 1 && agent.received[0].dwData == kNetDockUnmapRequest)
      << "only the iSCSI letter's clearing reached the agent";
  EXPECT_FALSE(Has("progress 90"));
  EXPECT_EQ(state.nasMapped, 0);
  EXPECT_EQ(desktop.commandLines, Strings{"explorer X:\\"});

  // Ten failed attaches: the failure text.
  log.clear();
  appliance.counts.clear();
  for (int i = 0; i < 10; ++i) initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusUnreachable);
  EXPECT_EQ(Run(), FinalOutcome::kFailure);
  EXPECT_TRUE(Has("failure"));
  EXPECT_FALSE(Has("summary"));
  EXPECT_EQ(sink.report.iscsi.why, AttachFailure::kPortal);
}

TEST_F(FinalSequenceTest, AVolumeThatCannotTakeItsLetterIsNoSuccessAndIsNotTriedAgain) {
  state.nasSizeGb = 0;
  AddLun();
  storage.AddDisk("/dev/sdb", 1ull << 30, InquiryOf("ATA     "));
  storage.AddVolumeDevice("/dev/sdb1", "/dev/sdb", 1 << 20, 512 << 20);
  storage.MountOutside("/dev/sdb1", 'X');
  appliance.answer = Progress({"100"});
  EXPECT_EQ(Run(), FinalOutcome::kFailure);
  EXPECT_EQ(sink.report.iscsi.why, AttachFailure::kLetterTaken);
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 1);
  EXPECT_TRUE(desktop.commandLines.empty()) << "no drive to open";
}

TEST_F(FinalSequenceTest, FailedPortalIsRetriedFromThePortalAfterFiveSeconds) {
  AddLun();
  appliance.answer = Progress({"100"});
  initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusUnreachable);
  ASSERT_EQ(Run(), FinalOutcome::kSummary);
  EXPECT_EQ(Between("progress 78", "sleep 1000"),
            (Strings{"progress 78", "sleep 5000", "progress 79", "sleep 5000", "progress 80"}));
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 2);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 2) << "one LoginTarget line, after the second portal";
  EXPECT_EQ(FieldText(state.explorerCommandLine), "explorer X:\\");
}

TEST_F(FinalSequenceTest, TenFailedAttachesGoOnToTheShare) {
  appliance.answer = Progress({"100"});
  // Each LoginTarget line logs in twice (persistent, then ordinary).
  for (int i = 0; i < 18; ++i) initiator.FailNext(Op::LoginIScsiTarget, kIscsiStatusConnectionRefused);
  initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusUnreachable);
  EXPECT_EQ(Run(), FinalOutcome::kSummary) << "the share decides when there is one";
  EXPECT_EQ(PositionsBetween(78, 90), (std::vector<int>{78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90}));
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 10);
  EXPECT_TRUE(desktop.commandLines.empty()) << "no explorer line was composed";
  // The summary says the volume is missing, and why.
  EXPECT_TRUE(sink.report.iscsiAsked);
  EXPECT_EQ(sink.report.iscsi.result, AttachResult::kFailed);
  EXPECT_EQ(sink.report.iscsi.why, AttachFailure::kLogin);
}

TEST_F(FinalSequenceTest, NoAgentGivesTheFailureText) {
  AddLun();
  agent.present = false;
  appliance.answer = Progress({"100"});
  EXPECT_EQ(Run(), FinalOutcome::kFailure);
  EXPECT_EQ(Strings(log.end() - 3, log.end()),
            (Strings{"show finish", "failure", std::string("list ") + kFinalBackgroundList}));
  // What did work is there to be named.
  EXPECT_EQ(sink.report.iscsi.result, AttachResult::kAttached);
  EXPECT_FALSE(sink.report.nasMapped);
}

TEST_F(FinalSequenceTest, StopEndsTheSequenceAtOnceAndNothingIsShownAfterwards) {
  appliance.answer = Progress({"40", "100"});
  // Pause 1 is the format request's, 2-11 the start steps, 12-13 the poll,
  // 14-31 the closing steps, 32 the first attach attempt's.
  const std::map<int, std::string> pauses = {
      {1, "sleep 1000"}, {11, "sleep 3000"}, {13, "sleep 2000"}, {32, "sleep 5000"}};
  for (const auto& [stopAt, pause] : pauses) {
    log.clear();
    appliance.counts.clear();
    RecordingWait stopping(log);
    stopping.stopAt = stopAt;
    EXPECT_EQ(sequence.Run(state, stopping, sink), FinalOutcome::kStopped) << stopAt;
    EXPECT_EQ(log.back(), pause) << "the stopped pause is the last thing that happened (" << stopAt << ")";
  }
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 0);
  EXPECT_EQ(state.nasMapped, 0);
}

TEST_F(FinalSequenceTest, StopDuringABlockingCallShowsNothingMore) {
  appliance.answer = [this](std::uint8_t command, int) {
    if (command == kCmdQueryProgress) wait.Stop();  // Finish pressed while the exchange waits
    return Reply{true, kReplyAccepted, "100"};
  };
  EXPECT_EQ(Run(), FinalOutcome::kStopped);
  EXPECT_EQ(log.back(), "cmd 10");
}

TEST(ProgressReply, ReadsTheLeadingDecimalNumberOfTheReplyData) {
  const auto read = [](std::string data, std::uint8_t code = kReplyAccepted) {
    std::array<std::uint8_t, kReplyAreaSize> area{};
    area[0] = code;
    area[1] = '9';  // header bytes are not part of the number
    std::memcpy(area.data() + 5, data.data(), std::min(data.size(), area.size() - 5));
    return ReadProgressReply(area.data());
  };
  EXPECT_EQ(read("40"), 40);
  EXPECT_EQ(read(" \t+7%"), 7);
  EXPECT_EQ(read("-3"), -3);
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(read("done"), 0);
  EXPECT_EQ(read("99999999999999999999"), INT_MAX);
  EXPECT_EQ(read(std::string(kReplyAreaSize, '1')), INT_MAX) << "digits up to the end of the area, no terminator";
  std::array<std::uint8_t, kReplyAreaSize> zero{};
  EXPECT_EQ(ReadProgressReply(zero.data()), 0) << "no reply reads 0";
}

}  // namespace
}  // namespace sp::finaltest

namespace sp::finaltest {
namespace {

TEST_F(FinalSequenceTest, TryingAgainRedoesOnlyThePcStepsThatFailedAndNeverFormatsAgain) {
  // First run: the LUN is missing (no disk, attach fails ten times) and the
  // share agent is down.
  appliance.answer = Progress({"100"});
  agent.present = false;
  ASSERT_EQ(Run(), FinalOutcome::kFailure);
  const FinalReport first = sink.report;
  ASSERT_TRUE(PcStepsFailed(first));
  const int formatRequests = appliance.counts[kCmdStartDiskSetup];

  // Both come back; the retry attaches and maps, without a format request.
  AddLun();
  initiator.SetNextDiskNumber(kLunDiskNumber);  // the LUN's disk, as the volume list names it
  agent.present = true;
  log.clear();
  ASSERT_EQ(sequence.RetryPcSteps(state, first, wait, sink), FinalOutcome::kSummary);
  EXPECT_EQ(appliance.counts[kCmdStartDiskSetup], formatRequests);
  EXPECT_EQ(appliance.counts[kCmdQueryProgress], 1);
  EXPECT_TRUE(sink.report.summary && sink.report.nasMapped);
  EXPECT_EQ(sink.report.iscsi.result, AttachResult::kAttached);
  EXPECT_FALSE(PcStepsFailed(sink.report));
  EXPECT_TRUE(Has("open explorer X:\\"));
  EXPECT_EQ(Strings(log.end() - 2, log.end()), (Strings{"summary", std::string("list ") + kFinalBackgroundList}));

  // What worked is not done again: only the share, once more down.
  agent.present = false;
  FinalReport shareOnly = sink.report;
  shareOnly.nasMapped = false;
  const int portals = initiator.CallCount(Op::AddIScsiSendTargetPortal);
  log.clear();
  EXPECT_EQ(sequence.RetryPcSteps(state, shareOnly, wait, sink), FinalOutcome::kFailure);
  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), portals);
  EXPECT_FALSE(Has("open explorer X:\\")) << "the drive was opened when it was made";
  EXPECT_TRUE(PcStepsFailed(sink.report));

  // An appliance that never finished leaves nothing to try again on the PC.
  FinalReport silent;
  silent.appliance = ApplianceTrouble::kStoppedAnswering;
  EXPECT_FALSE(PcStepsFailed(silent));
}

}  // namespace
}  // namespace sp::finaltest

namespace sp::finaltest {
namespace {

TEST_F(FinalSequenceTest, DrivesMadeAreAddedToTheFileManagersPlacesAndOnlyThose) {
  FakeFileBookmarks places;
  places.places['X'] = "old (X:)";  // left from an earlier run at the letter
  sequence.SetBookmarks(&places);
  appliance.answer = Progress({"100"});
  agent.present = false;  // the share is not mapped
  AddLun();
  ASSERT_EQ(Run(), FinalOutcome::kFailure);
  EXPECT_EQ(places.places, (std::map<char, std::string>{{'X', "storage1 (X:)"}}));
  EXPECT_EQ(places.edits, (Strings{"remove X:", "add X: storage1 (X:)", "remove Y:"}));
}

}  // namespace
}  // namespace sp::finaltest
