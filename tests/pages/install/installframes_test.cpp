// The install guide's frames and its animation loop, driven with scripted
// sleeps.
#include "pages/install/core/installframes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uikit/core/layerlist.h"

namespace sp {
namespace {

TEST(InstallFrames, StepsFillTheirFramesExactly) {
  InstallFrames f;
  BuildInstallFrames(0, f);
  EXPECT_EQ(CountUsedFrames(f), 15);
  EXPECT_EQ(f[0], "cbackground.jpg|0|0|255|0,step1.png|0|70|255|0,");
  EXPECT_EQ(f[3], "cbackground.jpg|0|0|255|0,step3.png|0|70|255|0,");
  EXPECT_EQ(f[9], "cbackground.jpg|0|0|255|0,step9.png|0|70|255|0,");
  EXPECT_EQ(f[13], f[0]);
  EXPECT_EQ(f[14], "cbackground.jpg|0|0|255|0,");
  for (int i = 15; i < 20; ++i) EXPECT_TRUE(f[i].empty());

  BuildInstallFrames(1, f);
  EXPECT_EQ(CountUsedFrames(f), 18);
  const std::string scene =
      "cbackground.jpg|0|0|255|0,computer.png|363|99|255|0,router_s.png|183|101|255|0,VBX-207.png|9|105|255|0,";
  EXPECT_EQ(f[0], scene);
  EXPECT_EQ(f[2], scene + "1-power.png|267|8|255|500,");
  EXPECT_EQ(f[7], scene + "1-power.png|267|8|255|1000,2-line.png|13|100|255|1500,");
  EXPECT_EQ(f[8], f[7] + "3-line.png|10|100|255|0,");
  EXPECT_EQ(f[12], f[10] + "1-power.png|8|69|255|500,");
  for (int i = 13; i <= 17; ++i) EXPECT_EQ(f[i], f[10] + "1-power.png|8|69|255|1000,");
  EXPECT_TRUE(f[18].empty() && f[19].empty());

  BuildInstallFrames(2, f);
  EXPECT_EQ(CountUsedFrames(f), 9);
  EXPECT_EQ(f[1], "cbackground.jpg|0|0|255|0,step7.png|0|70|255|0,");
  EXPECT_EQ(f[5], "cbackground.jpg|0|0|255|0,step8.png|0|70|255|0,");
  EXPECT_EQ(f[8], "cbackground.jpg|0|0|255|0,");

  BuildInstallFrames(3, f);  // no such step: nothing left over from step 2
  EXPECT_EQ(CountUsedFrames(f), 0);
}

TEST(InstallFrames, EveryFrameIsAWellFormedList) {
  InstallFrames f;
  for (int step = 0; step < kInstallStepCount; ++step) {
    BuildInstallFrames(step, f);
    for (const std::string& frame : f) {
      if (frame.empty()) continue;
      EXPECT_LE(frame.size(), 2047u);
      EXPECT_EQ(frame.back(), ',');
      const auto entries = ParseLayerList(frame, LayerVariant::FourNumbers);
      EXPECT_EQ(entries.front().file, "cbackground.jpg");
      for (const LayerEntry& e : entries) EXPECT_EQ(e.alpha, 255);
    }
  }
}

TEST(InstallAnimation, ShowsUsedFramesInOrderAndWrapsAround) {
  InstallFrames f;
  BuildInstallFrames(2, f);
  std::vector<std::string> shown;
  std::vector<int> waits;
  RunInstallAnimation(
      f, 700, [&](const std::string& frame) { shown.push_back(frame); },
      [&](int ms) {
        waits.push_back(ms);
        return waits.size() < 11;  // stop after the 11th wait
      });
  ASSERT_EQ(shown.size(), 11u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(shown[i], f[i]);
  EXPECT_EQ(shown[9], f[0]);  // empty frames 9..19 passed over without waiting
  EXPECT_EQ(shown[10], f[1]);
  EXPECT_EQ(waits, std::vector<int>(11, 700));
}

TEST(InstallAnimation, WithoutFramesItEndsAtOnce) {
  InstallFrames f;
  BuildInstallFrames(7, f);
  int shows = 0;
  RunInstallAnimation(
      f, 700, [&](const std::string&) { ++shows; }, [](int) { return true; });
  EXPECT_EQ(shows, 0);
}

}  // namespace
}  // namespace sp
