// What the final page says when the appliance, its iSCSI target, its share
// server or the PC's initiator service lets the run down, and that nothing
// half-made of ours stays behind: each fault made by the simulator (or done
// to the initiator service) at its moment in a whole run.
#include <signal.h>
#include <sys/mount.h>

#include <QTest>
#include <filesystem>
#include <fstream>

#include "platform/filebookmarks.h"
#include "tests/e2e/wizardrunfixture.h"

namespace sp::e2e {
namespace {

namespace fs = std::filesystem;

// Failure text 171 as the page shows it.
constexpr char kFailureText[] =
    "The wizard has experienced some problems when attempting to map your drives. Please restart your computer and "
    "try again. Thank You.";
constexpr char kNotAttachedPrefix[] = "The iSCSI volume could not be attached: ";

class OutcomeTest : public WizardRunTest {
 protected:
  void WalkToDiskPage() {
    ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
    ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
    ASSERT_TRUE(W().FillIdentity());
    ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
  }
  // The disk page's sub-steps; the final page starts.
  void Confirm() {
    ASSERT_TRUE(W().WaitForDiskPage());
    ASSERT_TRUE(W().ChooseService());
    ASSERT_TRUE(W().ChooseLevel());
    ASSERT_TRUE(W().ChooseRatioAndLetters());
    ASSERT_TRUE(W().Confirm());
  }
  void End() { ASSERT_TRUE(W().WaitForEnd(300000)) << "the final page did not end"; }
  // The texts after the title.
  std::vector<std::string> Shown() {
    std::vector<std::string> texts = FinalTexts();
    if (!texts.empty()) texts.erase(texts.begin());
    return texts;
  }
  // No loop device over a LUN, no persistent login: the failed attach took
  // back what it made.
  void ExpectAttachTakenBack() {
    EXPECT_TRUE(LoopsOverLuns().empty()) << LoopsOverLuns().front();
    EXPECT_TRUE(PersistentTargets().empty()) << PersistentTargets().front();
    EXPECT_EQ(DeviceAt('X'), "");
  }
  bool LunAppeared() { return fs::exists(LunFile()); }
};

TEST_F(OutcomeTest, ShareServerDownEndsOnTheFailureTextAndNamesTheVolumeThatIsReady) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_TRUE(Sim().SetServed(kMac, true, false));
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  EXPECT_EQ(Shown(), (std::vector<std::string>{kFailureText, "The iSCSI volume is ready at X:."}));
  ExpectIscsiVolumeAt('X');
  EXPECT_TRUE(DeviceAt('Y').empty());
  // The report says what went on, passwords left out; the drive that was
  // made is among the file manager's places.
  const std::string report = ReportText();
  EXPECT_NE(report.find("command 8 to"), std::string::npos);
  EXPECT_NE(report.find("bytes blanked]"), std::string::npos);
  EXPECT_NE(report.find("iSCSI attach attempt 1: attached at X:"), std::string::npos);
  EXPECT_NE(report.find("shared folder not mapped"), std::string::npos);
  EXPECT_EQ(report.find(W().choices().newPassword.toStdString()), std::string::npos);
  std::ifstream places(GtkPlacesFile());
  std::string line;
  std::getline(places, line);
  EXPECT_EQ(line, FileUri(Letter('x')) + " " + W().choices().name.toStdString() + " (X:)");
}

TEST_F(OutcomeTest, TryAgainMapsTheShareOnceTheAgentIsBackWithoutASecondFormat) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  StopAgent();
  ASSERT_NO_FATAL_FAILURE(Confirm());
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  ASSERT_TRUE(Final().BackButton()->isVisible()) << "Try again";
  const auto formats = [this] { return Sim().Appliance(kMac)["counts"].value("8", 0); };
  const int formatted = formats();
  EXPECT_GE(formatted, 1);

  ASSERT_NO_FATAL_FAILURE(StartAgent());
  QTest::mouseClick(Final().BackButton(), Qt::LeftButton);
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);
  EXPECT_FALSE(Final().BackButton()->isVisible());
  EXPECT_EQ(formats(), formatted) << "no second format";
  ExpectIscsiVolumeAt('X');
  ExpectShareAt('Y');
}

TEST_F(OutcomeTest, TargetThatNeverAppearsKeepsTheShareAndSaysWhyTheVolumeIsMissing) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_TRUE(Sim().SetServed(kMac, false, true));
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);
  const std::vector<std::string> texts = Shown();
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(texts[4], "NAS shared folder path: Y: (Volume1)");
  EXPECT_EQ(texts[7], "iSCSI volume: not attached (no iSCSI target answered at the VBX-207)");
  ExpectShareAt('Y');
  ExpectAttachTakenBack();
  EXPECT_EQ(Opened(), "") << "no drive of ours to open";
}

TEST_F(OutcomeTest, ChosenLetterTakenMeanwhileIsSaidAndBothVolumesStayWhereTheyAre) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  // While the appliance formats, something else takes X:.
  fs::create_directories(Letter('x'));
  ASSERT_EQ(mount("tmpfs", Letter('x').c_str(), "tmpfs", 0, "size=1m"), 0);
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary) << "the share was mapped";
  const std::vector<std::string> texts = Shown();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "iSCSI volume: not attached (drive X: is already in use)");
  EXPECT_EQ(DeviceAt('X'), "tmpfs") << "the other volume keeps its letter";
  EXPECT_TRUE(LoopsOverLuns().empty());
  EXPECT_TRUE(PersistentTargets().empty());
  EXPECT_EQ(DriveMounts(), (std::vector<std::string>{Letter('x'), Letter('y')}));
  umount2(Letter('x').c_str(), MNT_DETACH);
}

TEST_F(OutcomeTest, TargetThatGoesAwayMidAttachLeavesNothingHalfAttached) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  ASSERT_TRUE(RunUntil([&] { return LunAppeared(); }, 120000)) << "the LUN never came";
  // The target goes while the initiator holds the attach still.
  const pid_t service = Initiator()->pid();
  kill(service, SIGSTOP);
  const bool removed = Sim().RemoveTarget(kMac);
  kill(service, SIGCONT);
  ASSERT_TRUE(removed);
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  const std::vector<std::string> texts = Shown();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], kFailureText);
  EXPECT_EQ(texts[1].rfind(kNotAttachedPrefix, 0), 0u) << texts[1];
  ExpectAttachTakenBack();
  EXPECT_TRUE(DriveMounts().empty());
}

TEST_F(OutcomeTest, InitiatorServiceKilledMidAttachIsNamedAndNothingOfOursStays) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  ASSERT_TRUE(RunUntil([&] { return LunAppeared(); }, 120000)) << "the LUN never came";
  kill(Initiator()->pid(), SIGKILL);
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  EXPECT_EQ(Shown(), (std::vector<std::string>{
                         kFailureText, std::string(kNotAttachedPrefix) + "this PC's iSCSI service is not running."}));
  EXPECT_TRUE(LoopsOverLuns().empty());
  EXPECT_TRUE(DriveMounts().empty());
}

TEST_F(OutcomeTest, ApplianceSilentOnceTheFormatStartedIsSaidAfterTheWaitingLine) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  FinalPage().silentPolls = 3;
  ASSERT_TRUE(Sim().SetFault({.kind = "silent_after_format"}));
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  CHTMLStatic* waiting = Final().Label(CNetcfgDlg::kWaitingLabelId);
  ASSERT_TRUE(RunUntil([&] { return waiting->isVisible(); }, 60000));
  EXPECT_EQ(FinalTexts().back(), "Waiting for the VBX-207 to report its progress...");
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  EXPECT_EQ(Shown(),
            (std::vector<std::string>{kFailureText, "The VBX-207 stopped answering while it formatted its disks."}));
  // Nothing was set up over a format that never finished.
  EXPECT_FALSE(LunAppeared());
  EXPECT_TRUE(DriveMounts().empty());
  EXPECT_EQ(Opened(), "");
}

TEST_F(OutcomeTest, ApplianceRestartingMidFormatEndsTheRunOnWhatHappened) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(Confirm());
  // Once it reported some progress (the bar above 11), it restarts.
  ASSERT_TRUE(RunUntil([&] { return Final().ProgressBar()->value() > 15; }, 120000));
  ASSERT_TRUE(Sim().Restart(kMac, 1500));
  ASSERT_NO_FATAL_FAILURE(End());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Failure);
  EXPECT_EQ(Shown(),
            (std::vector<std::string>{kFailureText,
                                      "The VBX-207 restarted while it formatted its disks, so they were not set up."}));
  EXPECT_EQ(Appliance()["restarts"], 1);
  EXPECT_TRUE(DriveMounts().empty());
}

}  // namespace
}  // namespace sp::e2e
