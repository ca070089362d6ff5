#include "pages/disk/core/diskprofile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "tests/pages/disk/diskrecords.h"

namespace sp {
namespace {

using disktest::InventoryOf;

constexpr VolumeKind kNas = VolumeKind::Nas;
constexpr VolumeKind kIscsi = VolumeKind::Iscsi;

PortionLine Line(VolumeKind v, LevelTag t, int gb, bool blank) { return PortionLine{v, gb, t, blank}; }

std::string Text(const char* levelText) { return levelText ? levelText : "<unchanged>"; }

TEST(PortionLine, MarkupsAreExactlyTheTwelveForms) {
  const std::string nasHead = "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=orange>";
  const std::string iscsiHead =
      "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=orange>";
  struct Case {
    VolumeKind v;
    LevelTag t;
    bool blank;
    std::string expected;
  } cases[] = {
      {kNas, LevelTag::Standard, true, nasHead + " 465 GB(Standard)</font>"},
      {kNas, LevelTag::Standard, false, nasHead + "465 GB(Standard)</font>"},
      {kNas, LevelTag::Jbod, true, nasHead + " 465 GB(JBOD)</font>"},
      {kNas, LevelTag::Jbod, false, nasHead + "465 GB(JBOD)</font>"},
      {kNas, LevelTag::Raid1, true, nasHead + " 465 GB(RAID 1)</font>"},
      {kNas, LevelTag::Raid1, false, nasHead + "465 GB(RAID 1)</font>"},
      {kIscsi, LevelTag::Standard, true, iscsiHead + " 465 GB(Standard)</font>"},
      {kIscsi, LevelTag::Standard, false, iscsiHead + "465 GB(Standard)</font>"},
      {kIscsi, LevelTag::Jbod, true, iscsiHead + " 465 GB(JBOD)</font>"},
      {kIscsi, LevelTag::Jbod, false, iscsiHead + "465 GB(JBOD)</font>"},
      {kIscsi, LevelTag::Raid1, true, iscsiHead + " 465 GB(RAID 1)</font>"},
      {kIscsi, LevelTag::Raid1, false, iscsiHead + "465 GB(RAID 1)</font>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Line(c.v, c.t, 465, c.blank).Markup(), c.expected);
  EXPECT_EQ(Line(kNas, LevelTag::Jbod, -3, false).Markup("white"),
            "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=white>-3 GB(JBOD)</font>");
}

TEST(DiskLevel, CaptionsAndCodes) {
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Normal, 1, ServiceType::Both), 143);
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Normal, 1, ServiceType::NasOnly), 143);
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Normal, 2, ServiceType::Both), 141);
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Normal, 2, ServiceType::NasOnly), 142);
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Normal, 2, ServiceType::IscsiOnly), 142);
  EXPECT_EQ(DiskLevelCaptionId(DiskLevel::Raid1, 2, ServiceType::Both), 144);
  EXPECT_EQ(DiskLevelCode(DiskLevel::Normal), 2);
  EXPECT_EQ(DiskLevelCode(DiskLevel::Raid1), 4);
  EXPECT_EQ(ServiceCaptionId(ServiceType::IscsiOnly), 140);
}

TEST(ComputeDiskProfile, OneDisk) {
  const DiskInventory one = InventoryOf(931);
  DiskProfile p = ComputeDiskProfile(one, ServiceType::Both, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 465);
  EXPECT_EQ(p.iscsiSizeGb, 466);
  EXPECT_EQ(Text(p.nasLevelText), "Standard");
  EXPECT_EQ(Text(p.iscsiLevelText), "Standard");
  EXPECT_EQ(p.nasSharePercent, 50);
  EXPECT_EQ(p.diskLevelCode, 2);
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Standard, 465, true));
  EXPECT_EQ(p.rows[kRowB], Line(kIscsi, LevelTag::Standard, 466, false));
  EXPECT_FALSE(p.rows[kRowC] || p.rows[kRowD]);
  EXPECT_EQ(
      p.rows[kRowA]->Markup(),
      "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=orange> 465 GB(Standard)</font>");
  EXPECT_EQ(
      p.rows[kRowB]->Markup(),
      "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=orange>466 GB(Standard)</font>");

  // The ratio is ignored by a single service, which takes 100 or 0.
  p = ComputeDiskProfile(one, ServiceType::NasOnly, DiskLevel::Normal, 37);
  EXPECT_EQ(p.nasSizeGb, 931);
  EXPECT_EQ(p.iscsiSizeGb, 0);
  EXPECT_EQ(Text(p.nasLevelText), "Standard");
  EXPECT_EQ(Text(p.iscsiLevelText), "<unchanged>");
  EXPECT_EQ(p.nasSharePercent, 100);
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Standard, 931, true));
  EXPECT_FALSE(p.rows[kRowB]);

  p = ComputeDiskProfile(one, ServiceType::IscsiOnly, DiskLevel::Normal, 37);
  EXPECT_EQ(p.nasSizeGb, 0);
  EXPECT_EQ(p.iscsiSizeGb, 931);
  EXPECT_EQ(Text(p.nasLevelText), "<unchanged>");
  EXPECT_EQ(p.nasSharePercent, 0);
  EXPECT_EQ(p.rows[kRowA], Line(kIscsi, LevelTag::Standard, 931, true));

  // One disk has nothing to mirror.
  p = ComputeDiskProfile(one, ServiceType::Both, DiskLevel::Raid1, 50);
  EXPECT_EQ(p.diskLevelCode, 2);
  EXPECT_EQ(Text(p.nasLevelText), "Standard");
}

TEST(ComputeDiskProfile, TwoDisksMirrored) {
  DiskProfile p = ComputeDiskProfile(InventoryOf(465, 931), ServiceType::Both, DiskLevel::Raid1, 30);
  EXPECT_EQ(p.nasSizeGb, 139);
  EXPECT_EQ(p.iscsiSizeGb, 326);
  EXPECT_EQ(Text(p.nasLevelText), "RAID 1");
  EXPECT_EQ(Text(p.iscsiLevelText), "RAID 1");
  EXPECT_EQ(p.diskLevelCode, 4);
  EXPECT_EQ(p.nasSharePercent, 30);
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Raid1, 139, true));
  EXPECT_EQ(p.rows[kRowB], Line(kIscsi, LevelTag::Raid1, 326, false));
  EXPECT_EQ(p.rows[kRowC], Line(kNas, LevelTag::Raid1, 139, false));
  EXPECT_EQ(p.rows[kRowD], Line(kIscsi, LevelTag::Raid1, 326, false));

  // The smaller disk decides, whichever bay it is in.
  p = ComputeDiskProfile(InventoryOf(931, 465), ServiceType::NasOnly, DiskLevel::Raid1, 50);
  EXPECT_EQ(p.nasSizeGb, 465);
  EXPECT_EQ(p.iscsiSizeGb, 0);
  EXPECT_EQ(Text(p.iscsiLevelText), "<unchanged>");
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Raid1, 465, true));
  EXPECT_FALSE(p.rows[kRowB]);
  EXPECT_EQ(p.rows[kRowC], Line(kNas, LevelTag::Raid1, 465, false));
  EXPECT_FALSE(p.rows[kRowD]);

  p = ComputeDiskProfile(InventoryOf(931, 465), ServiceType::IscsiOnly, DiskLevel::Raid1, 50);
  EXPECT_EQ(p.iscsiSizeGb, 465);
  EXPECT_EQ(Text(p.nasLevelText), "<unchanged>");
  EXPECT_EQ(p.rows[kRowC], Line(kIscsi, LevelTag::Raid1, 465, false));
}

TEST(ComputeDiskProfile, TwoDisksSpannedBySingleService) {
  DiskProfile p = ComputeDiskProfile(InventoryOf(300, 100), ServiceType::NasOnly, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 400);
  EXPECT_EQ(p.iscsiSizeGb, 0);
  EXPECT_EQ(Text(p.nasLevelText), "JBOD");
  EXPECT_EQ(Text(p.iscsiLevelText), "<unchanged>");
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Jbod, 300, true));
  EXPECT_FALSE(p.rows[kRowB]);
  EXPECT_EQ(p.rows[kRowC], Line(kNas, LevelTag::Jbod, 100, false));

  p = ComputeDiskProfile(InventoryOf(300, 100), ServiceType::IscsiOnly, DiskLevel::Normal, 50);
  EXPECT_EQ(p.iscsiSizeGb, 400);
  EXPECT_EQ(p.nasSharePercent, 0);
  EXPECT_EQ(Text(p.iscsiLevelText), "JBOD");
  EXPECT_EQ(p.rows[kRowA], Line(kIscsi, LevelTag::Jbod, 300, true));
  EXPECT_EQ(p.rows[kRowC], Line(kIscsi, LevelTag::Jbod, 100, false));
}

TEST(ComputeDiskProfile, TwoDisksSharedTakesTheFirstCaseThatApplies) {
  // Case 1: the NAS share exactly fills the first disk.
  DiskProfile p = ComputeDiskProfile(InventoryOf(500, 500), ServiceType::Both, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 500);
  EXPECT_EQ(p.iscsiSizeGb, 500);
  EXPECT_EQ(Text(p.nasLevelText), "Standard");
  EXPECT_EQ(Text(p.iscsiLevelText), "Standard");
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Standard, 500, true));
  EXPECT_FALSE(p.rows[kRowB]);
  EXPECT_EQ(p.rows[kRowC], Line(kIscsi, LevelTag::Standard, 500, false));
  EXPECT_FALSE(p.rows[kRowD]);

  // Case 2: iSCSI fits on the first disk, NAS spans the rest.
  p = ComputeDiskProfile(InventoryOf(300, 100), ServiceType::Both, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 200);
  EXPECT_EQ(p.iscsiSizeGb, 200);
  EXPECT_EQ(Text(p.nasLevelText), "JBOD");
  EXPECT_EQ(Text(p.iscsiLevelText), "Standard");
  EXPECT_EQ(p.rows[kRowA], Line(kIscsi, LevelTag::Standard, 200, true));
  EXPECT_EQ(p.rows[kRowB], Line(kNas, LevelTag::Jbod, 100, false));
  EXPECT_EQ(p.rows[kRowC], Line(kNas, LevelTag::Jbod, 100, false));
  EXPECT_FALSE(p.rows[kRowD]);

  // Case 3: iSCSI fills the first disk and goes on into the second.
  p = ComputeDiskProfile(InventoryOf(100, 300), ServiceType::Both, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 200);
  EXPECT_EQ(p.iscsiSizeGb, 200);
  EXPECT_EQ(Text(p.nasLevelText), "Standard");
  EXPECT_EQ(Text(p.iscsiLevelText), "JBOD");
  EXPECT_EQ(p.rows[kRowA], Line(kIscsi, LevelTag::Jbod, 100, true));
  EXPECT_FALSE(p.rows[kRowB]);
  EXPECT_EQ(p.rows[kRowC], Line(kIscsi, LevelTag::Jbod, 100, false));
  EXPECT_EQ(p.rows[kRowD], Line(kNas, LevelTag::Standard, 200, false));

  // Case 1 is tried before case 2: 300 + 100 at 75 % puts NAS on disk one
  // exactly, although I = 100 < G1 too.
  p = ComputeDiskProfile(InventoryOf(300, 100), ServiceType::Both, DiskLevel::Normal, 75);
  EXPECT_EQ(p.rows[kRowA], Line(kNas, LevelTag::Standard, 300, true));
  EXPECT_EQ(p.rows[kRowC], Line(kIscsi, LevelTag::Standard, 100, false));
}

TEST(ComputeDiskProfile, RatioExtremesAndNoDisk) {
  // Integer percentages drop the remainder: 1 % of 931 is 9.
  DiskProfile p = ComputeDiskProfile(InventoryOf(931), ServiceType::Both, DiskLevel::Normal, 1);
  EXPECT_EQ(p.nasSizeGb, 9);
  EXPECT_EQ(p.iscsiSizeGb, 922);
  p = ComputeDiskProfile(InventoryOf(931), ServiceType::Both, DiskLevel::Normal, 99);
  EXPECT_EQ(p.nasSizeGb, 921);
  EXPECT_EQ(p.iscsiSizeGb, 10);
  // Largest disks and the largest percentage do not overflow.
  p = ComputeDiskProfile(InventoryOf(4194303, 4194303), ServiceType::Both, DiskLevel::Normal, 99);
  EXPECT_EQ(p.nasSizeGb + p.iscsiSizeGb, 8388606);
  // Out-of-range ratios are held to 0..100.
  p = ComputeDiskProfile(InventoryOf(931), ServiceType::Both, DiskLevel::Normal, 250);
  EXPECT_EQ(p.nasSharePercent, 100);
  EXPECT_EQ(p.nasSizeGb, 931);

  DiskInventory none;
  p = ComputeDiskProfile(none, ServiceType::Both, DiskLevel::Normal, 50);
  EXPECT_EQ(p.nasSizeGb, 0);
  EXPECT_EQ(p.iscsiSizeGb, 0);
  for (const auto& row : p.rows) EXPECT_FALSE(row);
}

TEST(ApplyProfile, WritesAtItsTwoMomentsAndKeepsUntouchedLevelTexts) {
  WizardState s;
  s.Clear();
  // A first visit to the summary with both services.
  ApplyProfileSummary(ComputeDiskProfile(InventoryOf(465, 931), ServiceType::Both, DiskLevel::Raid1, 30), s);
  EXPECT_EQ(s.nasSizeGb, 139);
  EXPECT_EQ(s.iscsiSizeGb, 326);
  EXPECT_EQ(FieldText(s.nasLevel), "RAID 1");
  EXPECT_EQ(FieldText(s.iscsiLevel), "RAID 1");
  // Showing the summary does not yet decide what the appliance is sent.
  EXPECT_EQ(s.nasSharePercent, 0);
  EXPECT_EQ(s.diskLevelCode, 0);

  // The user goes back and chooses NAS only with JBOD: the iSCSI size goes to
  // 0 and its level text keeps what it held.
  const DiskProfile nasOnly = ComputeDiskProfile(InventoryOf(465, 931), ServiceType::NasOnly, DiskLevel::Normal, 30);
  ApplyProfileSummary(nasOnly, s);
  EXPECT_EQ(s.nasSizeGb, 1396);
  EXPECT_EQ(s.iscsiSizeGb, 0);
  EXPECT_EQ(FieldText(s.nasLevel), "JBOD");
  EXPECT_EQ(FieldText(s.iscsiLevel), "RAID 1");
  // The level text is copied with its NUL: no tail of the longer old text.
  EXPECT_EQ(s.nasLevel[4], '\0');

  ApplyProfileChoice(nasOnly, s);
  EXPECT_EQ(s.nasSharePercent, 100);
  EXPECT_EQ(s.diskLevelCode, 2);
}

}  // namespace
}  // namespace sp
