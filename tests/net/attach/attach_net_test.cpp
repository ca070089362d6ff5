// The wizard's iSCSI attach on Linux, end to end: interpreter command lines
// to our initiator service, a real tgtd target with the appliance's name and
// vendor in the appliance's namespace, the LUN found by its vendor,
// partitioned, formatted NTFS and mounted at the chosen letter under a
// temporary mount root, writable, and the explorer line that opens it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"
#include "hoststorage/diskprep/diskpreparation.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/stoptokenwait.h"
#include "platform/fake/fakenetwork.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumememory.h"
#include "platform/linux/linuxvolumes.h"
#include "platform/linux/mkntfsformatter.h"
#include "tests/net/iscsi/iscsinettest.h"
#include "wizardstate/wizardstate.h"

namespace sp::nettest {
namespace {

using namespace std::chrono_literals;

class AttachNetTest : public IscsiNetTest {
 protected:
  void SetUp() override {
    IscsiNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    mountRoot_ = drives_;  // where the service brings remembered volumes back
    stack_ = std::make_unique<LinuxStorageStack>(socket_, mount_, mountRoot_);
    interpreter_ = std::make_unique<IscsiInterpreter>(stack_->initiator, stack_->enumerator, out_);
    DiskPreparation::Options options;
    options.formatTiming.checkInterval = 200ms;
    options.formatTiming.settle = 100ms;
    preparation_ =
        std::make_unique<DiskPreparation>(stack_->disks, stack_->letters, stack_->control, formatter_, options);
    memory_ = std::make_unique<LinuxVolumeMemory>(socket_);
    attach_ = std::make_unique<IscsiAttach>(*interpreter_, *preparation_, shares_, memory_.get());

    state_.Clear();
    CopyBounded(state_.targetMac, kIscsiMac);
    CopyBounded(state_.deviceIpAddress, kVbxAddress);
    CopyBounded(state_.iscsiDriveLetter, "X:");
  }
  void TearDown() override {
    if (stack_) {
      for (char letter = 'D'; letter <= 'Z'; ++letter) {
        if (!stack_->letters.DeviceAtLetter(letter).empty()) stack_->control.Unmount(letter);
      }
    }
    IscsiNetTest::TearDown();
  }

  AttachResult Attach() { return AttachWithReason().result; }
  AttachOutcome AttachWithReason() {
    std::stop_source stop;
    StopTokenWait wait(stop.get_token());
    return attach_->Run(state_, wait, [this](int p) { bar_.push_back(p); });
  }

  std::string mountRoot_;
  std::ostringstream out_;
  std::unique_ptr<LinuxStorageStack> stack_;
  std::unique_ptr<IscsiInterpreter> interpreter_;
  MkntfsFormatter formatter_;
  std::unique_ptr<DiskPreparation> preparation_;
  NetJournal journal_;
  FakeNetConnections connections_{&journal_};
  FakeNetUse netUse_{&journal_};
  FakeNetDockAgent agent_{&journal_};
  ShareMapping shares_{connections_, netUse_, agent_};
  std::unique_ptr<LinuxVolumeMemory> memory_;
  std::unique_ptr<IscsiAttach> attach_;
  WizardState state_{};
  std::vector<int> bar_;
};

TEST_F(AttachNetTest, PortalLoginDiskAtTheChosenLetterWritableAndTheExplorerLine) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Attach(), AttachResult::kAttached) << out_.str();

  // The portal and the logged-in session.
  interpreter_->ClearSessionTable();
  ASSERT_EQ(interpreter_->ReportSessions(), 0u);
  ASSERT_EQ(interpreter_->sessionTable().size(), 1u);
  const IscsiSessionRecord& session = interpreter_->sessionTable()[0];
  EXPECT_EQ(FieldText(session.targetName), kIscsiTarget);
  EXPECT_EQ(FieldText(session.targetPortalAddress), kVbxAddress);
  EXPECT_EQ(FieldText(session.volumePath), "X:\\");
  // The service will bring the volume back at X: when it next starts.
  ControlMessage volumes;
  ASSERT_EQ(Call(iscsictl::op::kVolumes, {}, &volumes), 0);
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[1].Get("letter"), "x");
  EXPECT_EQ(volumes[1].Get("target"), kIscsiTarget);
  interpreter_->ClearPersistentLoginTable();
  ASSERT_EQ(interpreter_->ReportPersistentLogins(), 0u);
  EXPECT_EQ(interpreter_->persistentLoginTable().size(), 1u) << "the login comes back after a restart";

  // The LUN, found by its vendor, has one partition at sector 63 ...
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  std::ifstream raw(lun, std::ios::binary);
  std::vector<unsigned char> mbr(512);
  raw.read(reinterpret_cast<char*>(mbr.data()), 512);
  EXPECT_EQ(mbr[510], 0x55);
  EXPECT_EQ(mbr[511], 0xAA);
  EXPECT_EQ(mbr[446 + 8] | mbr[446 + 9] << 8, 63) << "first partition at sector 63";

  // ... that is NTFS, mounted at X: under the mount root, and writable.
  const std::string volume = stack_->letters.DeviceAtLetter('X');
  ASSERT_FALSE(volume.empty());
  EXPECT_EQ(stack_->control.DiskBehind(volume), lun);
  const auto fs = stack_->control.ProbeFileSystem(volume);
  ASSERT_TRUE(fs.has_value());
  EXPECT_EQ(fs->type, "ntfs");
  EXPECT_EQ(stack_->letters.MountPoint('X'), mountRoot_ + "/x");
  const std::string file = mountRoot_ + "/x/written-by-the-test.txt";
  { std::ofstream(file) << "hello from the PC"; }
  std::ifstream back(file);
  std::string text;
  std::getline(back, text);
  EXPECT_EQ(text, "hello from the PC");
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (letter != 'X') {
      EXPECT_TRUE(stack_->letters.DeviceAtLetter(letter).empty()) << letter << ": no other letter";
    }
  }

  EXPECT_EQ(FieldText(state_.explorerCommandLine), "explorer X:\\");
  EXPECT_FALSE(bar_.empty()) << "the format moved the bar";
  EXPECT_EQ(journal_.front(), "cancel X: profile force") << "the letter was cleared first";
}

TEST_F(AttachNetTest, SecondAttachFindsTheVolumeReadyAndLeavesItAlone) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Attach(), AttachResult::kAttached) << out_.str();
  const std::string file = mountRoot_ + "/x/kept.txt";
  { std::ofstream(file) << "kept"; }
  bar_.clear();

  // The sequence retries the whole attach; an attached, formatted volume at
  // the chosen letter survives it with its files.
  ASSERT_EQ(Attach(), AttachResult::kAttached) << out_.str();
  EXPECT_TRUE(bar_.empty()) << "no second format";
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(FieldText(state_.explorerCommandLine), "explorer X:\\");
}

TEST_F(AttachNetTest, UnreachablePortalFailsWithoutTouchingTheRecord) {
  ASSERT_TRUE(StartService());
  CopyBounded(state_.deviceIpAddress, "10.77.0.99");
  CopyBounded(state_.explorerCommandLine, "untouched");
  const AttachOutcome outcome = AttachWithReason();
  EXPECT_EQ(outcome.result, AttachResult::kFailed);
  EXPECT_EQ(outcome.why, AttachFailure::kPortal);
  EXPECT_EQ(FieldText(state_.explorerCommandLine), "untouched");
}

}  // namespace
}  // namespace sp::nettest
