// The iSCSI attach over the fake initiator, disks and share facilities:
// command lines, the disk search, the letter move and the explorer line.
#include "pages/final/core/iscsiattach.h"

#include "tests/pages/final/finalworld.h"

namespace sp::finaltest {
namespace {

using Op = FakeIscsiInitiator::Op;

class IscsiAttachTest : public FinalWorld {
 protected:
  AttachResult Attach() {
    return attach.Run(state, wait, [this](int p) { bar.push_back(p); });
  }
  std::string Explorer() const { return FieldText(state.explorerCommandLine); }
  bool StorageLogged(const std::string& prefix) {
    const auto entries = storage.Log();
    return std::any_of(entries.begin(), entries.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }

  IscsiAttach attach{interpreter, disks, shares};
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
  ASSERT_EQ(Attach(), AttachResult::kAttached);

  EXPECT_EQ(initiator.CallCount(Op::AddIScsiSendTargetPortal), 1);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 2) << "persistent, then ordinary";
  EXPECT_EQ(initiator.SessionIds().size(), 1u);
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
}

TEST_F(IscsiAttachTest, TenPassesWithoutADiskMoveNoLetterAndOpenTheDefaultView) {
  ASSERT_EQ(Attach(), AttachResult::kAttached) << "a missing disk does not fail the attach";
  EXPECT_EQ(wait.count(), 11) << "ten passes and the pause after them";
  EXPECT_FALSE(StorageLogged("mount")) << "no letter was moved";
  EXPECT_FALSE(StorageLogged("unmount"));
  EXPECT_TRUE(Has("agent unmap X:")) << "the letter is still cleared";
  EXPECT_EQ(Explorer(), "explorer ");
}

TEST_F(IscsiAttachTest, FailedPortalOrLoginFailsTheAttachAndChangesNothing) {
  CopyBounded(state.explorerCommandLine, "untouched");
  initiator.FailNext(Op::AddIScsiSendTargetPortal, kIscsiStatusUnreachable);
  EXPECT_EQ(Attach(), AttachResult::kFailed);
  EXPECT_EQ(initiator.CallCount(Op::LoginIScsiTarget), 0) << "no login after a failed portal";

  initiator.FailNext(Op::LoginIScsiTarget, 0);  // the persistent half's status is not looked at
  initiator.FailNext(Op::LoginIScsiTarget, kIscsiStatusConnectionRefused);
  EXPECT_EQ(Attach(), AttachResult::kFailed);
  EXPECT_EQ(wait.count(), 0) << "no disk search";
  EXPECT_EQ(Explorer(), "untouched");

  CopyBounded(state.deviceIpAddress, "10.77.0.9");  // nobody there
  EXPECT_EQ(Attach(), AttachResult::kFailed);
}

TEST_F(IscsiAttachTest, ChosenLetterHeldByALocalVolumeLeavesTheVolumeWhereItWas) {
  AddLun();
  storage.AddDisk("/dev/sdb", 1ull << 30, InquiryOf("ATA     "));
  storage.AddVolumeDevice("/dev/sdb1", "/dev/sdb", 1 << 20, 512 << 20);
  storage.MountOutside("/dev/sdb1", 'X');
  ASSERT_EQ(Attach(), AttachResult::kAttached);
  EXPECT_EQ(storage.DeviceAtLetter('X'), "/dev/sdb1") << "the local volume keeps its letter";
  const std::string volume = storage.DeviceAtLetter('D');
  ASSERT_FALSE(volume.empty()) << "the new volume is back at the letter it was given";
  EXPECT_EQ(storage.DiskBehind(volume), kLunDisk);
  EXPECT_EQ(Explorer(), "explorer D:\\");
}

TEST_F(IscsiAttachTest, WithoutAChosenLetterTheVolumeKeepsItsOwn) {
  AddLun();
  CopyBounded(state.iscsiDriveLetter, "");
  ASSERT_EQ(Attach(), AttachResult::kAttached);
  EXPECT_FALSE(storage.DeviceAtLetter('D').empty());
  EXPECT_EQ(Explorer(), "explorer D:\\");
}

TEST_F(IscsiAttachTest, StopDuringTheSearchEndsAtOnceWithoutTouchingLettersOrTheRecord) {
  AddLun();
  CopyBounded(state.explorerCommandLine, "untouched");
  wait.stopAt = 1;
  EXPECT_EQ(Attach(), AttachResult::kStopped);
  EXPECT_EQ(wait.count(), 1);
  EXPECT_FALSE(Has("agent unmap X:"));
  EXPECT_FALSE(StorageLogged("mount"));
  EXPECT_EQ(Explorer(), "untouched");
}

}  // namespace
}  // namespace sp::finaltest
