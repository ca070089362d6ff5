// The install guide's animation: every frame of its three steps, each
// composed on the install page's surface under the step's caption, plus a
// contact sheet of all frames.
#include <QPainter>

#include "base/text.h"
#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"

namespace sp::gallery {

namespace {

constexpr const char* kBackground = "cbackground.jpg|0|0|255|0,";

std::vector<std::string> Step0() {
  const char* files[] = {"step1", "step2", "step3", "step3",  "step4", "step4", "step5",
                         "step6", "step6", "step9", "step10", "step1", "step1", "step1"};
  std::vector<std::string> frames;
  for (const char* f : files) frames.push_back(Format("%s%s.png|0|70|255|0,", kBackground, f));
  frames.push_back(kBackground);
  return frames;
}

std::vector<std::string> Step1() {
  const std::string scene =
      std::string(kBackground) + "computer.png|363|99|255|0,router_s.png|183|101|255|0,VBX-207.png|9|105|255|0,";
  const auto power = [](int offset) { return Format("1-power.png|267|8|255|%d,", offset); };
  const auto line2 = [](int offset) { return Format("2-line.png|13|100|255|%d,", offset); };
  const auto line3 = [](int offset) { return Format("3-line.png|10|100|255|%d,", offset); };
  const auto plug = [](int offset) { return Format("1-power.png|8|69|255|%d,", offset); };
  std::vector<std::string> frames = {scene, scene + power(0), scene + power(500), scene + power(1000)};
  for (int off : {0, 500, 1000, 1500}) frames.push_back(scene + power(1000) + line2(off));
  const std::string seven = scene + power(1000) + line2(1500);
  for (int off : {0, 500, 1000}) frames.push_back(seven + line3(off));
  const std::string ten = seven + line3(1000);
  frames.push_back(ten + plug(0));
  frames.push_back(ten + plug(500));
  for (int i = 13; i <= 17; ++i) frames.push_back(ten + plug(1000));
  return frames;
}

std::vector<std::string> Step2() {
  const char* files[] = {"step7", "step7", "step8", "step8", "step8", "step8", "step7", "step7"};
  std::vector<std::string> frames;
  for (const char* f : files) frames.push_back(Format("%s%s.png|0|70|255|0,", kBackground, f));
  frames.push_back(kBackground);
  return frames;
}

}  // namespace

void RenderInstallFrames(const Options& o, std::vector<std::string>& written) {
  const std::vector<std::string> steps[] = {Step0(), Step1(), Step2()};
  std::vector<QImage> thumbs;
  for (int step = 0; step < 3; ++step) {
    PageCanvas c(SurfaceKind::Install, QSize(563, 467), o.imageFolder);
    c.Label(QRect(30, 20, 400, 60), TitleMarkup(114 + step));
    c.StandardButtons();
    const auto buttons = c.page()->findChildren<CHoverButtonEx*>();
    c.surface().SetExcludedWidgets(std::vector<QWidget*>(buttons.begin(), buttons.end()));
    for (std::size_t f = 0; f < steps[step].size(); ++f) {
      c.Compose(steps[step][f]);
      const QImage frame = c.Grab();
      SaveImage(frame, o.outFolder, Format("install-step%d-frame%02zu", step, f), written);
      thumbs.push_back(frame.scaled(frame.size() / 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
  }
  // Contact sheet: six thumbnails a row.
  if (thumbs.empty()) return;
  const QSize t = thumbs.front().size();
  const int columns = 6;
  const int rows = static_cast<int>((thumbs.size() + columns - 1) / columns);
  QImage sheet(t.width() * columns + columns + 1, t.height() * rows + rows + 1, QImage::Format_RGB32);
  sheet.fill(Qt::darkGray);
  QPainter p(&sheet);
  for (std::size_t i = 0; i < thumbs.size(); ++i) {
    const int col = static_cast<int>(i % columns);
    const int row = static_cast<int>(i / columns);
    p.drawImage(1 + col * (t.width() + 1), 1 + row * (t.height() + 1), thumbs[i]);
  }
  p.end();
  SaveImage(sheet, o.outFolder, "install-contact-sheet", written);
}

}  // namespace sp::gallery
