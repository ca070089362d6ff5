#include "devtools/artgen/appliance.h"

#include "devtools/artgen/artkit.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace sp::art {

using namespace vbx;

namespace {

const QColor kBezelTop(0x27, 0x2D, 0x35);
const QColor kBezelBottom(0x16, 0x1A, 0x1F);

QRectF BayRect(int i) { return QRectF(kBayX[i], kBayTop, kBayW, kBayH); }

void DrawBody(QPainter& p, const Oblique& cam) {
  const QRectF face(0, 0, kW, kH);
  FloorShadow(p, cam, face.adjusted(-4, 0, 4, 0), -6, kD + 10, 14, 170);
  const QPointF f0 = cam.At(0, 0, 0), f1 = cam.At(0, kH, 0);
  const QPointF back = cam.At(0, 0, kD), side0 = cam.At(kW, 0, 0), side1 = cam.At(kW, 0, kD);
  BoxLook look{QBrush(Linear(f0, f1, {{0, kBezelTop}, {0.5, QColor(0x1D, 0x22, 0x29)}, {1, kBezelBottom}})),
               QBrush(Linear(f0, back, {{0, QColor(0x55, 0x5F, 0x6B)}, {1, QColor(0x3A, 0x42, 0x4C)}})),
               QBrush(Linear(side0, side1 + QPointF(0, kH * cam.scale),
                             {{0, QColor(0x33, 0x3A, 0x44)}, {1, QColor(0x1C, 0x21, 0x27)}})),
               QColor(0xC8, 0xD6, 0xE4, 110)};
  const QPainterPath front = ExtrudedBox(p, cam, face, 0, kD, 9, look);

  // Right side: a row of vent slots near the back and a quiet wordmark.
  p.save();
  p.setTransform(cam.Side(kW), true);
  for (int i = 0; i < 9; ++i) {
    const QRectF slot(120 + i * 10, 118, 4, 36);
    p.fillPath(RoundRect(slot, 2), QColor(0x0E, 0x11, 0x15, 200));
    p.fillRect(QRectF(slot.left() + 0.5, slot.bottom() - 1, 3, 1), QColor(255, 255, 255, 18));
  }
  QFont mark = UiFont(9, QFont::Bold);
  mark.setLetterSpacing(QFont::AbsoluteSpacing, 2.4);
  Text(p, QPointF(28, 30), QStringLiteral("VAULTLINE"), mark, QColor(255, 255, 255, 34));
  p.restore();

  // Front: a lit chamfer along the top and right edges of the bezel.
  p.save();
  p.setClipPath(front);
  p.setPen(QPen(QColor(255, 255, 255, 45), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawPath(cam.Front(0).map(RoundRect(face.adjusted(0.6, 0.6, -0.6, -0.6), 8.5)));
  p.restore();
}

void DrawBayCavity(QPainter& p, const Oblique& cam, int i) {
  const QRectF bay = BayRect(i);
  const QPainterPath hole = cam.Front(0).map(RoundRect(bay, 2.5));
  p.fillPath(hole, QColor(0x07, 0x08, 0x0A));
  p.save();
  p.setClipPath(hole);
  // Left wall and floor, fading into the dark.
  p.save();
  p.setTransform(cam.Side(bay.left()), true);
  p.fillRect(QRectF(0, bay.top(), 160, bay.height()),
             Linear(QPointF(0, 0), QPointF(120, 0), {{0, QColor(0x3A, 0x42, 0x4C)}, {1, QColor(0x0A, 0x0C, 0x0F)}}));
  for (int r = 0; r < 2; ++r)  // guide rails
    p.fillRect(QRectF(0, bay.top() + 8 + r * (bay.height() - 20), 150, 3), QColor(0x55, 0x5E, 0x69, 90));
  p.restore();
  p.save();
  p.setTransform(cam.Top(bay.bottom()), true);
  p.fillRect(QRectF(bay.left(), 0, bay.width(), 160),
             Linear(QPointF(0, 0), QPointF(0, 110), {{0, QColor(0x2A, 0x30, 0x38)}, {1, QColor(0x08, 0x0A, 0x0C)}}));
  p.restore();
  // The connector waiting at the back.
  p.save();
  p.setTransform(cam.Front(175), true);
  p.fillRect(QRectF(bay.left() + 9, bay.top() + 30, 7, 50), QColor(0x2C, 0x33, 0x3C, 160));
  p.restore();
  p.restore();
  // Rim of the opening.
  p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPath(hole);
}

void DrawLowerStrip(QPainter& p, const Oblique& cam, const FrontState& s) {
  p.save();
  p.setTransform(cam.Front(0), true);
  // Bay numbers under the openings.
  QFont num = UiFont(7.5, QFont::Bold);
  for (int i = 0; i < 2; ++i) {
    p.setFont(num);
    p.setPen(QColor(0x8A, 0x95, 0xA3));
    p.drawText(QRectF(kBayX[i], 131, kBayW, 9), Qt::AlignCenter, QString::number(i + 1));
  }
  // Status lights: system, network, drive 1, drive 2.
  const QColor lit[] = {pal::kAccent, pal::kGreen, pal::kAccent, pal::kAccent};
  for (int i = 0; i < 4; ++i) {
    const QPointF c(16 + i * 11, 153);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0A, 0x0C, 0x0F));
    p.drawEllipse(c, 2.4, 2.4);
    if (s.powered) {
      p.setBrush(Mix(lit[i], Qt::white, 0.35));
      p.drawEllipse(c, 1.7, 1.7);
    } else {
      p.setBrush(QColor(0x3A, 0x41, 0x4A));
      p.drawEllipse(c, 1.6, 1.6);
    }
  }
  p.restore();
  if (s.powered) {
    for (int i = 0; i < 4; ++i) Glow(p, cam.At(16 + i * 11, 153, 0), 5.5 * cam.scale, WithAlpha(lit[i], 170));
  }
}

void DrawPowerButton(QPainter& p, const Oblique& cam, const FrontState& s) {
  const QPointF c = PowerButtonAt(cam);
  const qreal r = 7 * cam.scale;
  if (s.powered || s.buttonGlow) Glow(p, c, r * 2.1, WithAlpha(pal::kAccent, s.powered ? 150 : 110));
  p.setPen(Qt::NoPen);
  p.setBrush(
      Linear(c - QPointF(0, r), c + QPointF(0, r), {{0, QColor(0x0B, 0x0D, 0x10)}, {1, QColor(0x3A, 0x42, 0x4C)}}));
  p.drawEllipse(c, r, r);
  p.setBrush(
      Linear(c - QPointF(0, r), c + QPointF(0, r), {{0, QColor(0x3B, 0x43, 0x4D)}, {1, QColor(0x1B, 0x1F, 0x25)}}));
  p.drawEllipse(c, r * 0.82, r * 0.82);
  // The ring of light and the power symbol.
  const bool on = s.powered || s.buttonGlow;
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(on ? pal::kAccentPale : QColor(0x56, 0x60, 0x6C), 1.1 * cam.scale));
  p.drawEllipse(c, r * 0.82, r * 0.82);
  const qreal g = r * 0.36;
  p.setPen(QPen(on ? pal::kAccentPale : QColor(0x8A, 0x95, 0xA3), 0.9 * cam.scale, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(c.x() - g, c.y() - g, 2 * g, 2 * g), 120 * 16, 300 * 16);
  p.drawLine(c + QPointF(0, -g * 1.25), c + QPointF(0, -g * 0.25));
}

const QRectF kCoverFace(5, 6, kW - 10, 124);

void DrawCover(QPainter& p, const Oblique& cam, const FrontState& s) {
  const QRectF face = kCoverFace;
  const qreal z = s.coverZ - 1.5;
  const QPointF t0 = cam.At(face.left(), face.top(), z), t1 = cam.At(face.left(), face.bottom(), z);
  BoxLook look{QBrush(Linear(t0, t1, {{0, QColor(0x22, 0x28, 0x30)}, {1, QColor(0x11, 0x14, 0x18)}})),
               QBrush(QColor(0x4A, 0x53, 0x5E)), QBrush(QColor(0x2A, 0x30, 0x38)), QColor(0xD0, 0xDC, 0xE8, 120)};
  if (s.coverZ < -0.5) {
    // Held in front of the box: it throws a soft shadow onto the bezel.
    const QPainterPath shade = cam.Front(0).map(RoundRect(face.translated(2, 6), 6));
    SoftShape(p, shade, QColor(0, 0, 0, 130), 10);
  }
  const QPainterPath front = ExtrudedBox(p, cam, face, z, 4, 6, look);
  p.save();
  p.setClipPath(front);
  // A diagonal reflection across the gloss.
  const QPointF a = cam.At(face.left(), face.top() + 20, z), b = cam.At(face.right(), face.top() + 60, z);
  p.fillPath(front, Linear(a, b,
                           {{0, QColor(255, 255, 255, 0)},
                            {0.45, QColor(255, 255, 255, 20)},
                            {0.55, QColor(255, 255, 255, 6)},
                            {1, QColor(255, 255, 255, 0)}}));
  p.setTransform(cam.Front(z), true);
  for (int i = 0; i < 2; ++i) {
    const qreal cx = kBayX[i] + kBayW / 2;
    const QRectF pipe(cx - 1.3, 22, 2.6, 92);
    p.fillPath(RoundRect(pipe, 1.3), s.powered ? pal::kAccentPale : QColor(0x33, 0x3B, 0x45));
  }
  QFont brand = UiFont(5.2, QFont::Bold);
  brand.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  p.setFont(brand);
  p.setPen(QColor(0x9D, 0xA8, 0xB5, 150));
  p.drawText(QRectF(face.left(), face.bottom() - 11, face.width(), 8), Qt::AlignCenter, QStringLiteral("VAULTLINE"));
  p.restore();
  if (s.powered) {
    // The light pipes bloom evenly along their length.
    for (int i = 0; i < 2; ++i) {
      const qreal cx = kBayX[i] + kBayW / 2;
      const QPainterPath pipe = cam.Front(z).map(RoundRect(QRectF(cx - 1.6, 21, 3.2, 94), 1.6));
      SoftShape(p, pipe, WithAlpha(pal::kAccent, 110), static_cast<int>(16 * cam.scale));
      SoftShape(p, pipe, WithAlpha(pal::kAccent, 240), static_cast<int>(5 * cam.scale));
      p.fillPath(pipe, WithAlpha(pal::kAccentPale, 230));
      p.fillPath(cam.Front(z).map(RoundRect(QRectF(cx - 0.5, 23, 1.0, 90), 0.5)), QColor(255, 255, 255, 220));
    }
  }
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(cam.Front(z).map(RoundRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 5.5)));
}

}  // namespace

QPointF PowerButtonAt(const Oblique& cam) { return cam.At(88, 151, 0); }

void HighlightCover(QPainter& p, const Oblique& cam) {
  const QPainterPath edge = cam.Front(-1.5).map(RoundRect(kCoverFace, 6));
  QPainterPathStroker stroke;
  stroke.setWidth(2.2 * cam.scale);
  const QPainterPath ring = stroke.createStroke(edge);
  SoftShape(p, ring, WithAlpha(pal::kAccent, 200), 8);
  p.fillPath(ring, WithAlpha(pal::kAccentPale, 200));
}

void DrawDrive(QPainter& p, const Oblique& cam, qreal x, qreal y, qreal zFront, qreal zFrom, qreal zTo) {
  zFrom = std::max(zFrom, zFront);
  zTo = std::min(zTo, zFront + kDriveLen);
  const qreal len = zTo - zFrom;
  if (len <= 0) return;
  const qreal z = zFront;
  const QRectF end(x, y, 26, 102);
  const QPointF s0 = cam.At(x + 26, y, z), s1 = cam.At(x + 26, y + 102, z + kDriveLen);
  BoxLook look{QBrush(Linear(cam.At(x, y, z), cam.At(x, y + 102, z),
                             {{0, QColor(0x9A, 0xA4, 0xAF)}, {1, QColor(0x6A, 0x73, 0x7E)}})),
               QBrush(Linear(cam.At(x, y, z), cam.At(x, y, z + kDriveLen),
                             {{0, QColor(0x75, 0x7F, 0x8B)}, {1, QColor(0x4E, 0x56, 0x60)}})),
               QBrush(Linear(s0, s1, {{0, QColor(0xD5, 0xDC, 0xE3)}, {1, QColor(0x93, 0x9D, 0xA8)}})),
               QColor(255, 255, 255, 90)};
  ExtrudedBox(p, cam, end, zFrom, len, 2.5, look);

  // The big side is the drive's lid: a label and the spindle's round bulge.
  p.save();
  p.setTransform(cam.Side(x + 26), true);
  p.setClipRect(QRectF(zFrom, y, len, 102), Qt::IntersectClip);
  const QRectF label(z + 14, y + 10, 76, 60);
  p.fillPath(RoundRect(label, 3), QColor(0x20, 0x26, 0x2E));
  p.fillRect(QRectF(label.left(), label.top(), label.width(), 7), pal::kAccent);
  for (int i = 0; i < 4; ++i)
    p.fillRect(QRectF(label.left() + 6, label.top() + 16 + i * 9, 40 - i * 7, 3), QColor(255, 255, 255, 150 - i * 25));
  p.fillRect(QRectF(label.right() - 18, label.bottom() - 17, 12, 12), QColor(255, 255, 255, 170));
  p.setPen(QPen(QColor(0x6A, 0x74, 0x80), 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(z + 116, y + 50), 22, 22);
  p.setBrush(QColor(0x7E, 0x88, 0x93));
  for (const QPointF& c :
       {QPointF(z + 5, y + 6), QPointF(z + 5, y + 96), QPointF(z + 142, y + 6), QPointF(z + 142, y + 96)})
    p.drawEllipse(c, 1.6, 1.6);
  p.restore();

  // The end that faces out: plain metal with two screw holes and a grip.
  if (zFrom > zFront) return;
  p.save();
  p.setTransform(cam.Front(z), true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x45, 0x4D, 0x57));
  p.drawEllipse(QPointF(x + 13, y + 14), 2, 2);
  p.drawEllipse(QPointF(x + 13, y + 88), 2, 2);
  p.fillPath(RoundRect(QRectF(x + 8, y + 36, 10, 30), 3), QColor(0x30, 0x36, 0x3E));
  p.restore();
}

void DrawApplianceFront(QPainter& p, const Oblique& cam, const FrontState& s) {
  DrawBody(p, cam);
  const bool coverClosed = s.cover && s.coverZ > -0.5;
  if (!coverClosed) {
    for (int i = 0; i < 2; ++i) {
      DrawBayCavity(p, cam, i);
      if (s.drive[i] <= kAbsent) continue;
      // The part inside the bay shows only through the opening.
      p.save();
      p.setClipPath(cam.Front(0).map(RoundRect(BayRect(i), 2.5)));
      DrawDrive(p, cam, kBayX[i] + 2, kBayTop + 5, s.drive[i], 0, s.drive[i] + kDriveLen);
      p.restore();
    }
  }
  DrawLowerStrip(p, cam, s);
  DrawPowerButton(p, cam, s);
  // Drives still outside, nearest last.
  if (!coverClosed) {
    for (int i = 1; i >= 0; --i) {
      if (s.drive[i] <= kAbsent || s.drive[i] >= 0) continue;
      DrawDrive(p, cam, kBayX[i] + 2, kBayTop + 5, s.drive[i], s.drive[i], 0);
    }
  }
  if (s.cover) DrawCover(p, cam, s);
}

}  // namespace sp::art
