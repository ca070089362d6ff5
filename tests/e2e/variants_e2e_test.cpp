// Other roads through the whole wizard: one service only, one disk, a
// password the appliance refuses once, an appliance that falls silent after
// the commit.
#include <filesystem>

#include "base/text.h"
#include "pages/config/cipaddressctrl.h"
#include "tests/e2e/wizardrunfixture.h"
#include "tests/net/harness/runcommand.h"
#include "uikit/choverbuttonex.h"
#include "uikit/ctransradio.h"

namespace sp::e2e {
namespace {

namespace fs = std::filesystem;

class VariantTest : public WizardRunTest {
 protected:
  void WalkToDiskPage() {
    ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
    ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
    ASSERT_TRUE(W().FillIdentity());
    ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
  }
  // The summary's rows after the title and "VBX-207 Information".
  std::vector<std::string> SummaryRows() {
    std::vector<std::string> texts = FinalTexts();
    if (texts.size() >= 2) texts.erase(texts.begin(), texts.begin() + 2);
    return texts;
  }
  bool MountedAt(char lower) {
    std::string table;
    nettest::RunCommand({"findmnt", "-n", "-o", "TARGET", Letter(lower)}, &table);
    return table == Letter(lower) + "\n";
  }
  void IgnoreEcho(bool on) {
    ASSERT_EQ(nettest::RunCommand({"ip", "netns", "exec", net().vbx(), "sysctl", "-qw",
                                   std::string("net.ipv4.icmp_echo_ignore_all=") + (on ? "1" : "0")}),
              0);
  }
};

TEST_F(VariantTest, NasOnlyMapsTheShareAndAttachesNothing) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  Choices().service = ServiceType::NasOnly;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(WalkDiskPageAndFinish());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);

  EXPECT_EQ(Appliance()["last_payload"]["8"], "6402") << "command 8: NAS 100 %, level 2";
  ExpectShareAt('Y');
  EXPECT_TRUE(DeviceAt('X').empty());
  EXPECT_FALSE(fs::exists(LunFile())) << "no iSCSI session without an iSCSI part";
  EXPECT_EQ(Opened(), "") << "no drive of ours to open";
  EXPECT_STREQ(Wizard().State().explorerCommandLine, "");
  const std::vector<std::string> rows = {
      "Device time: (GMT+01:00) Amsterdam, Berlin, Bern, Rome",
      "Device IP address: 10.77.0.50",
      "Webpage login password: vault42",
      "NAS shared folder path: Y: (Volume1)",
      "NAS size: 1396 GB",
      "NAS level: JBOD",
  };
  EXPECT_EQ(SummaryRows(), rows);
}

TEST_F(VariantTest, IscsiOnlyAttachesTheVolumeAndMapsNoShare) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_NO_FATAL_FAILURE(WalkDiskPageAndFinish());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);

  EXPECT_EQ(Appliance()["last_payload"]["8"], "0002") << "command 8: NAS 0 %, level 2";
  ExpectIscsiVolumeAt('X');
  EXPECT_FALSE(MountedAt('y'));
  EXPECT_FALSE(fs::exists(ShareFolder())) << "the appliance serves no share";
  EXPECT_EQ(Opened(), Letter('x') + "\n");
  const std::vector<std::string> rows = {
      "Device time: (GMT+01:00) Amsterdam, Berlin, Bern, Rome",
      "Device IP address: 10.77.0.50",
      "Webpage login password: vault42",
      "iSCSI shared folder path: X:",
      "iSCSI size: 1396 GB",
      "iSCSI level: JBOD",  // Normal over two disks
  };
  EXPECT_EQ(SummaryRows(), rows);
}

TEST_F(VariantTest, OneDiskOffersNoMirrorAndSplitsIt) {
  ASSERT_NO_FATAL_FAILURE(StartWith(1));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDiskPage());
  ASSERT_TRUE(W().WaitForDiskPage());
  EXPECT_EQ(Disk().Inventory().diskCount, 1);
  ASSERT_TRUE(W().ChooseService());
  EXPECT_TRUE(Disk().LevelRadio(DiskLevel::Normal)->isVisible());
  EXPECT_FALSE(Disk().LevelRadio(DiskLevel::Raid1)->isVisible()) << "nothing to mirror on one disk";
  ASSERT_TRUE(W().ChooseLevel());
  ASSERT_TRUE(W().ChooseRatioAndLetters());
  ASSERT_TRUE(W().Confirm());
  ASSERT_TRUE(W().WaitForEnd(300000));
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);
  EXPECT_TRUE(T().messages().empty()) << T().messages().front();

  EXPECT_EQ(Appliance()["last_payload"]["8"], "4602");
  ExpectIscsiVolumeAt('X');
  ExpectShareAt('Y');
  const std::vector<std::string> rows = {
      "Device time: (GMT+01:00) Amsterdam, Berlin, Bern, Rome",
      "Device IP address: 10.77.0.50",
      "Webpage login password: vault42",
      "NAS shared folder path: Y: (Volume1)",
      "NAS size: 325 GB",
      "NAS level: Standard",
      "iSCSI shared folder path: X:",
      "iSCSI size: 140 GB",
      "iSCSI level: Standard",
  };
  EXPECT_EQ(SummaryRows(), rows);
}

TEST_F(VariantTest, RefusedPasswordSaysSoAndTheRightOneGoesOn) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2, "password=secret9"));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  ASSERT_TRUE(W().ChooseDevice());
  // The factory password no longer opens it.
  EXPECT_FALSE(W().LogInWith(""));
  ASSERT_EQ(T().messages(), std::vector<std::string>{"Incorrect password!"});
  EXPECT_EQ(Config().CurrentSubStep(), kStepLogin);
  EXPECT_EQ(Appliance()["logins"]["rejected"], 1);
  EXPECT_TRUE(Config().NextButton()->isEnabled() && Config().BackButton()->isEnabled());

  T().ClearMessages();
  ASSERT_TRUE(W().LogInWith("secret9"));
  EXPECT_TRUE(T().messages().empty());
  EXPECT_EQ(Appliance()["logins"]["accepted"], 1);
  EXPECT_EQ(Appliance()["last_payload"]["7"],
            "21232f297a57a5a743894a0e4a801fc3"   // MD5("admin")
            "69bd6d5ce8a549832ce03561a32fefe2")  // MD5("secret9")
  ;
  ASSERT_TRUE(W().NewPassword());
  EXPECT_EQ(Appliance()["password"], "vault42");
}

TEST_F(VariantTest, ApplianceSilentAfterTheCommitKeepsTheNetworkStepUntilItAnswers) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
  ASSERT_TRUE(W().FillIdentity());
  // After the commit the appliance answers nothing, not even an echo.
  ASSERT_TRUE(Sim().SetFault({.kind = "silent_after_commit"}));
  ASSERT_NO_FATAL_FAILURE(IgnoreEcho(true));
  EXPECT_FALSE(W().ApplyIdentity());
  ASSERT_EQ(T().messages(), std::vector<std::string>{"Change target setting failed !"});
  EXPECT_EQ(Wizard().CurrentPageId(), kPageConfig);
  EXPECT_EQ(Config().CurrentSubStep(), kStepNetwork);
  EXPECT_EQ(Config().AddressField(kCtlIpAddress)->Text(), "10.77.0.50") << "what was typed stays";
  EXPECT_EQ(Appliance()["commit_count"], 1);
  EXPECT_TRUE(Config().NextButton()->isEnabled() && Config().BackButton()->isEnabled());

  // Back again: Next sends the whole sequence once more and goes on.
  ASSERT_TRUE(Sim().ClearFaults());
  ASSERT_NO_FATAL_FAILURE(IgnoreEcho(false));
  T().ClearMessages();
  ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
  EXPECT_EQ(Appliance()["commit_count"], 2);
  EXPECT_EQ(Appliance()["identity"]["ip"], "10.77.0.50");
  ASSERT_TRUE(W().WaitForDiskPage());
  EXPECT_EQ(Disk().Inventory().diskCount, 2) << "the disk profile page reached the appliance";
}

}  // namespace
}  // namespace sp::e2e
