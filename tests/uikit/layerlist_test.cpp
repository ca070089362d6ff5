#include "uikit/core/layerlist.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace sp {
namespace {

TEST(LayerListTest, EntriesNeedTheirCommaAndTextAfterTheLastIsIgnored) {
  EXPECT_TRUE(ParseLayerList("a.png|10|20|255|0", LayerVariant::FourNumbers).empty());
  const auto one = ParseLayerList("a.png|10|20|255|0,b.png|0|0|255|0", LayerVariant::FourNumbers);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].file, "a.png");
  EXPECT_EQ(one[0].x, 10);
  EXPECT_EQ(one[0].y, 20);
  EXPECT_EQ(one[0].alpha, 255);

  const auto main =
      ParseLayerList("background.png|0|0|255|0|0|0,select_step.png|0|143|255|0|152|44,", LayerVariant::SixNumbers);
  ASSERT_EQ(main.size(), 2u);
  EXPECT_EQ(main[1].file, "select_step.png");
  EXPECT_EQ(main[1].y, 143);
  EXPECT_EQ(main[1].width, 152);
  EXPECT_EQ(main[1].height, 44);
}

TEST(LayerListTest, FourNumberSurfacesIgnoreWidthAndHeight) {
  LayerEntry e;
  ASSERT_TRUE(ParseLayerEntry("x.png|5|5|255|0|19|20", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.width, 0);
  EXPECT_EQ(e.height, 0);
  ASSERT_TRUE(ParseLayerEntry("x.png|5|5|255|0|0|20", LayerVariant::SixNumbers, e));
  EXPECT_EQ(e.width, 0);
  EXPECT_EQ(e.height, 20);
  ASSERT_TRUE(ParseLayerEntry("1-power.png|267|8|255|500", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.offset, 500);
}

TEST(LayerListTest, SeparatorRunsCollapseSoFieldsCannotBeEmpty) {
  LayerEntry e;
  // "a||b.png": b.png is the second field and is read as x.
  ASSERT_TRUE(ParseLayerEntry("a||b.png|7", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.file, "a");
  EXPECT_EQ(e.x, 0);
  EXPECT_EQ(e.y, 7);
  ASSERT_TRUE(ParseLayerEntry("||c.png||1|||2|", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.file, "c.png");
  EXPECT_EQ(e.x, 1);
  EXPECT_EQ(e.y, 2);
  EXPECT_EQ(e.alpha, 0);  // missing numbers are 0
  EXPECT_FALSE(ParseLayerEntry("|||", LayerVariant::FourNumbers, e));
  EXPECT_FALSE(ParseLayerEntry("", LayerVariant::FourNumbers, e));
  // Entries without a file are skipped; the others are still drawn.
  const auto list = ParseLayerList(",|,a.png|1|1|255|0,", LayerVariant::FourNumbers);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].file, "a.png");
}

TEST(LayerListTest, NumbersFollowTheLeadingNumberRule) {
  EXPECT_EQ(LeadingNumber("  42px"), 42);
  EXPECT_EQ(LeadingNumber("\t-17"), -17);
  EXPECT_EQ(LeadingNumber("+8"), 8);
  EXPECT_EQ(LeadingNumber("x12"), 0);
  EXPECT_EQ(LeadingNumber("- 3"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("99999999999999999999"), INT_MAX);
  EXPECT_EQ(LeadingNumber("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(LeadingNumber("2147483648"), INT_MAX);
  EXPECT_EQ(LeadingNumber("-2147483648"), INT_MIN);
}

TEST(LayerListTest, OnlyTheFirst63BytesOfAnEntryAreRead) {
  const std::string name(58, 'n');  // "nnn...|1|2|" is 63 bytes, "|3" falls off
  LayerEntry e;
  ASSERT_TRUE(ParseLayerEntry(name + "|1|2|3|4", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.file, name);
  EXPECT_EQ(e.x, 1);
  EXPECT_EQ(e.y, 2);
  EXPECT_EQ(e.alpha, 0);
  // A long file name is cut, never read past the entry buffer.
  ASSERT_TRUE(ParseLayerEntry(std::string(200, 'z') + "|1", LayerVariant::FourNumbers, e));
  EXPECT_EQ(e.file.size(), kLayerEntryMaxBytes);
}

TEST(LayerListTest, ListsAreBoundedTo2047Bytes) {
  std::string list;
  while (list.size() < 2040) list += "a.png|0|0|255|0,";  // 16 bytes each, 2048 in all
  EXPECT_EQ(list.size(), 2048u);
  // The last comma sits at byte 2047 and falls off; so does its entry.
  EXPECT_EQ(ParseLayerList(list, LayerVariant::FourNumbers).size(), 127u);
  EXPECT_EQ(BoundedLayerList(list).size(), 2047u);
  EXPECT_EQ(BoundedLayerList(std::string("ab\0cd", 5)), "ab");
}

TEST(LayerListTest, DimmingRulesChangeOnlyAlpha) {
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Fixed, 99), 76);
  EXPECT_EQ(DimmedAlpha(100, DimmingRule::Fixed, 0), 30);
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Fixed, 100), 255);
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Percentage, 50), 127);
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Percentage, 255), 255);
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Percentage, 300), 255);
  // 101..254 wrap past 255: 255 * 200 / 100 = 510, low byte 254.
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Percentage, 200), 254);
  EXPECT_EQ(DimmedAlpha(200, DimmingRule::Percentage, 150), 44);  // 300 & 0xFF
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::Percentage, 0), 0);
  EXPECT_EQ(DimmedAlpha(255, DimmingRule::None, 0), 255);

  std::vector<std::uint32_t> px = {0xFF112233u, 0x80445566u, 0x00778899u, 0xDEADBEEFu, 0xFFFFFFFFu, 0x12345678u};
  // 2 x 2 pixels with a stride of 3: the third of each row is not touched.
  ApplyDimming(px.data(), 2, 2, 3, DimmingRule::Percentage, 50);
  EXPECT_EQ(px[0], 0x7F112233u);
  EXPECT_EQ(px[1], 0x40445566u);
  EXPECT_EQ(px[2], 0x00778899u);
  EXPECT_EQ(px[3], 0x6FADBEEFu);
  EXPECT_EQ(px[4], 0x7FFFFFFFu);
  EXPECT_EQ(px[5], 0x12345678u);
  ApplyDimming(px.data(), 2, 2, 3, DimmingRule::None, 0);
  EXPECT_EQ(px[0], 0x7F112233u);
  ApplyDimming(px.data(), 1, 1, 1, DimmingRule::Fixed, 99);
  EXPECT_EQ(px[0], 0x26112233u);  // 127 * 30 / 100 = 38
}

}  // namespace
}  // namespace sp
