#include "devtools/artgen/ports.h"

#include "devtools/artgen/artkit.h"

#include <cmath>

namespace sp::art {

namespace {

const QColor kCavity(0x06, 0x07, 0x09);

QPainterPath Rect(QPointF c, qreal w, qreal h, qreal r) {
  return RoundRect(QRectF(c.x() - w / 2, c.y() - h / 2, w, h), r);
}

// A round cross-section (circle of radius r around c on the plane z0)
// extruded by depth: a cylinder along the depth axis.
QPainterPath Cylinder(QPainter& p, const Oblique& cam, QPointF c, qreal r, qreal z0, qreal depth, const QColor& base) {
  const QPointF a = cam.At(c.x() - r, c.y() - r, z0), b = cam.At(c.x() + r, c.y() + r, z0);
  BoxLook look{QBrush(Linear(a, b, {{0, Shade(base, 1.25)}, {1, Shade(base, 0.7)}})), QBrush(Shade(base, 1.15)),
               QBrush(Shade(base, 0.8)), QColor(255, 255, 255, 90)};
  return ExtrudedBox(p, cam, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), z0, depth, r * 0.999, look);
}

}  // namespace

QPointF OutOfPanel(const Oblique& cam) { return -cam.Depth(1); }

void DrawRj45Socket(QPainter& p, const Oblique& cam, QPointF c, const QColor& insert) {
  p.save();
  p.setTransform(cam.Front(0), true);
  p.fillPath(Rect(c, 15, 13.5, 1.6), QColor(0x0B, 0x0D, 0x10));
  p.fillPath(Rect(c, 14, 12.5, 1.4), Linear(c - QPointF(0, 6), c + QPointF(0, 6),
                                            {{0, QColor(0xB8, 0xC0, 0xC9)}, {1, QColor(0x7D, 0x86, 0x91)}}));
  p.fillPath(Rect(c + QPointF(0, 0.3), 11.6, 9.6, 0.8), insert);
  QPainterPath hole = Rect(c + QPointF(0, 0.3), 9.6, 7.4, 0.6);
  hole.addRect(QRectF(c.x() - 2.2, c.y() + 3.5, 4.4, 2.2));
  p.fillPath(hole.simplified(), kCavity);
  for (int i = 0; i < 8; ++i)  // contacts
    p.fillRect(QRectF(c.x() - 4.1 + i * 1.1, c.y() - 3.1, 0.55, 2.0), pal::kCopper);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2B, 0x5E, 0x3A));
  p.drawRect(QRectF(c.x() - 6.2, c.y() - 5.6, 2.2, 1.4));
  p.setBrush(QColor(0x6A, 0x4B, 0x1A));
  p.drawRect(QRectF(c.x() + 4.0, c.y() - 5.6, 2.2, 1.4));
  p.restore();
}

void DrawDcJack(QPainter& p, const Oblique& cam, QPointF c) {
  p.save();
  p.setTransform(cam.Front(0), true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x0B, 0x0D, 0x10));
  p.drawEllipse(c, 5.2, 5.2);
  p.setBrush(
      Linear(c - QPointF(0, 4.5), c + QPointF(0, 4.5), {{0, QColor(0xA9, 0xB2, 0xBC)}, {1, QColor(0x5E, 0x67, 0x72)}}));
  p.drawEllipse(c, 4.4, 4.4);
  p.setBrush(kCavity);
  p.drawEllipse(c, 3.0, 3.0);
  p.setBrush(QColor(0xC9, 0xD1, 0xD9));
  p.drawEllipse(c, 0.9, 0.9);
  p.restore();
}

void DrawUsbSocket(QPainter& p, const Oblique& cam, QPointF c) {
  p.save();
  p.setTransform(cam.Front(0), true);
  p.fillPath(Rect(c, 13.5, 6.2, 0.8), QColor(0x9C, 0xA5, 0xAF));
  p.fillPath(Rect(c, 12, 4.8, 0.5), kCavity);
  p.fillRect(QRectF(c.x() - 5, c.y() - 2.2, 10, 1.8), QColor(0x2F, 0x6F, 0xC9));
  p.restore();
}

QPointF DrawRj45PlugIn(QPainter& p, const Oblique& cam, QPointF c, const QColor& boot) {
  // Clear body sticking 7 mm out of the socket, then the boot.
  const QRectF body(c.x() - 5.9, c.y() - 4.4, 11.8, 8.8);
  BoxLook clear{QBrush(QColor(0xD8, 0xE4, 0xEC, 200)), QBrush(QColor(0xEE, 0xF5, 0xFA, 210)),
                QBrush(QColor(0xB0, 0xBE, 0xC9, 200)), QColor(255, 255, 255, 120)};
  ExtrudedBox(p, cam, body, -7, 7, 1.2, clear);
  const QRectF bootFace(c.x() - 5.2, c.y() - 4.0, 10.4, 8.0);
  BoxLook rubber{
      QBrush(Linear(cam.At(bootFace.left(), bootFace.top(), -20), cam.At(bootFace.left(), bootFace.bottom(), -20),
                    {{0, Shade(boot, 1.2)}, {1, Shade(boot, 0.75)}})),
      QBrush(Shade(boot, 1.3)), QBrush(Shade(boot, 0.8)), QColor(255, 255, 255, 110)};
  ExtrudedBox(p, cam, bootFace, -20, 13, 2.4, rubber);
  return cam.At(c.x(), c.y(), -20);
}

void DrawRj45PlugLoose(QPainter& p, QPointF tip, QPointF back, qreal scale, const QColor& boot) {
  const qreal len = std::hypot(back.x(), back.y());
  if (len <= 0) return;
  back /= len;
  p.save();
  p.translate(tip);
  p.rotate(std::atan2(back.y(), back.x()) * 180 / M_PI);
  p.scale(scale, scale);
  // Along +x from the tip: 21 mm of clear body, then 14 mm of boot.
  const QPainterPath body = RoundRect(QRectF(0, -6, 21, 12), 1.6);
  SoftShape(p, body.united(RoundRect(QRectF(19, -5, 15, 10), 3)), QColor(0, 0, 0, 110), 3, QPointF(0, 2));
  p.fillPath(body, Linear(QPointF(0, -6), QPointF(0, 6),
                          {{0, QColor(0xF2, 0xF7, 0xFA, 235)}, {1, QColor(0xB9, 0xC6, 0xD0, 235)}}));
  for (int i = 0; i < 8; ++i) p.fillRect(QRectF(1, -4.6 + i * 1.2, 4, 0.6), pal::kCopper);
  p.fillRect(QRectF(6, 5, 11, 2.2), QColor(0xD0, 0xDA, 0xE2, 220));  // latch
  p.fillPath(RoundRect(QRectF(19, -5, 15, 10), 3),
             Linear(QPointF(0, -5), QPointF(0, 5), {{0, Shade(boot, 1.25)}, {1, Shade(boot, 0.75)}}));
  p.restore();
}

QPointF DrawDcPlug(QPainter& p, const Oblique& cam, QPointF c, qreal gap) {
  const QColor grip(0x4A, 0x52, 0x5D);
  const qreal z = -gap;
  // Drawn a little larger than life so it reads at the scene's scale.
  if (gap > 0.5) Cylinder(p, cam, c, 3.0, z - 0.01, 10, QColor(0xB7, 0xC0, 0xCA));  // metal barrel
  Cylinder(p, cam, c, 6.0, z - 24, 24, grip);                                       // grip
  Cylinder(p, cam, c, 3.2, z - 34, 10, QColor(0x3A, 0x41, 0x4A));                   // strain relief
  return cam.At(c.x(), c.y(), z - 34);
}

}  // namespace sp::art
