// The disk profile page's drive letter lists, its initiator gate, the
// Advanced button and its keys, the question before erasing an appliance
// set up before, against the simulated appliance.
#include <QKeyEvent>

#include "base/text.h"
#include "platform/appliancememory.h"
#include "tests/net/pages/disk/diskpagefixture.h"

namespace sp::test {
namespace {

using V = std::vector<std::string>;

class DiskPageChoices : public DiskPageTest {};

TEST_F(DiskPageChoices, FreeLettersAndTheKeptChoices) {
  StartWith(2);
  FreeOnly("EFGZ");
  // G: is remembered for a share that is not connected: not offered.
  connections_.entries['G'] = {"\\\\old\\Volume1", true, false};
  CConfigDlg_HD& page = EnterDiskPage();
  NextTo(3);
  EXPECT_EQ(Entries(page.NasLetterList()), (V{"E:\\", "F:\\", "Z:\\"}));
  EXPECT_EQ(Entries(page.IscsiLetterList()), (V{"E:\\", "F:\\", "Z:\\"}));
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "F:\\");
  EXPECT_EQ(page.IscsiLetterList()->currentText().toStdString(), "Z:\\");

  // The share and the volume on one letter: said, and the page stays.
  page.NasLetterList()->setCurrentIndex(2);
  Next();
  EXPECT_EQ(page.CurrentSubStep(), 3);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            "The NAS and the iSCSI volume cannot use the same drive letter. Please choose another one.");

  // Z:\ for NAS survives Back and Next.
  page.IscsiLetterList()->setCurrentIndex(1);
  Next();
  EXPECT_EQ(page.CurrentSubStep(), 4);
  EXPECT_EQ(page.KeptNasLetterIndex(), 2);
  Back();
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "Z:\\");
  Back();
  Next();
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "Z:\\");

  // E:\ (the first entry) is no choice: F:\ comes back. Back keeps too.
  page.NasLetterList()->setCurrentIndex(0);
  Back();
  EXPECT_EQ(page.KeptNasLetterIndex(), 0);
  Next();
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "F:\\");

  // A kept index past the end of a shorter list is dropped: Z: is taken
  // meanwhile, so the list is two long and the kept NAS index 2 is out.
  page.IscsiLetterList()->setCurrentIndex(1);
  page.NasLetterList()->setCurrentIndex(2);
  Back();
  storage_.MountOutside("/dev/fakez", 'Z');
  Next();
  EXPECT_EQ(Entries(page.NasLetterList()), (V{"E:\\", "F:\\"}));
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "E:\\");    // next-to-last
  EXPECT_EQ(page.IscsiLetterList()->currentText().toStdString(), "F:\\");  // kept 1

  NextTo(4);
  Next();
  EXPECT_EQ(FieldText(State().nasDriveLetter), "E:");
  EXPECT_EQ(FieldText(State().iscsiDriveLetter), "F:");
}

TEST_F(DiskPageChoices, OneFreeLetterLeavesTheNasListEmptyWithBoth) {
  StartWith(1);
  FreeOnly("Q");
  CConfigDlg_HD& page = EnterDiskPage();
  NextTo(3);
  EXPECT_EQ(page.NasLetterList()->currentIndex(), -1);
  EXPECT_EQ(page.IscsiLetterList()->currentText().toStdString(), "Q:\\");
  NextTo(4);
  Next();
  EXPECT_EQ(FieldText(State().nasDriveLetter), "");
  EXPECT_EQ(FieldText(State().iscsiDriveLetter), "Q:");
  EXPECT_EQ(State().nasSharePercent, 50);
}

TEST_F(DiskPageChoices, GateStartsAStoppedInitiator) {
  StartWith(1);
  initiator_.running = false;
  CConfigDlg_HD& page = EnterDiskPage();
  Next();
  EXPECT_EQ(page.CurrentSubStep(), 2);
  EXPECT_EQ(initiator_.starts, 1);
  EXPECT_TRUE(initiator_.IsRunning());
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(DiskPageChoices, GateOffersTheInstallerWhenTheInitiatorIsMissing) {
  StartWith(1);
  initiator_.installed = false;
  launcher_.programs = {"pkexec", "x-terminal-emulator"};
  messages_.answers = {MessageResult::Yes, MessageResult::Yes};
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::IscsiOnly));
  Next();
  // Asked, installer started, still missing: the page stays.
  EXPECT_EQ(page.CurrentSubStep(), 1);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(messages_.shown[0].text.rfind("iSCSI service is not installed. Please install", 0), 0u);
  EXPECT_NE(messages_.shown[0].text.find("\n\nPress [Yes]"), std::string::npos);
  ASSERT_EQ(launcher_.started.size(), 1u);
  const std::string installer = ProgramDir() + "/resource/install-iscsi-initiator.sh";
  EXPECT_EQ(launcher_.started[0].back(), installer);
  EXPECT_TRUE(page.NextButton()->isEnabled());

  // Yes again while the installer runs: it is not started twice.
  Next();
  EXPECT_EQ(page.CurrentSubStep(), 1);
  EXPECT_EQ(messages_.shown.size(), 2u);
  EXPECT_EQ(launcher_.started.size(), 1u);

  // Installed meanwhile: the next Next passes without asking.
  initiator_.installed = true;
  Next();
  EXPECT_EQ(page.CurrentSubStep(), 2);
  EXPECT_EQ(messages_.shown.size(), 2u);
  EXPECT_FALSE(Ended());
}

TEST_F(DiskPageChoices, LeavingNeedsTheServicesPermissionAndARefusalChangesNothing) {
  StartWith(1);
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::IscsiOnly));
  NextTo(4);
  ASSERT_EQ(initiator_.setupRequests, 0);
  const std::pair<SetupPermission, std::string> refusals[] = {
      {SetupPermission::Refused,
       "Setting up the drives on this PC needs an administrator's permission, which was not given. Nothing has "
       "been changed."},
      {SetupPermission::OtherUserSetup,
       "Another user on this PC is setting up an appliance. Try again when they have finished."}};
  for (const auto& [answer, text] : refusals) {
    initiator_.setupAnswer = answer;
    Next();
    ASSERT_EQ(messages_.shown.size(), static_cast<std::size_t>(initiator_.setupRequests));
    EXPECT_EQ(messages_.shown.back().text, text);
    EXPECT_EQ(messages_.shown.back().buttons, MessageButtons::Ok);
    EXPECT_EQ(Wizard().CurrentPageId(), kPageDisk);
    EXPECT_EQ(page.CurrentSubStep(), 4);
    EXPECT_TRUE(page.NextButton()->isEnabled());
    EXPECT_EQ(FieldText(State().iscsiDriveLetter), "");  // the choice is not taken
  }
  initiator_.setupAnswer = SetupPermission::Granted;
  Next();
  EXPECT_EQ(Wizard().CurrentPageId(), kPageFinal);
  EXPECT_TRUE(initiator_.holdsSetup);
  EXPECT_EQ(messages_.shown.size(), 2u);
}

TEST_F(DiskPageChoices, FormatOfAnApplianceSetUpBeforeWaitsForAnExplicitOk) {
  StartWith(1);
  const ApplianceMemory memory(net().scratchDir() + "/state/setuppilot/appliances");
  ASSERT_TRUE(memory.Remember({mac_, "VBX-207", "10.77.0.2", "2026-11-30", "NAS 465 GB Normal"}));
  services_.diskPage.applianceMemory = &memory;
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::NasOnly));
  NextTo(4);
  ASSERT_TRUE(messages_.shown.empty());

  // Cancel: the page stays, so the final page never sends the format.
  messages_.answers = {MessageResult::Cancel};
  Next();
  ASSERT_EQ(messages_.shown.size(), 1u);
  const std::string& question = messages_.shown[0].text;
  EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_NE(question.find("VBX-207 (" + mac_ + ") was set up from this PC on 2026-11-30"), std::string::npos)
      << question;
  EXPECT_EQ(page.CurrentSubStep(), 4);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageDisk);

  messages_.answers = {MessageResult::Ok};
  Next();
  EXPECT_EQ(messages_.shown.size(), 2u);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageFinal);
  EXPECT_EQ(State().nasSizeGb, 465);
}

TEST_F(DiskPageChoices, AnApplianceOfferingVolumesWithoutANoteIsAskedForWithoutADay) {
  StartWith(1);
  std::string askedFor;
  services_.diskPage.holdsVolumes = [&](const WizardState& s) { return (askedFor = s.targetMac), true; };
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::NasOnly));
  NextTo(4);
  messages_.answers = {MessageResult::Cancel};
  Next();
  EXPECT_EQ(askedFor, mac_);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_NE(messages_.shown[0].text.find("(" + mac_ + ") already offers an iSCSI volume"), std::string::npos);
  EXPECT_NE(messages_.shown[0].text.find("on a date this PC does not know"), std::string::npos);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageDisk);
}

TEST_F(DiskPageChoices, NoToTheInstallerEndsTheWizardAndClosesIt) {
  StartWith(2);
  initiator_.installed = false;
  const std::string installer = ProgramDir() + "/resource/install-iscsi-initiator.sh";
  launcher_.AddRunning({"xterm", "-e", "pkexec", "/bin/sh", installer});
  messages_.answers = {MessageResult::No};
  CConfigDlg_HD& page = EnterDiskPage();
  Next();
  ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
  EXPECT_EQ(finished_.front(), -1);
  EXPECT_EQ(launcher_.terminated.size(), 1u);
  EXPECT_TRUE(launcher_.running.empty());
  EXPECT_EQ(page.CurrentSubStep(), 1);
  EXPECT_EQ(State().nasSharePercent, 0);
}

TEST_F(DiskPageChoices, AdvancedOpensTheWebPagesAndEndsTheWizard) {
  StartWith(1);
  CConfigDlg_HD& page = EnterDiskPage();
  EXPECT_EQ(page.AdvancedButton()->text().toStdString(), "Advanced");
  Click(page.AdvancedButton());
  ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
  EXPECT_EQ(finished_.front(), -1);
  EXPECT_EQ(desktop_.links, std::vector<std::u16string>{u"http://10.77.0.2"});
}

// Enter or Tab as the user presses it on the focused control.
void PressOn(QWidget* focused, int key) {
  QTest::keyClick(focused, static_cast<Qt::Key>(key));
  QCoreApplication::processEvents();
}

TEST_F(DiskPageChoices, EnterAndTabMoveThroughTheShownRow) {
  StartWith(2);
  FreeOnly("EFZ");
  CConfigDlg_HD& page = EnterDiskPage();
  Wizard().activateWindow();
  auto* both = page.ServiceRadio(ServiceType::Both);
  auto* nas = page.ServiceRadio(ServiceType::NasOnly);
  auto* iscsi = page.ServiceRadio(ServiceType::IscsiOnly);
  ASSERT_EQ(QApplication::focusWidget(), both);
  PressOn(both, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), nas);
  PressOn(nas, Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), iscsi);
  PressOn(iscsi, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), both);  // wrapped
  EXPECT_TRUE(both->isChecked());                // moving does not tick

  // On a control outside the row the key is swallowed.
  page.NextButton()->setFocus();
  PressOn(page.NextButton(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), page.NextButton());
  PressOn(page.NextButton(), Qt::Key_Enter);
  EXPECT_EQ(page.CurrentSubStep(), 1);  // Enter never presses a button

  // Sub-step 3 with Both: slider, (ratio label takes no focus), NAS list,
  // iSCSI list, slider.
  NextTo(3);
  ASSERT_EQ(QApplication::focusWidget(), page.Slider());
  PressOn(page.Slider(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), page.NasLetterList());
  PressOn(page.NasLetterList(), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), page.IscsiLetterList());
  PressOn(page.IscsiLetterList(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), page.Slider());
}

}  // namespace
}  // namespace sp::test
