// The install guide's animation: every frame of its three steps, each
// composed on the install page's surface under the step's caption, plus a
// contact sheet of all frames.
#include <QPainter>

#include "base/text.h"
#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"
#include "pages/install/core/installframes.h"

namespace sp::gallery {

namespace {

// The page's own frames of `step`, in the order the animation shows them.
std::vector<std::string> StepFrames(int step) {
  InstallFrames frames;
  BuildInstallFrames(step, frames);
  std::vector<std::string> used;
  for (const std::string& f : frames)
    if (!f.empty()) used.push_back(f);
  return used;
}

}  // namespace

void RenderInstallFrames(const Options& o, std::vector<std::string>& written) {
  const std::vector<std::string> steps[] = {StepFrames(0), StepFrames(1), StepFrames(2)};
  std::vector<QImage> thumbs;
  for (int step = 0; step < 3; ++step) {
    PageCanvas c(SurfaceKind::Install, QSize(563, 467), o.imageFolder);
    c.Label(QRect(30, 20, 400, 60), TitleMarkup(kInstallCaptionBase + step));
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
