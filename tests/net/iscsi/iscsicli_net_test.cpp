// The wizard's way to the appliance's disk on Linux: interpreter command
// lines against our initiator service and a real tgtd target, the disk layer
// finding, partitioning, formatting and lettering the LUN file, the session
// listing reporting it, persistence across a service restart, and the
// clean-up that ends it all.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "hoststorage/diskprep/diskpreparation.h"
#include "hoststorage/iscsi/iscsicleanup.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "hoststorage/iscsi/targetprobe.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumes.h"
#include "platform/linux/mkntfsformatter.h"
#include "tests/net/iscsi/iscsinettest.h"
#include "wizardstate/wizardstate.h"

namespace sp::nettest {
namespace {

using namespace std::chrono_literals;

const std::string kLoginLine =
    std::string("iscsicli LoginTarget ") + kIscsiTarget + " T * * * * * * * * * * * * * * * 0";

class IscsicliNetTest : public IscsiNetTest {
 protected:
  void SetUp() override {
    IscsiNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The drive letters' root, standing for /mnt: X: is <scratch>/mnt/x.
    std::filesystem::create_directories(net().scratchDir() + "/mnt");
    stack_ = std::make_unique<LinuxStorageStack>(socket_, mount_, net().scratchDir() + "/mnt");
    interpreter_ = std::make_unique<IscsiInterpreter>(stack_->initiator, stack_->enumerator, out_);
  }
  void TearDown() override {
    if (stack_) stack_->control.Unmount('X');
    IscsiNetTest::TearDown();
  }

  IscsiStatus Run(const std::string& line) {
    out_.str("");
    return interpreter_->Run(line);
  }

  const IscsiSessionRecord* SessionRecord() {
    interpreter_->ClearSessionTable();
    if (interpreter_->ReportSessions() != 0) return nullptr;
    for (const auto& record : interpreter_->sessionTable()) {
      if (FieldText(record.targetName) == kIscsiTarget) return &record;
    }
    return nullptr;
  }

  std::ostringstream out_;
  std::unique_ptr<LinuxStorageStack> stack_;
  std::unique_ptr<IscsiInterpreter> interpreter_;
};

TEST_F(IscsicliNetTest, PortalLoginDiskPreparationAndSessionListingEndToEnd) {
  ASSERT_EQ(ComposeTargetName(kIscsiMac), kIscsiTarget) << "the appliance names its target as the wizard expects";
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 3260"), 0u) << out_.str();
  ASSERT_EQ(Run(kLoginLine), 0u) << out_.str();
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());

  // The LUN file is the session's device, under its physical drive number.
  const auto drives = stack_->disks.PhysicalDrives();
  const auto at = std::find(drives.begin(), drives.end(), lun);
  ASSERT_NE(at, drives.end());
  const std::size_t driveNumber = static_cast<std::size_t>(at - drives.begin());
  EXPECT_GE(driveNumber, 1u) << "never drive 0";
  ASSERT_NE(SessionRecord(), nullptr) << out_.str();
  EXPECT_NE(out_.str().find("Device Number          : " + std::to_string(driveNumber)), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("Device Type            : Disk"), std::string::npos);

  // The disk layer reads the SCSI identity from the file.
  auto device = stack_->disks.Open(lun);
  ASSERT_NE(device, nullptr);
  std::vector<std::uint8_t> inquiry;
  ASSERT_TRUE(device->Inquiry(inquiry));
  EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 16), "KORVA   ");
  device.reset();

  // Find, partition, format, letter: the LUN becomes X:.
  MkntfsFormatter formatter;
  DiskPreparation::Options options;
  options.formatTiming.checkInterval = 200ms;
  options.formatTiming.settle = 100ms;
  DiskPreparation preparation(stack_->disks, stack_->letters, stack_->control, formatter, options);
  // The session report names the LUN's disk: only that one is looked at.
  ASSERT_NE(SessionRecord(), nullptr);
  const std::vector<std::string> sessionDisks = FindIscsiSessionDisks(*interpreter_, kIscsiTarget);
  ASSERT_EQ(sessionDisks.size(), 1u) << out_.str();
  EXPECT_TRUE(std::filesystem::equivalent(sessionDisks[0], lun));
  FoundDisk found;
  EXPECT_EQ(preparation.FindIscsiDisk(found, {}), -1) << "no disk of the session, nothing found";
  ASSERT_EQ(preparation.FindIscsiDisk(found, sessionDisks), 0) << found.modelText;
  EXPECT_EQ(found.physicalDrivePath, lun);
  ASSERT_EQ(preparation.PrepareIscsiDisk(found, [](int) {}), kPrepareReady);
  ASSERT_NE(found.driveLetter, 0);
  const char letter = static_cast<char>(found.driveLetter);
  const std::string volume = preparation.DeviceBehindLetter(found.driveLetter);
  ASSERT_TRUE(preparation.MoveDriveLetter(std::string(1, letter) + ":\\", volume, LetterMove::Remove));
  ASSERT_TRUE(preparation.MoveDriveLetter("X:\\", volume, LetterMove::Assign));

  const IscsiSessionRecord* record = SessionRecord();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(FieldText(record->volumePath), "X:\\") << out_.str();
  const std::string session = FieldText(record->sessionId);

  // A mounted disk is not pulled away; once it is released the logout works.
  EXPECT_NE(Run("iscsicli LogoutTarget " + session), 0u);
  ASSERT_TRUE(stack_->control.Unmount('X'));
  CleanUpLoopsAndMounts();
  EXPECT_EQ(Run("iscsicli LogoutTarget " + session), 0u) << out_.str();
  EXPECT_EQ(SessionRecord(), nullptr);
}

TEST_F(IscsicliNetTest, AnApplianceOfferingItsTargetIsSeenAndNoPortalIsLeftBehind) {
  ASSERT_TRUE(StartService());
  EXPECT_TRUE(ApplianceOffersTarget(stack_->initiator, nettest::kVbxAddress, kIscsiMac));
  EXPECT_FALSE(ApplianceOffersTarget(stack_->initiator, nettest::kVbxAddress, "02:4b:56:00:00:09"));
  std::vector<IscsiSendTargetPortalInfo> portals;
  std::uint32_t capacity = 16;
  ASSERT_EQ(stack_->initiator.ReportIScsiSendTargetPortalsEx(capacity, portals), 0u);
  EXPECT_TRUE(portals.empty());
}

TEST_F(IscsicliNetTest, PersistentLoginSurvivesRestartAndTheCleanUpEndsIt) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 3260"), 0u) << out_.str();
  ASSERT_EQ(Run(kLoginLine), 0u) << out_.str();
  ASSERT_FALSE(WaitForLunFile().empty());

  ASSERT_EQ(StopService(), 0);
  ASSERT_TRUE(StartService());
  ASSERT_FALSE(WaitForLunFile().empty()) << "the persistent half of LoginTarget brings the disk back";
  ASSERT_NE(SessionRecord(), nullptr);
  interpreter_->ClearPersistentLoginTable();
  ASSERT_EQ(interpreter_->ReportPersistentLogins(), 0u);
  ASSERT_EQ(interpreter_->persistentLoginTable().size(), 1u);
  const auto& login = interpreter_->persistentLoginTable()[0];
  EXPECT_EQ(FieldText(login.targetPortalAddress), kVbxAddress) << "a complete RemovePersistentTarget line can be made";
  EXPECT_FALSE(FieldText(login.initiatorInstance).empty());

  // The wizard's clean-up: logs out and removes the persistent login.
  WizardState state{};
  CopyBounded(state.targetMac, kIscsiMac);
  RunIscsiCleanup(*interpreter_, state);
  EXPECT_EQ(SessionRecord(), nullptr);
  interpreter_->ClearPersistentLoginTable();
  ASSERT_EQ(interpreter_->ReportPersistentLogins(), 0u);
  EXPECT_TRUE(interpreter_->persistentLoginTable().empty());

  ASSERT_EQ(StopService(), 0);
  ASSERT_TRUE(StartService());
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(SessionRecord(), nullptr) << "nothing comes back after a restart";
}

TEST_F(IscsicliNetTest, RemovePersistentTargetAndLogoutTargetLines) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Run("iscsicli AddTargetPortal 10.77.0.2 3260"), 0u);
  ASSERT_EQ(Run(kLoginLine), 0u);
  interpreter_->ClearPersistentLoginTable();
  ASSERT_EQ(interpreter_->ReportPersistentLogins(), 0u);
  ASSERT_EQ(interpreter_->persistentLoginTable().size(), 1u);
  const auto& p = interpreter_->persistentLoginTable()[0];
  const std::string remove = "iscsicli RemovePersistentTarget " + FieldText(p.initiatorInstance) + " " +
                             FieldText(p.targetName) + " * " + FieldText(p.targetPortalAddress) + " " +
                             std::to_string(p.targetPortalSocket);
  EXPECT_EQ(Run(remove), 0u) << remove << "\n" << out_.str();
  EXPECT_NE(Run(remove), 0u) << "gone already";
  const IscsiSessionRecord* record = SessionRecord();
  ASSERT_NE(record, nullptr) << "removing the persistent login leaves the session";
  EXPECT_EQ(Run("iscsicli LogoutTarget " + FieldText(record->sessionId)), 0u) << out_.str();
  EXPECT_EQ(SessionRecord(), nullptr);
}

}  // namespace
}  // namespace sp::nettest
