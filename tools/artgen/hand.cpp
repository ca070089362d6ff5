#include "tools/artgen/hand.h"

#include "tools/artgen/artkit.h"

#include <QLineF>

#include <cmath>

namespace sp::art {

namespace {

const QColor kSkin(0xF3, 0xC9, 0xA6);
const QColor kSkinShade(0xCF, 0x95, 0x6E);
const QColor kSkinLine(0x9A, 0x62, 0x40);

// The hand in its own frame: fingertip at the origin, the finger running
// along +x, the back of the hand up (-y).
QPainterPath HandShape() {
  QPainterPath finger = Capsule(QPointF(7, 0), QPointF(58, 2), 7.2);
  QPainterPath palm;
  palm.moveTo(50, -8);
  palm.cubicTo(70, -14, 98, -16, 122, -12);
  palm.lineTo(126, 30);
  palm.cubicTo(104, 38, 76, 36, 60, 24);
  palm.cubicTo(52, 18, 48, 6, 50, -8);
  palm.closeSubpath();
  QPainterPath curled;
  for (int i = 0; i < 3; ++i) {
    const qreal x = 60 + i * 13;
    curled.addRoundedRect(QRectF(x, 8 + i * 2, 17, 22), 8, 8);
  }
  QPainterPath thumb = Capsule(QPointF(62, -12), QPointF(92, -18), 6.5);
  return finger.united(palm).united(curled).united(thumb).simplified();
}

}  // namespace

void DrawPointingHand(QPainter& p, QPointF tip, qreal scale, qreal angle) {
  p.save();
  QTransform t;
  t.translate(tip.x(), tip.y());
  t.rotate(angle);
  t.scale(scale, scale);
  const QPainterPath hand = t.map(HandShape());
  SoftShape(p, hand, QColor(0, 0, 0, 120), static_cast<int>(8 * scale), QPointF(6 * scale, 9 * scale));

  // Sleeve cuff behind the wrist.
  const QPainterPath cuff = t.map(RoundRect(QRectF(116, -20, 46, 56), 9));
  p.fillPath(cuff, Linear(t.map(QPointF(120, -20)), t.map(QPointF(120, 36)),
                          {{0, QColor(0x4C, 0x57, 0x66)}, {1, QColor(0x25, 0x2B, 0x34)}}));
  p.fillPath(t.map(RoundRect(QRectF(116, -20, 7, 56), 3)), QColor(0x6A, 0x77, 0x88));

  p.fillPath(hand, Linear(t.map(QPointF(0, -18)), t.map(QPointF(0, 34)),
                          {{0, Shade(kSkin, 1.06)}, {0.55, kSkin}, {1, kSkinShade}}));
  p.setPen(QPen(WithAlpha(kSkinLine, 150), 1.0 * scale));
  p.setBrush(Qt::NoBrush);
  p.drawPath(hand);

  // Knuckle creases, the thumb's edge, and the nail.
  p.setPen(QPen(WithAlpha(kSkinLine, 110), 0.9 * scale, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 3; ++i) {
    const qreal x = 60 + i * 13;
    p.drawLine(t.map(QPointF(x + 2, 10 + i * 2)), t.map(QPointF(x + 2, 20 + i * 2)));
  }
  p.drawLine(t.map(QPointF(28, -6)), t.map(QPointF(28, 6)));
  p.drawPath(t.map(QPainterPath([] {
    QPainterPath edge(QPointF(66, -6));
    edge.cubicTo(74, -8, 84, -11, 94, -12);
    return edge;
  }())));
  const QPainterPath nail = t.map(RoundRect(QRectF(2.5, -6.2, 13, 6.4), 3));
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
  p.fillPath(arrow, Linear(from, to, {{0, WithAlpha(pal::kAccent, 0)}, {0.35, WithAlpha(pal::kAccent, 170)},
                                      {1, pal::kAccentPale}}));
}

}  // namespace sp::art
