#include "devtools/artgen/artkit.h"

#include <QFontMetricsF>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sp::art {

QImage Canvas(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

void Prepare(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
}

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(std::clamp(alpha, 0, 255));
  return c;
}

QColor Mix(const QColor& a, const QColor& b, qreal t) {
  auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
  return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                lerp(a.alpha(), b.alpha()));
}

QColor Shade(const QColor& c, qreal factor) {
  if (factor >= 1.0) return Mix(c, QColor(255, 255, 255, c.alpha()), std::min(1.0, factor - 1.0));
  return Mix(QColor(0, 0, 0, c.alpha()), c, std::max(0.0, factor));
}

QLinearGradient Linear(QPointF from, QPointF to, Stops stops) {
  QLinearGradient g(from, to);
  for (const auto& [pos, col] : stops) g.setColorAt(pos, col);
  return g;
}

QRadialGradient Radial(QPointF centre, qreal radius, Stops stops) {
  QRadialGradient g(centre, radius);
  for (const auto& [pos, col] : stops) g.setColorAt(pos, col);
  return g;
}

QPainterPath RoundRect(const QRectF& r, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry) {
  QPainterPath path;
  path.addEllipse(centre, rx, ry);
  return path;
}

QPainterPath Capsule(QPointF a, QPointF b, qreal radius) {
  QPainterPathStroker stroker;
  stroker.setWidth(radius * 2);
  stroker.setCapStyle(Qt::RoundCap);
  QPainterPath spine(a);
  spine.lineTo(b);
  return stroker.createStroke(spine).simplified();
}

namespace {

// One horizontal and one vertical box pass over premultiplied ARGB.
void BoxPass(std::vector<uint32_t>& px, int w, int h, int r, bool horizontal) {
  const int outer = horizontal ? h : w;
  const int inner = horizontal ? w : h;
  std::vector<uint32_t> line(inner);
  const int span = 2 * r + 1;
  for (int o = 0; o < outer; ++o) {
    auto at = [&](int i) -> uint32_t& {
      return horizontal ? px[static_cast<size_t>(o) * w + i] : px[static_cast<size_t>(i) * w + o];
    };
    for (int i = 0; i < inner; ++i) line[i] = at(i);
    int sum[4] = {0, 0, 0, 0};
    auto add = [&](int i, int sign) {
      if (i < 0 || i >= inner) return;
      const uint32_t v = line[i];
      for (int c = 0; c < 4; ++c) sum[c] += sign * static_cast<int>((v >> (8 * c)) & 0xFF);
    };
    for (int i = -r; i <= r; ++i) add(i, 1);
    for (int i = 0; i < inner; ++i) {
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) v |= static_cast<uint32_t>((sum[c] + span / 2) / span) << (8 * c);
      at(i) = v;
      add(i - r, -1);
      add(i + r + 1, 1);
    }
  }
}

}  // namespace

void Blur(QImage& img, int radius) {
  if (radius <= 0) return;
  if (img.format() != QImage::Format_ARGB32_Premultiplied)
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = img.width();
  const int h = img.height();
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
    std::copy(row, row + w, px.begin() + static_cast<ptrdiff_t>(y) * w);
  }
  // Three passes of a box a third as wide approximate a Gaussian.
  const int r = std::max(1, radius / 2);
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(px, w, h, r, true);
    BoxPass(px, w, h, r, false);
  }
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
    std::copy(px.begin() + static_cast<ptrdiff_t>(y) * w, px.begin() + static_cast<ptrdiff_t>(y + 1) * w, row);
  }
}

void Dither(QImage& img) {
  if (img.format() != QImage::Format_ARGB32_Premultiplied)
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
      h = (h ^ (h >> 13)) * 1274126177u;
      const int d = static_cast<int>((h >> 16) % 3) - 1;
      const QRgb p = row[x];
      const int a = qAlpha(p);
      auto ch = [&](int v) { return std::clamp(v + d, 0, a); };
      row[x] = qRgba(ch(qRed(p)), ch(qGreen(p)), ch(qBlue(p)), a);
    }
  }
}

void SoftShape(QPainter& p, const QPainterPath& path, const QColor& color, int blur, QPointF offset) {
  const QPainterPath device = p.worldTransform().map(path).translated(offset);
  const int margin = blur * 2 + 2;
  const QRect box = device.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin);
  if (box.isEmpty()) return;
  QImage layer = Canvas(box.width(), box.height());
  {
    QPainter lp(&layer);
    Prepare(lp);
    lp.translate(-box.topLeft());
    lp.fillPath(device, color);
  }
  Blur(layer, blur);
  p.save();
  p.resetTransform();
  p.drawImage(box.topLeft(), layer);
  p.restore();
}

void Glow(QPainter& p, QPointF centre, qreal radius, const QColor& color) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(Radial(centre, radius,
                    {{0.0, color},
                     {0.35, WithAlpha(color, color.alpha() * 55 / 100)},
                     {0.7, WithAlpha(color, color.alpha() * 15 / 100)},
                     {1.0, WithAlpha(color, 0)}}));
  p.drawEllipse(centre, radius, radius);
  p.restore();
}

void Line(QPainter& p, QPointF a, QPointF b, const QColor& c, qreal width) {
  p.save();
  p.setPen(QPen(c, width, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(a, b);
  p.restore();
}

QFont Font(const QString& family, qreal pixels, int weight) {
  QFont f(family);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

QFont UiFont(qreal pixels, int weight) { return Font(QStringLiteral("Liberation Sans"), pixels, weight); }

void Text(QPainter& p, QPointF at, const QString& s, const QFont& f, const QColor& c) {
  p.save();
  p.setFont(f);
  p.setPen(c);
  p.drawText(at, s);
  p.restore();
}

bool SavePng(const QImage& img, const QString& path) {
  QImageWriter w(path, "png");
  w.setQuality(0);  // smallest file: zlib level 9
  return w.write(img.convertToFormat(QImage::Format_ARGB32));
}

bool SaveJpeg(const QImage& img, const QString& path, int quality) {
  QImageWriter w(path, "jpeg");
  w.setQuality(quality);
  w.setOptimizedWrite(true);
  return w.write(img.convertToFormat(QImage::Format_RGB32));
}

}  // namespace sp::art
