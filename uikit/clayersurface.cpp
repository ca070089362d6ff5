#include "uikit/clayersurface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "uikit/wmevents.h"

namespace sp {

// Composes on the surface's event and paints the surface under the window.
class CLayerSurface::EventHook : public QObject {
 public:
  explicit EventHook(CLayerSurface& surface) : surface_(surface) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != surface_.window_) return false;
    if (event->type() == surface_.traits_.composeEvent) {
      surface_.OnComposeEvent();
      return true;
    }
    if (event->type() == QEvent::Paint) {
      QPainter painter(surface_.window_);
      painter.setClipRegion(static_cast<QPaintEvent*>(event)->region());
      surface_.Paint(painter);
    }
    return false;  // the window's own painting and handling go on
  }

 private:
  CLayerSurface& surface_;
};

SurfaceTraits TraitsOf(SurfaceKind kind) {
  using enum LayerVariant;
  switch (kind) {
    case SurfaceKind::MainWindow:
      return {wm::kComposeMainWindow, SixNumbers, DimmingRule::Fixed, false};
    case SurfaceKind::Welcome:
      return {wm::kComposeWelcome, SixNumbers, DimmingRule::Fixed, true};
    case SurfaceKind::Check:
      return {wm::kComposeCheck, SixNumbers, DimmingRule::Fixed, true};
    case SurfaceKind::Install:
      return {wm::kComposeInstall, FourNumbers, DimmingRule::Percentage, true};
    case SurfaceKind::Config:
      return {wm::kComposeConfig, FourNumbers, DimmingRule::Percentage, true};
    case SurfaceKind::Disk:
      return {wm::kComposeDisk, FourNumbers, DimmingRule::Percentage, true};
    case SurfaceKind::Final:
      return {wm::kComposeFinal, FourNumbers, DimmingRule::None, true};
  }
  return {wm::kComposeMainWindow, SixNumbers, DimmingRule::Fixed, false};
}

CLayerSurface::CLayerSurface(SurfaceKind kind) : kind_(kind), traits_(TraitsOf(kind)) {}

CLayerSurface::~CLayerSurface() {
  if (window_ && hook_) window_->removeEventFilter(hook_.get());
}

void CLayerSurface::Create(QWidget* window, bool handleEvents) {
  if (window_ && hook_) window_->removeEventFilter(hook_.get());
  hook_.reset();
  window_ = window;
  if (window == nullptr) return;
  const QSize size = window->size().expandedTo(QSize(1, 1));
  image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
  image_.fill(Qt::black);  // what a fresh compatible bitmap holds
  if (handleEvents) {
    hook_ = std::make_unique<EventHook>(*this);
    window->installEventFilter(hook_.get());
  }
}

void CLayerSurface::SetImageFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  folder_ = std::move(folder);
}

void CLayerSurface::SetList(std::string_view list) {
  ReplaceList(list);
  PostCompose();
}

void CLayerSurface::ReplaceList(std::string_view list) {
  std::string bounded = BoundedLayerList(list);
  std::lock_guard<std::mutex> lock(mutex_);
  list_.swap(bounded);
}

std::string CLayerSurface::List() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return list_;
}

void CLayerSurface::PostCompose() const {
  if (QWidget* w = window_.data()) QCoreApplication::postEvent(w, new QEvent(traits_.composeEvent));
}

void CLayerSurface::Compose() {
  const std::string copy = List();
  if (!copy.empty() && !image_.isNull()) {
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const LayerEntry& e : ParseLayerList(copy, traits_.variant)) DrawEntry(painter, e);
  }
  if (window_) window_->repaint();
}

void CLayerSurface::OnComposeEvent() {
  Compose();
  if (composed_) composed_();
}

void CLayerSurface::DrawEntry(QPainter& painter, const LayerEntry& e) const {
  QImage img(QString::fromStdString(folder_ + e.file));
  if (img.isNull()) return;
  if (DimmingApplies(traits_.dimming, e.alpha)) {
    img = img.convertToFormat(QImage::Format_ARGB32);
    ApplyDimming(reinterpret_cast<std::uint32_t*>(img.bits()), img.width(), img.height(),
                 static_cast<int>(img.bytesPerLine() / 4), traits_.dimming, e.alpha);
  }
  const int w = img.width();
  const int h = img.height();
  int dw = w;
  int dh = h;
  if (traits_.variant == LayerVariant::SixNumbers) {
    dw = e.width != 0 ? e.width : w;
    dh = e.height != 0 ? e.height : h;
  }
  if (dw <= 0 || dh <= 0) return;  // no mirrored drawing
  // The source is (offset, 0, w, h); only the part that lies inside the
  // image shows, at the place the scaling gives it.
  const long long srcLeft = e.offset;
  const long long visLeft = std::max<long long>(srcLeft, 0);
  const long long visRight = std::min<long long>(srcLeft + w, w);
  if (visLeft >= visRight) return;
  const double sx = static_cast<double>(dw) / w;
  const QRectF target(e.x + (visLeft - srcLeft) * sx, e.y, (visRight - visLeft) * sx, dh);
  const QRectF source(static_cast<double>(visLeft), 0, static_cast<double>(visRight - visLeft), h);
  painter.drawImage(target, img, source);
}

bool CLayerSurface::Paint(QPainter& painter) const {
  if (traits_.hasPageFlag && !current_.load()) return false;
  if (image_.isNull()) return false;
  QRegion area(image_.rect());
  for (const QPointer<QWidget>& w : excluded_) {
    if (!w || !window_) continue;
    const QPoint at = window_->isAncestorOf(w) ? w->mapTo(window_.data(), QPoint(0, 0))
                                               : window_->mapFromGlobal(w->mapToGlobal(QPoint(0, 0)));
    area -= QRect(at, w->size());
  }
  painter.save();
  if (painter.hasClipping()) area &= painter.clipRegion();
  painter.setClipRegion(area);
  painter.setCompositionMode(QPainter::CompositionMode_Source);  // a plain copy
  painter.drawImage(0, 0, image_);
  painter.restore();
  return true;
}

void CLayerSurface::SetExcludedWidgets(std::vector<QWidget*> widgets) {
  excluded_.clear();
  for (QWidget* w : widgets) excluded_.emplace_back(w);
}

}  // namespace sp
