#include "framework/core/steplist.h"

#include <gtest/gtest.h>

#include "framework/core/pageids.h"

namespace sp {
namespace {

TEST(StepList, PagesMapToStepsAndHighlightPositions) {
  struct Row {
    int id, step, y;
  } rows[] = {{128, 1, 0},   {129, 0, 0},   {130, 1, 143}, {131, 2, 188}, {132, 3, 233},
              {133, 4, 278}, {134, 5, 323}, {135, 5, 323}, {136, 0, 0},   {0, 0, 0}};
  for (const Row& r : rows) {
    EXPECT_EQ(StepOfPage(r.id), r.step) << r.id;
    EXPECT_EQ(HighlightY(r.id), r.y) << r.id;
  }
}

TEST(StepList, LabelsAreBlackOnlyForTheCurrentStep) {
  EXPECT_EQ(StepLabelMarkup(1, kStepWelcomeMarker, "Welcome"),
            "<font face=Arial size=8 color=black><b>Welcome</b></font>");
  EXPECT_EQ(StepLabelMarkup(2, kPageWelcome, "Check"), "<font face=Arial size=8 color=gray><b>Check</b></font>");
  // The final page keeps the disk profile's step.
  EXPECT_NE(StepLabelMarkup(5, kPageFinal, "x").find("black"), std::string::npos);
  for (int k = 1; k <= 5; ++k) EXPECT_NE(StepLabelMarkup(k, kPageLink, "x").find("gray"), std::string::npos);
}

TEST(StepList, MainWindowListCarriesTheHighlight) {
  EXPECT_EQ(MainWindowLayerList(143), "background.png|0|0|255|0|0|0,select_step.png|0|143|255|0|152|44,");
  EXPECT_EQ(MainWindowLayerList(0), "background.png|0|0|255|0|0|0,select_step.png|0|0|255|0|152|44,");
}

TEST(StepList, VersionTextIsFourWords) {
  EXPECT_EQ(VersionText(1, 2, 3, 4), "v1.2.3.4");
  EXPECT_EQ(VersionText(0x10001, 0, 65535, 7), "v1.0.65535.7");  // 16-bit words, as resources hold them
  EXPECT_EQ(ProgramVersionText().rfind("v", 0), 0u);
  EXPECT_EQ(VersionLabelMarkup("v1.0.0.0"), "<font face=Arial size=3 color=gray><b>v1.0.0.0</b></font>");
}

}  // namespace
}  // namespace sp
