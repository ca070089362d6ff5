#include "pages/install/core/installframes.h"

#include "base/text.h"

namespace sp {

namespace {

std::string Picture(const char* file) { return Format("%s%s|0|70|255|0,", kInstallBackground, file); }

// Disks go in: the hand slides each drive into its bay.
void FillStep0(InstallFrames& f) {
  const char* files[] = {"step1.png", "step2.png", "step3.png", "step3.png",  "step4.png", "step4.png", "step5.png",
                         "step6.png", "step6.png", "step9.png", "step10.png", "step1.png", "step1.png", "step1.png"};
  int i = 0;
  for (const char* file : files) f[i++] = Picture(file);
  f[i] = kInstallBackground;  // frame 14: the background alone
}

// Cabling: power to the router, a line to the PC, a line to the appliance,
// then the appliance's power.
void FillStep1(InstallFrames& f) {
  const std::string scene =
      std::string(kInstallBackground) + "computer.png|363|99|255|0,router_s.png|183|101|255|0,VBX-207.png|9|105|255|0,";
  const auto routerPower = [](int offset) { return Format("1-power.png|267|8|255|%d,", offset); };
  const auto pcLine = [](int offset) { return Format("2-line.png|13|100|255|%d,", offset); };
  const auto deviceLine = [](int offset) { return Format("3-line.png|10|100|255|%d,", offset); };
  const auto devicePower = [](int offset) { return Format("1-power.png|8|69|255|%d,", offset); };
  f[0] = scene;
  f[1] = scene + routerPower(0);
  f[2] = scene + routerPower(500);
  f[3] = scene + routerPower(1000);
  for (int k = 0; k < 4; ++k) f[4 + k] = scene + routerPower(1000) + pcLine(500 * k);
  const std::string seven = f[7];
  for (int k = 0; k < 3; ++k) f[8 + k] = seven + deviceLine(500 * k);
  const std::string ten = f[10];
  f[11] = ten + devicePower(0);
  f[12] = ten + devicePower(500);
  for (int i = 13; i <= 17; ++i) f[i] = ten + devicePower(1000);
}

// Power on: the button pressed and the lights coming up.
void FillStep2(InstallFrames& f) {
  const char* files[] = {"step7.png", "step7.png", "step8.png", "step8.png",
                         "step8.png", "step8.png", "step7.png", "step7.png"};
  int i = 0;
  for (const char* file : files) f[i++] = Picture(file);
  f[i] = kInstallBackground;  // frame 8
}

}  // namespace

void BuildInstallFrames(int step, InstallFrames& frames) {
  for (std::string& f : frames) f.clear();
  switch (step) {
    case 0:
      FillStep0(frames);
      break;
    case 1:
      FillStep1(frames);
      break;
    case 2:
      FillStep2(frames);
      break;
    default:
      break;
  }
}

int CountUsedFrames(const InstallFrames& frames) {
  int n = 0;
  for (const std::string& f : frames) n += f.empty() ? 0 : 1;
  return n;
}

void RunInstallAnimation(const InstallFrames& frames, int frameMs, const std::function<void(const std::string&)>& show,
                         const std::function<bool(int ms)>& sleep) {
  // Without a single frame the loop would spin without ever waiting.
  if (CountUsedFrames(frames) == 0) return;
  for (int i = 0;; i = (i + 1) % kInstallFrameCount) {
    if (frames[i].empty()) continue;
    show(frames[i]);
    if (!sleep(frameMs)) return;
  }
}

}  // namespace sp
