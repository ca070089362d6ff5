#include "wizardstate/wizardstate.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace sp {
namespace {

TEST(WizardState, StartsEmptyAndFieldsHaveTheirWidths) {
  WizardState s;
  s.Clear();
  EXPECT_EQ(FieldText(s.targetMac), "");
  EXPECT_EQ(s.nasSizeGb, 0);
  EXPECT_EQ(s.nasMapped, 0);
  EXPECT_EQ(sizeof s.targetMac, 20u);
  EXPECT_EQ(sizeof s.deviceIpAddress, 16u);
  EXPECT_EQ(sizeof s.deviceIpWide / sizeof(char16_t), 16u);
  EXPECT_EQ(sizeof s.deviceHostName / sizeof(char16_t), 32u);
  EXPECT_EQ(sizeof s.deviceTime, 128u);
  EXPECT_EQ(sizeof s.deviceIpSummary, 128u);
  EXPECT_EQ(sizeof s.webLoginPassword, 96u);
  EXPECT_EQ(sizeof s.nasLevel, 32u);
  EXPECT_EQ(sizeof s.iscsiLevel, 32u);
  EXPECT_EQ(sizeof s.explorerCommandLine, 128u);
}

TEST(WizardState, WritersBoundTextsToTheirFields) {
  WizardState s;
  s.Clear();
  CopyBounded(s.deviceIpAddress, "192.168.100.200.300");
  EXPECT_EQ(FieldText(s.deviceIpAddress), "192.168.100.200");
  CopyBounded(s.deviceHostName, u"a-name-that-is-much-longer-than-thirty-one");
  EXPECT_EQ(FieldText(s.deviceHostName).size(), 31u);
  CopyBounded(s.nasDriveLetter, "Z:\\");
  EXPECT_EQ(FieldText(s.nasDriveLetter), "Z:");
}

TEST(WizardState, ClearingTheSummaryBlocksKeepsTheResults) {
  WizardState s;
  s.Clear();
  CopyBounded(s.targetMac, kBroadcastMac);
  CopyBounded(s.deviceTime, "(GMT) Greenwich Mean Time: Lisbon, London");
  s.nasSizeGb = 100;
  s.iscsiSizeGb = 50;
  CopyBounded(s.iscsiLevel, "RAID 1");
  CopyBounded(s.explorerCommandLine, "explorer E:\\");
  s.nasMapped = 1;
  s.ClearSummaryBlocks();
  EXPECT_EQ(FieldText(s.targetMac), "");
  EXPECT_EQ(FieldText(s.deviceTime), "");
  EXPECT_EQ(s.nasSizeGb, 0);
  EXPECT_EQ(s.iscsiSizeGb, 0);
  EXPECT_EQ(FieldText(s.iscsiLevel), "");
  EXPECT_EQ(FieldText(s.explorerCommandLine), "explorer E:\\");
  EXPECT_EQ(s.nasMapped, 1);
}

}  // namespace
}  // namespace sp
