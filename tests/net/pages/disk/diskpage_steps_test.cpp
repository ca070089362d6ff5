// The disk profile page against the simulated appliance: what each sub-step
// shows with one, two and no disks, and what the walk through it leaves in
// the state record.
#include <QLabel>

#include "base/text.h"
#include "tests/net/pages/disk/diskpagefixture.h"

namespace sp::test {
namespace {

using diskpage::kRadioBoth;

class DiskPageSteps : public DiskPageTest {};

TEST_F(DiskPageSteps, OneDiskNasOnlyWalk) {
  StartWith(1);
  FreeOnly("EFZ");
  initiator_.installed = false;  // a NAS-only profile never asks for it
  CConfigDlg_HD& page = EnterDiskPage();

  // The disk list: one row of the appliance's disk under the five titles.
  CColorList* list = page.DiskList();
  ASSERT_EQ(list->columnCount(), 5);
  const char* titles[5] = {"Slot", "Manufacture", "Model", "Serial No.", "Capacity"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(list->horizontalHeaderItem(c)->text().toStdString(), titles[c]);
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->CellText(0, 0).toStdString(), "L");
  EXPECT_EQ(list->CellText(0, 1).toStdString(), "WDC");
  EXPECT_EQ(list->CellText(0, 3).toStdString(), "WD-WCAWF1234567");
  EXPECT_EQ(list->CellText(0, 4).toStdString(), "465GB");
  EXPECT_EQ(page.Inventory().diskCount, 1);
  EXPECT_EQ(list->geometry(), QRect(36, 77, 490, 66));
  const int client = 490 - 2 * list->frameWidth();
  EXPECT_EQ(list->columnWidth(0), client * 4 / 50);
  EXPECT_EQ(list->columnWidth(3), client * 15 / 50);

  // Sub-step 1: title, heading, three captions, the first description, the
  // Advanced note; Both ticked.
  EXPECT_EQ(page.CurrentSubStep(), 1);
  EXPECT_NE(Markup(page.TitleLabel()).find("<b>Network share profile</b>"), std::string::npos);
  EXPECT_NE(Markup(page.TitleLabel()).find("color=#3DB4E9"), std::string::npos);
  EXPECT_TRUE(Shows(page, "<B>Select a network share profile</B>"));
  EXPECT_TRUE(Shows(page, "color=white>NAS (Network Shared Folder) only</font>"));
  EXPECT_TRUE(Shows(page, "color=DarkOrange>The VBX-207 supports NAS and iSCSI service concurrently."));
  EXPECT_FALSE(Shows(page, "only provides NAS service"));
  EXPECT_TRUE(Shows(page, "/SETUP/Disk Management"));
  EXPECT_TRUE(page.ServiceRadio(ServiceType::Both)->isChecked());
  EXPECT_EQ(page.ServiceRadio(ServiceType::IscsiOnly)->geometry(), QRect(80, 240, 16, 16));
  EXPECT_TRUE(page.AdvancedButton()->isVisible());
  EXPECT_EQ(page.AdvancedButton()->geometry().topLeft(), QPoint(108, 414));
  EXPECT_FALSE(page.FinishButton()->isVisible());
  EXPECT_FALSE(page.Slider()->isVisible());

  Click(page.ServiceRadio(ServiceType::NasOnly));
  EXPECT_TRUE(Shows(page, "The VBX-207 only provides NAS service."));
  EXPECT_FALSE(Shows(page, "supports NAS and iSCSI service concurrently"));

  // Sub-step 2: one disk reads "Normal (Standard)" and has no RAID 1.
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 2);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(Shows(page, "<B>Select a type</B>"));
  EXPECT_TRUE(Shows(page, ">Normal (Standard)</font>"));
  EXPECT_FALSE(page.LevelRadio(DiskLevel::Raid1)->isVisible());
  EXPECT_TRUE(page.LevelRadio(DiskLevel::Normal)->isVisible());
  EXPECT_FALSE(page.ServiceRadio(ServiceType::Both)->isVisible());
  EXPECT_TRUE(Shows(page, "color=white>EXT3  format"));
  EXPECT_FALSE(page.AdvancedButton()->isVisible());

  // Sub-step 3, NAS only: one list at (150, 185) with its last entry.
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 3);
  EXPECT_FALSE(page.Slider()->isVisible());
  EXPECT_FALSE(page.RatioLabel()->isVisible());
  EXPECT_FALSE(page.IscsiLetterList()->isVisible());
  ASSERT_TRUE(page.NasLetterList()->isVisible());
  EXPECT_EQ(page.NasLetterList()->pos(), QPoint(150, 185));
  EXPECT_EQ(page.NasLetterList()->currentText().toStdString(), "Z:\\");
  EXPECT_TRUE(Shows(page, "<B>Please select a available NAS drive letter :</B>"));
  EXPECT_TRUE(Shows(page, ">NAS volume :</font>"));

  // Sub-step 4: the disk's line and row A; the sizes go into the record now.
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 4);
  EXPECT_TRUE(Shows(page, "<b>WDC, WD-WCAWF1234567, 465 GB</b>"));
  EXPECT_TRUE(Shows(page, "NAS: </font><font face=Arial size=4 color=orange> 465 GB(Standard)</font>"));
  EXPECT_TRUE(Shows(page, "Press <b>NEXT</b> to apply the configuration."));
  EXPECT_EQ(State().nasSizeGb, 465);
  EXPECT_EQ(State().iscsiSizeGb, 0);
  EXPECT_EQ(FieldText(State().nasLevel), "Standard");
  EXPECT_EQ(State().nasSharePercent, 0);  // not before the summary is confirmed

  // Confirmed: the choice, the NAS letter, the final page.
  Next();
  EXPECT_EQ(page.CurrentSubStep(), CConfigDlg_HD::kDoneSubStep);
  EXPECT_EQ(State().nasSharePercent, 100);
  EXPECT_EQ(State().diskLevelCode, 2);
  EXPECT_EQ(FieldText(State().nasDriveLetter), "Z:");
  EXPECT_EQ(FieldText(State().iscsiDriveLetter), "");
  EXPECT_EQ(Wizard().CurrentPageId(), kPageFinal);
  // The final page's sequence was started (here without the services it
  // needs, so it goes straight to its failure text).
  CNetcfgDlg* final = Wizard().FinalPage();
  EXPECT_TRUE(final->WorkerRunning() || final->CurrentLayout() != CNetcfgDlg::Layout::Working);
  EXPECT_EQ(page.Inventory().diskCount, 0);  // the disk records are released
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(initiator_.starts, 0);
  EXPECT_FALSE(Ended());
}

TEST_F(DiskPageSteps, TwoDisksRaid1BothAndTheRatio) {
  StartWith(2);
  FreeOnly("GHKX");
  CConfigDlg_HD& page = EnterDiskPage();
  ASSERT_EQ(page.DiskList()->rowCount(), 2);
  EXPECT_EQ(page.DiskList()->CellText(1, 0).toStdString(), "R");
  EXPECT_EQ(page.DiskList()->CellText(1, 4).toStdString(), "931GB");

  Next();  // Both, initiator running
  ASSERT_EQ(page.CurrentSubStep(), 2);
  EXPECT_TRUE(Shows(page, ">Normal (Standard and JBOD)</font>"));
  EXPECT_TRUE(Shows(page, ">Safe (RAID 1)</font>"));
  ASSERT_TRUE(page.LevelRadio(DiskLevel::Raid1)->isVisible());
  Click(page.LevelRadio(DiskLevel::Raid1));
  EXPECT_TRUE(Shows(page, "color=DarkOrange>Mirror</font>"));
  EXPECT_FALSE(Shows(page, "EXT3"));

  // Sub-step 3: the ratio from the kept 50, the RAID 1 note, two lists.
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 3);
  EXPECT_EQ(page.RatioLabel()->text().toStdString(), "NAS:50% - iSCSI:50%");
  ASSERT_TRUE(page.Slider()->isVisible());
  EXPECT_TRUE(page.Slider()->isEnabled());
  EXPECT_EQ(page.Slider()->minimum(), 1);
  EXPECT_EQ(page.Slider()->maximum(), 99);
  EXPECT_EQ(page.Slider()->geometry(), QRect(80, 210, 200, 25));
  EXPECT_TRUE(Shows(page, "The size of RAID 1 format depends on the available capacity."));
  EXPECT_EQ(page.NasLetterList()->pos(), QPoint(350, 330));
  EXPECT_EQ(page.IscsiLetterList()->pos(), QPoint(350, 370));
  page.Slider()->setValue(30);
  EXPECT_EQ(page.RatioLabel()->text().toStdString(), "NAS:30% - iSCSI:70%");

  // Sub-step 4: RAID 1 over the smaller disk, the same rows under both.
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 4);
  EXPECT_TRUE(Shows(page, "<b>WDC, WD-WCAV51234567, 931 GB</b>"));
  EXPECT_EQ(State().nasSizeGb, 139);
  EXPECT_EQ(State().iscsiSizeGb, 326);
  EXPECT_EQ(FieldText(State().iscsiLevel), "RAID 1");
  const auto shown = ShownTexts(page);
  EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                          [](const std::string& m) { return m.find(">326 GB(RAID 1)") != std::string::npos; }),
            2);

  // Another ratio after a first visit rewrites the sizes.
  Back();
  ASSERT_EQ(page.CurrentSubStep(), 3);
  page.Slider()->setValue(60);
  Next();
  EXPECT_EQ(State().nasSizeGb, 279);
  EXPECT_EQ(State().iscsiSizeGb, 186);

  Next();
  EXPECT_EQ(State().nasSharePercent, 60);
  EXPECT_EQ(State().diskLevelCode, 4);
  EXPECT_EQ(FieldText(State().nasDriveLetter), "K:");
  EXPECT_EQ(FieldText(State().iscsiDriveLetter), "X:");
  EXPECT_EQ(Wizard().CurrentPageId(), kPageFinal);
}

TEST_F(DiskPageSteps, TwoDisksNasOnlyOffersJbodAndRaid1) {
  StartWith(2);
  FreeOnly("XYZ");
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::NasOnly));
  Next();
  ASSERT_EQ(page.CurrentSubStep(), 2);
  EXPECT_TRUE(Shows(page, ">Normal (JBOD)</font>"));
  EXPECT_TRUE(Shows(page, ">Safe (RAID 1)</font>"));
  // Shown again, the first description comes back whatever is ticked.
  Click(page.LevelRadio(DiskLevel::Raid1));
  Back();
  EXPECT_TRUE(Shows(page, "supports NAS and iSCSI service concurrently"));  // sub-step 1, NasOnly still ticked
  EXPECT_TRUE(page.ServiceRadio(ServiceType::NasOnly)->isChecked());
  Next();
  EXPECT_TRUE(Shows(page, "EXT3  format"));
  EXPECT_TRUE(page.LevelRadio(DiskLevel::Raid1)->isChecked());
  NextTo(4);
  // RAID 1 stayed ticked: NAS mirrored over the smaller disk.
  EXPECT_EQ(State().nasSizeGb, 465);
  EXPECT_EQ(FieldText(State().nasLevel), "RAID 1");
  Back();
  Back();
  Click(page.LevelRadio(DiskLevel::Normal));
  NextTo(4);
  // Normal: NAS over both disks as JBOD.
  EXPECT_EQ(State().nasSizeGb, 465 + 931);
  EXPECT_EQ(FieldText(State().nasLevel), "JBOD");
  Next();
  EXPECT_EQ(State().diskLevelCode, 2);
  EXPECT_EQ(State().nasSharePercent, 100);
}

TEST_F(DiskPageSteps, IscsiOnlyUsesTheIscsiList) {
  StartWith(1);
  FreeOnly("EFZ");
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::IscsiOnly));
  NextTo(3);
  EXPECT_FALSE(page.NasLetterList()->isVisible());
  ASSERT_TRUE(page.IscsiLetterList()->isVisible());
  EXPECT_EQ(page.IscsiLetterList()->pos(), QPoint(150, 185));
  EXPECT_EQ(page.IscsiLetterList()->currentText().toStdString(), "Z:\\");
  EXPECT_TRUE(Shows(page, ">iSCSI Volume</font>"));
  page.IscsiLetterList()->setCurrentIndex(1);
  NextTo(4);
  EXPECT_EQ(State().iscsiSizeGb, 465);
  EXPECT_EQ(State().nasSizeGb, 0);
  Next();
  EXPECT_EQ(State().nasSharePercent, 0);
  EXPECT_EQ(FieldText(State().iscsiDriveLetter), "F:");
  EXPECT_EQ(FieldText(State().nasDriveLetter), "");
}

TEST_F(DiskPageSteps, NoDiskOffersOnlyFinish) {
  StartWith(0);
  CConfigDlg_HD& page = EnterDiskPage();
  EXPECT_EQ(page.Inventory().diskCount, 0);
  EXPECT_EQ(page.DiskList()->rowCount(), 0);
  EXPECT_TRUE(Shows(page, "There is no Hard disk installed. Please press [Finish] to complete this setting wizard."));
  EXPECT_TRUE(Shows(page, "/SETUP/Disk Management"));
  for (auto s : {ServiceType::Both, ServiceType::NasOnly, ServiceType::IscsiOnly}) {
    EXPECT_FALSE(page.ServiceRadio(s)->isVisible());
  }
  EXPECT_FALSE(page.NextButton()->isEnabled());
  EXPECT_FALSE(page.CancelButton()->isVisible());
  EXPECT_TRUE(page.AdvancedButton()->isVisible());
  ASSERT_TRUE(page.FinishButton()->isVisible());
  EXPECT_EQ(page.FinishButton()->geometry().topLeft(), QPoint(449, 413));
  EXPECT_EQ(page.FinishButton()->text().toStdString(), "Finish");

  Click(page.FinishButton());
  ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
  EXPECT_EQ(finished_.front(), -1);
  EXPECT_EQ(State().nasSharePercent, 0);
  EXPECT_EQ(State().nasSizeGb, 0);
  EXPECT_EQ(FieldText(State().nasDriveLetter), "");
}

TEST_F(DiskPageSteps, BackFromTheFirstSubStepReturnsToTheNetworkSubStep) {
  StartWith(1);
  CConfigDlg_HD& page = EnterDiskPage();
  Next();
  Back();
  ASSERT_EQ(page.CurrentSubStep(), 1);
  Back();
  EXPECT_EQ(Wizard().CurrentPageId(), kPageConfig);
  EXPECT_EQ(Wizard().ConfigPage()->CurrentSubStep(), 5);
  EXPECT_EQ(page.CurrentSubStep(), 1);
  EXPECT_FALSE(Ended());
}

TEST_F(DiskPageSteps, CancelEndsTheWizard) {
  StartWith(2);
  CConfigDlg_HD& page = EnterDiskPage();
  NextTo(3);
  Click(page.CancelButton());
  ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
  EXPECT_EQ(finished_.front(), -1);
  EXPECT_EQ(page.Inventory().diskCount, 0);
  EXPECT_EQ(State().nasSharePercent, 0);
}

}  // namespace
}  // namespace sp::test
