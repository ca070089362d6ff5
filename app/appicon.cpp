#include "app/appicon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace sp {

namespace {
const QColor kAccent(0x3D, 0xB4, 0xE9);  // the titles' colour
const QColor kDark(0x1B, 0x22, 0x2B);
}  // namespace

QImage DrawApplicationIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size / 32.0;  // drawn on a 32-unit grid

  // The case: a rounded accent block with a darker face.
  const QRectF body(5 * s, 2 * s, 22 * s, 28 * s);
  QLinearGradient shade(body.topLeft(), body.bottomRight());
  shade.setColorAt(0, kAccent.lighter(125));
  shade.setColorAt(1, kAccent.darker(135));
  p.setPen(Qt::NoPen);
  p.setBrush(shade);
  p.drawRoundedRect(body, 4 * s, 4 * s);
  p.setBrush(kDark);
  p.drawRoundedRect(QRectF(8 * s, 5 * s, 16 * s, 19 * s), 2 * s, 2 * s);

  // Two drive bays, each with its light bar.
  for (int bay = 0; bay < 2; ++bay) {
    const double x = (10 + bay * 7) * s;
    p.setBrush(kDark.lighter(170));
    p.drawRoundedRect(QRectF(x, 7 * s, 5 * s, 15 * s), 1 * s, 1 * s);
    p.setBrush(kAccent.lighter(140));
    p.drawRoundedRect(QRectF(x + 2 * s, 9 * s, 1.2 * s, 11 * s), 0.6 * s, 0.6 * s);
  }
  // The power light under the bays.
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16 * s, 26.5 * s), 1.4 * s, 1.4 * s);
  return image;
}

QIcon MakeApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(size)));
  return icon;
}

}  // namespace sp
