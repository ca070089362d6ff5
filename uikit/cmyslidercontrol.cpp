#include "uikit/cmyslidercontrol.h"

#include <QPainter>
#include <QPixmap>

namespace sp {

CmySliderControl::CmySliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

CmySliderControl::CmySliderControl(QWidget* parent, const QRect& geometry) : CmySliderControl(parent) {
  setGeometry(geometry);
}

void CmySliderControl::CaptureBackground() {
  captured_ = true;
  QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  // The parent's own painting only (its layer surface), not its children:
  // this slider must not end up in its own background.
  QPixmap copy(size());
  copy.fill(Qt::transparent);
  parent->render(&copy, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
  background_ = copy.toImage();
}

void CmySliderControl::paintEvent(QPaintEvent* event) {
  if (!captured_) CaptureBackground();
  if (!background_.isNull()) {
    QPainter p(this);
    p.drawImage(0, 0, background_);
  }
  QSlider::paintEvent(event);  // the platform's groove and handle over it
}

}  // namespace sp
