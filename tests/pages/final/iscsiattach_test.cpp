// The iSCSI attach over the fake initiator, disks and share facilities:
// command lines, the disk search over the session's own disks, the letter
// move, the explorer line, and what a failed attach takes back.
#include "pages/final/core/iscsiattach.h"

#include "tests/pages/final/finalworld.h"

namespace sp::finaltest {
namespace {

using Op = FakeIscsiInitiator::Op;

// What the initiator was asked to bring back at the next start.
struct RecordingMemory : IVolumeMemory {
  bool RememberVolume(const std::string& target, char letter) override {
    remembered.push_back(target + " " + letter);
    return true;
  }
  std::vector<std::string> remembered;
};

class IscsiAttachTest : public FinalWorld {
 protected:
  AttachOutcome Attach() {
    return attach.Run(state, wait, [this](int p) { bar.push_back(p); });
  }
  std::string Explorer() const { return FieldText(state.explorerCommandLine); }
  bool StorageLogged(const std::string& prefix) {
    const auto entries = storage.Log();
    return std::any_of(entries.begin(), entries.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }
  int PersistentLogins() {
    std::uint32_t capacity = 16;
    std::vector<IscsiPersistentLogin> logins;
    initiator.ReportIScsiPersistentLogins(capacity, logins);
    return static_cast<int>(logins.size());
  }
  // Nothing of the attach is left: no session, no persistent login, no
  // mount or loop device on the LUN.
  void ExpectTakenBack() {
    EXPECT_TRUE(initiator.SessionIds().empty());
    EXPECT_EQ(PersistentLogins(), 0);
    EXPECT_FALSE(storage.DiskInUse(kLunDisk));
    EXPECT_TRUE(storage.AttachedLoops().empty());
  }

  RecordingMemory memory;
  IscsiAttach attach{interpreter, disks, shares, &memory};
  std::vector<int> bar;
};

TEST(IscsiAttachLines, PortalAndLoginLinesQuoteOutsideValues) {
  EXPECT_EQ(IscsiAttach::AddTargetPortalLine("10.77.0.2"), "iscsicli AddTargetPortal 10.77.0.2 3260");
  EXPECT_EQ(IscsiAttach::LoginTargetLine(kTarget),
            "iscsicli LoginTarget iqn.2008-01.com.korva:storage.aabbcc.1.sys T * * * * * * * * * * * * * * * 0");
  // A value with a blank or a quote stays one word and cannot add words.
  EXPECT_EQ(IscsiAttach::AddTargetPortalLine("10.0.0.1 3260 x"), "iscsicli AddTargetPortal \"10.0.0.1 3260 x\" 3260");
  EXPECT_EQ(IscsiAttach::AddTargetPortalLine(""), "iscsicli AddTargetPortal \"\" 3260");
  EXPECT_EQ(IscsiAttach::LoginTargetLine("a\"b"), "iscsicli LoginTarget \"a\\\"b\" T * * * * * * * * * * * * * * * 0");
}

TEST_F(IscsiAttachTest, LogsInPreparesTheLunAndMovesItToTheChosenLetter) {
  // The LUN shows up only on the third search, as a slow disk layer would.
  wait.onSleep = [this](int n) {
    if (n == 2) AddLun();
  };
  connections.entries['X'] = {"\\\\old\\share", true, true, false};
  ASSERT_EQ(Attach().result, AttachResult::kAttached);

  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 1);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 2) << "persistent, then ordinary";
  EXPECT_EQ(initiator.SessionIds().size(), 1u);
  EXPECT_EQ(PersistentLogins(), 1);
  // Two empty passes, one that found and prepared the disk, then the pause
  // before the letter move and the pause between removing and assigning.
  EXPECT_EQ(log,
            (std::vector<std::string>{"sleep 1000", "sleep 1000", "sleep 1000", "sleep 1000", "cancel X: profile force",
                                      "net use X: delete", "agent unmap X:", "sleep 100"}));
  EXPECT_FALSE(connections.entries.count('X')) << "the old network drive no longer holds the letter";

  const std::string volume = storage.DeviceAtLetter('X');
  ASSERT_FALSE(volume.empty());
  EXPECT_EQ(storage.DiskBehind(volume), kLunDisk);
  EXPECT_EQ(storage.ProbeFileSystem(volume)->type, "ntfs");
  EXPECT_EQ(storage.LogicalDrives() & ~(DriveLetterBit('C') | DriveLetterBit('X')), 0u)
      << "the temporary letter is gone";
  EXPECT_FALSE(bar.empty());
  EXPECT_TRUE(std::all_of(bar.begin(), bar.end(), [](int p) { return p >= 65 && p <= 98; }));
  EXPECT_EQ(Explorer(), "explorer X:\\");
  EXPECT_EQ(memory.remembered, std::vector<std::string>{std::string(kTarget) + " X"});
}

TEST_F(IscsiAttachTest, OnlyTheSessionsOwnDiskIsTouchedWhateverElseClaimsTheVendor) {
  // A disk the kernel attached itself comes before the LUN, and an earlier
  // appliance's volume is mounted at E:; both report the appliance's vendor.
  storage.AddDisk("/dev/sdk", 64ull << 20, InquiryOf("KORVA   "));
  const std::string earlier = "/run/setuppilot/iscsi/disks/earlier-lun1";
  storage.AddDisk(earlier, 64ull << 20, InquiryOf("KORVA   "));
  const std::string earlierVolume = storage.AttachLoop(earlier, 32256, 32ull << 20);
  storage.PutFileSystem(earlierVolume, "ext4");  // not NTFS: the old search would reformat it
  storage.MountOutside(earlierVolume, 'E');
  AddLun();

  ASSERT_EQ(Attach().result, AttachResult::kAttached);
  EXPECT_EQ(storage.DiskBehind(storage.DeviceAtLetter('X')), kLunDisk);
  EXPECT_EQ(storage.DeviceAtLetter('E'), earlierVolume) << "the earlier volume keeps its letter";
  EXPECT_EQ(storage.ProbeFileSystem(earlierVolume)->type, "ext4");
  EXPECT_EQ(storage.WriteCount("/dev/sdk"), 0);
  EXPECT_EQ(storage.WriteCount(earlier), 0);
  EXPECT_EQ(storage.OpenCount("/dev/sdk"), 0) << "not even asked";
}

TEST_F(IscsiAttachTest, NoDiskInTenPassesFailsAndTakesTheLoginBack) {
  CopyBounded(state.explorerCommandLine, "untouched");
  const AttachOutcome outcome = Attach();
  EXPECT_EQ(outcome.result, AttachResult::kFailed);
  EXPECT_EQ(outcome.why, AttachFailure::kNoDisk);
  EXPECT_EQ(wait.count(), 11) << "ten passes and the pause after them";
  EXPECT_FALSE(StorageLogged("mount")) << "no letter was moved";
  EXPECT_EQ(Explorer(), "untouched");
  ExpectTakenBack();
  EXPECT_TRUE(memory.remembered.empty()) << "nothing to bring back";
}

TEST_F(IscsiAttachTest, FailedPortalOrLoginSaysWhichAndLeavesNoPersistentLogin) {
  CopyBounded(state.explorerCommandLine, "untouched");
  initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusUnreachable);
  EXPECT_EQ(Attach().why, AttachFailure::kPortal);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 0) << "no login after a failed portal";

  // The persistent half is recorded, the ordinary login fails.
  initiator.FailNext(Op::LoginIScsiTarget, 0);
  initiator.FailNext(Op::LoginIScsiTarget, kIscsiStatusConnectionRefused);
  const AttachOutcome login = Attach();
  EXPECT_EQ(login.result, AttachResult::kFailed);
  EXPECT_EQ(login.why, AttachFailure::kLogin);
  EXPECT_EQ(wait.count(), 0) << "no disk search";
  EXPECT_EQ(Explorer(), "untouched");
  ExpectTakenBack();

  initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusServiceNotActive);
  EXPECT_EQ(Attach().why, AttachFailure::kInitiatorDown);
}

TEST_F(IscsiAttachTest, ChosenLetterHeldByALocalVolumeFailsAndLeavesBothAlone) {
  AddLun();
  storage.AddDisk("/dev/sdb", 1ull << 30, InquiryOf("ATA     "));
  storage.AddVolumeDevice("/dev/sdb1", "/dev/sdb", 1 << 20, 512 << 20);
  storage.MountOutside("/dev/sdb1", 'X');
  const AttachOutcome outcome = Attach();
  EXPECT_EQ(outcome.result, AttachResult::kFailed);
  EXPECT_EQ(outcome.why, AttachFailure::kLetterTaken);
  EXPECT_TRUE(AttachFailureIsLasting(outcome.why));
  EXPECT_EQ(storage.DeviceAtLetter('X'), "/dev/sdb1") << "the local volume keeps its letter";
  EXPECT_EQ(storage.DeviceAtLetter('D'), "") << "no letter shows a volume that is not attached";
  ExpectTakenBack();
  EXPECT_TRUE(memory.remembered.empty()) << "the local volume is not ours to bring back";
}

TEST_F(IscsiAttachTest, DiskStepsNotAllowedForThisUserSayWhy) {
  AddLun();
  storage.refuse = StorageRefusal::kSetupInProgress;
  const AttachOutcome busy = Attach();
  EXPECT_EQ(busy.why, AttachFailure::kSetupInProgress);
  EXPECT_TRUE(AttachFailureIsLasting(busy.why)) << "trying again will not help";
  ExpectTakenBack();
  storage.refuse = StorageRefusal::kNone;
  EXPECT_EQ(Attach().result, AttachResult::kAttached) << "a refusal of the last run does not stick";
}

TEST_F(IscsiAttachTest, WithoutAChosenLetterNothingStays) {
  AddLun();
  CopyBounded(state.iscsiDriveLetter, "");
  EXPECT_EQ(Attach().why, AttachFailure::kNoLetter);
  EXPECT_EQ(storage.DeviceAtLetter('D'), "");
  ExpectTakenBack();
}

TEST_F(IscsiAttachTest, StopDuringTheFormatTakesBackWhatWasMade) {
  AddLun();
  CopyBounded(state.explorerCommandLine, "untouched");
  storage.formatOutcome = FakeStorage::FormatOutcome::Hang;
  wait.onSleep = [this](int n) {
    if (n == 1)
      std::thread([this] {
        std::this_thread::sleep_for(50ms);
        wait.Stop();
      }).detach();
  };
  EXPECT_EQ(Attach().result, AttachResult::kStopped);
  EXPECT_FALSE(Has("agent unmap X:"));
  EXPECT_EQ(Explorer(), "untouched");
  EXPECT_FALSE(storage.DiskInUse(kLunDisk));
  EXPECT_TRUE(storage.AttachedLoops().empty());
  EXPECT_EQ(initiator.SessionIds().size(), 1u) << "the stop waits on no logout";
  // The partition table written before the format still says the format
  // never finished, so the next attach formats again.
  EXPECT_EQ(storage.Bytes(kLunDisk, 446 + 4, 1)[0], 0x06);
}

}  // namespace
}  // namespace sp::finaltest
