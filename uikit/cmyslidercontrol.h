#pragma once
// A horizontal slider that shows the page through itself: the first time it
// paints it keeps a copy of the parent's background behind it (the composed
// page, without other controls) and from then on draws that copy under its
// own groove and handle. The copy is taken once, so a page background that
// changes later is not reflected.
//
//   auto* ratio = new CmySliderControl(page, QRect(80, 210, 200, 25));
//   ratio->setRange(1, 99);
#include <QImage>
#include <QSlider>

namespace sp {

class CmySliderControl : public QSlider {
  Q_OBJECT

 public:
  explicit CmySliderControl(QWidget* parent = nullptr);
  CmySliderControl(QWidget* parent, const QRect& geometry);

  bool HasBackground() const { return captured_; }
  const QImage& Background() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void CaptureBackground();

  bool captured_ = false;
  QImage background_;
};

}  // namespace sp
