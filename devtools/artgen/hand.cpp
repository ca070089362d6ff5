#include "devtools/artgen/hand.h"

#include "devtools/artgen/artkit.h"

#include <QLineF>

#include <cmath>

namespace sp::art {

namespace {

const QColor kSkin(0xF3, 0xC9, 0xA6);
const QColor kSkinShade(0xCF, 0x95, 0x6E);
const QColor kSkinLine(0x9A, 0x62, 0x40);

// The hand in its own frame: fingertip at the origin, the finger running
// along +x, the back of the hand up (-y).
QPainterPath Tapered(QPointF a, qreal ra, QPointF b, qreal rb) {
  QPainterPath path;
  path.addEllipse(a, ra, ra);
  path.addEllipse(b, rb, rb);
  const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
  const QPointF n(-d.y(), d.x());
  QPainterPath side;
  side.addPolygon(QPolygonF({a + n * ra, b + n * rb, b - n * rb, a - n * ra}));
  return path.united(side);
}

QPainterPath FistShape() {
  QPainterPath palm;
  palm.moveTo(50, -8);
  palm.cubicTo(70, -14, 98, -16, 122, -12);
  palm.lineTo(126, 30);
  palm.cubicTo(104, 38, 76, 36, 60, 24);
  palm.cubicTo(52, 18, 48, 6, 50, -8);
  palm.closeSubpath();
  QPainterPath curled;
  for (int i = 0; i < 3; ++i) curled.addRoundedRect(QRectF(58 + i * 13, 7 + i * 2, 17, 23), 8.5, 8.5);
  return Tapered(QPointF(6.6, 0), 6.6, QPointF(58, 1.5), 7.8).united(palm).united(curled).simplified();
}

QPainterPath ThumbShape() { return Tapered(QPointF(58, -5.5), 5.6, QPointF(92, -13), 7.0); }

}  // namespace

void DrawPointingHand(QPainter& p, QPointF tip, qreal scale, qreal angle) {
  p.save();
  QTransform t;
  t.translate(tip.x(), tip.y());
  t.rotate(angle);
  t.scale(scale, scale);
  const QPainterPath fist = t.map(FistShape());
  const QPainterPath thumb = t.map(ThumbShape());
  SoftShape(p, fist.united(thumb), QColor(0, 0, 0, 120), static_cast<int>(8 * scale), QPointF(6 * scale, 9 * scale));

  // Sleeve cuff behind the wrist.
  const QPainterPath cuff = t.map(RoundRect(QRectF(116, -20, 46, 56), 9));
  p.fillPath(cuff, Linear(t.map(QPointF(120, -20)), t.map(QPointF(120, 36)),
                          {{0, QColor(0x4C, 0x57, 0x66)}, {1, QColor(0x25, 0x2B, 0x34)}}));
  p.fillPath(t.map(RoundRect(QRectF(116, -20, 7, 56), 3)), QColor(0x6A, 0x77, 0x88));

  const QBrush skin(
      Linear(t.map(QPointF(0, -18)), t.map(QPointF(0, 34)), {{0, Shade(kSkin, 1.06)}, {0.55, kSkin}, {1, kSkinShade}}));
  const QPen outline(WithAlpha(kSkinLine, 150), 1.0 * scale);
  p.fillPath(fist, skin);
  p.setPen(outline);
  p.setBrush(Qt::NoBrush);
  p.drawPath(fist);
  // Creases between the curled fingers and at the finger's joint.
  p.setPen(QPen(WithAlpha(kSkinLine, 110), 0.9 * scale, Qt::SolidLine, Qt::RoundCap));
  for (int i = 1; i < 3; ++i) {
    const qreal x = 58 + i * 13;
    p.drawLine(t.map(QPointF(x + 1, 16 + i * 2)), t.map(QPointF(x + 1, 28 + i * 2)));
  }
  p.drawLine(t.map(QPointF(30, -5)), t.map(QPointF(30, 5)));
  // The thumb lies along the side of the fist, lit from above.
  p.fillPath(thumb,
             Linear(t.map(QPointF(0, -20)), t.map(QPointF(0, -2)), {{0, Shade(kSkin, 1.1)}, {1, Shade(kSkin, 0.96)}}));
  p.setPen(outline);
  p.drawPath(thumb);
  const QPainterPath nail = t.map(RoundRect(QRectF(2.5, -6.0, 13, 6.2), 3));
  p.fillPath(nail, QColor(0xFB, 0xE3, 0xD3));
  p.setPen(QPen(WithAlpha(kSkinLine, 120), 0.7 * scale));
  p.drawPath(nail);
  p.restore();
}

void DrawMotionArrow(QPainter& p, QPointF from, QPointF to, qreal width) {
  const QLineF line(from, to);
  const qreal len = line.length();
  if (len < 1) return;
  const QPointF dir = (to - from) / len;
  const QPointF nrm(-dir.y(), dir.x());
  const qreal head = width * 2.6;
  const QPointF base = to - dir * head;
  QPainterPath arrow;
  arrow.moveTo(from + nrm * (width * 0.15));
  arrow.lineTo(base + nrm * (width * 0.5));
  arrow.lineTo(base + nrm * (width * 1.25));
  arrow.lineTo(to);
  arrow.lineTo(base - nrm * (width * 1.25));
  arrow.lineTo(base - nrm * (width * 0.5));
  arrow.lineTo(from - nrm * (width * 0.15));
  arrow.closeSubpath();
  SoftShape(p, arrow, WithAlpha(pal::kAccent, 120), static_cast<int>(width * 1.6));
  p.fillPath(
      arrow,
      Linear(from, to, {{0, WithAlpha(pal::kAccent, 0)}, {0.35, WithAlpha(pal::kAccent, 170)}, {1, pal::kAccentPale}}));
}

}  // namespace sp::art
