// Status icons beside the check rows and the final page's steps. The rows'
// texts have their middle about 8 pixels below the icon's top, so each
// glyph is centred a little above the middle of its 20 x 20 canvas.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"

namespace sp::art {

namespace {

constexpr QPointF kCentre(10, 9.2);
constexpr qreal kRadius = 8.5;

void Disc(QPainter& p, const QColor& top, const QColor& bottom) {
  SoftShape(p, Ellipse(kCentre, kRadius, kRadius), QColor(0, 0, 0, 120), 3, QPointF(0, 1));
  p.setPen(Qt::NoPen);
  p.setBrush(Linear(kCentre - QPointF(0, kRadius), kCentre + QPointF(0, kRadius), {{0, top}, {1, bottom}}));
  p.drawEllipse(kCentre, kRadius, kRadius);
  p.setBrush(
      Linear(kCentre - QPointF(0, kRadius), kCentre, {{0, QColor(255, 255, 255, 90)}, {1, QColor(255, 255, 255, 0)}}));
  p.drawEllipse(QRectF(kCentre.x() - 6, kCentre.y() - kRadius + 0.8, 12, 8));
}

}  // namespace

QImage DrawCheckDone() {
  QImage img = Canvas(20, 20);
  QPainter p(&img);
  Prepare(p);
  Disc(p, QColor(0x66, 0xE6, 0x93), QColor(0x22, 0x9A, 0x52));
  p.setPen(QPen(QColor(0x05, 0x2E, 0x16, 110), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPolygonF tick({QPointF(5.8, 9.7), QPointF(8.7, 12.6), QPointF(14.3, 6.6)});
  p.drawPolyline(tick.translated(0, 0.7));
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(tick);
  return img;
}

QImage DrawCheckBusy() {
  // "Under way": a ring with a bright arc, like a spinner caught mid-turn.
  // The check page later draws check_ico.png straight over this one without
  // clearing, so nothing here may reach outside the done icon's disc.
  QImage img = Canvas(20, 20);
  QPainter p(&img);
  Prepare(p);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x10, 0x2B, 0x3B));
  p.drawEllipse(kCentre, kRadius, kRadius);
  const QRectF ring(kCentre.x() - 6.2, kCentre.y() - 6.2, 12.4, 12.4);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(WithAlpha(pal::kAccent, 70), 2.2));
  p.drawEllipse(ring);
  QConicalGradient sweep(kCentre, 90);
  sweep.setColorAt(0.0, pal::kAccentPale);
  sweep.setColorAt(0.7, WithAlpha(pal::kAccent, 40));
  sweep.setColorAt(1.0, WithAlpha(pal::kAccent, 0));
  p.setPen(QPen(QBrush(sweep), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(ring, 90 * 16, 250 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::kAccentPale);
  p.drawEllipse(QPointF(kCentre.x(), kCentre.y() - 6.2), 1.5, 1.5);
  p.setBrush(WithAlpha(pal::kAccent, 230));
  p.drawEllipse(kCentre, 1.8, 1.8);
  return img;
}

QImage DrawWarning() {
  // Drawn at the size the pages show it (19 x 20), so no scaling blurs it.
  QImage img = Canvas(19, 20);
  QPainter p(&img);
  Prepare(p);
  QPainterPath tri;
  tri.moveTo(9.5, 1.6);
  tri.lineTo(18.0, 17.0);
  tri.lineTo(1.0, 17.0);
  tri.closeSubpath();
  QPainterPathStroker round;
  round.setWidth(2.4);
  round.setJoinStyle(Qt::RoundJoin);
  const QPainterPath shape = tri.united(round.createStroke(tri)).simplified();
  SoftShape(p, shape, QColor(0, 0, 0, 130), 3, QPointF(0, 1));
  p.fillPath(shape,
             Linear(QPointF(0, 1), QPointF(0, 18), {{0, QColor(0xFF, 0xC4, 0x4D)}, {1, QColor(0xF0, 0x86, 0x0E)}}));
  p.setPen(QPen(QColor(0x5A, 0x2E, 0x00, 120), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2A, 0x18, 0x02));
  p.drawPath(Capsule(QPointF(9.5, 6.8), QPointF(9.5, 11.4), 1.25));
  p.drawEllipse(QPointF(9.5, 14.4), 1.3, 1.3);
  return img;
}

}  // namespace sp::art
