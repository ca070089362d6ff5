// The PC of the cabling scene, seen from behind: a desktop tower with its
// network port, and its monitor standing behind it with the screen's light
// spilling round the edges.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"
#include "devtools/artgen/ports.h"
#include "devtools/artgen/scenegeom.h"

namespace sp::art {

using namespace scene;

namespace {

Oblique MonitorCam() { return RearCamera(QPointF(418, 116), kScale); }

void RoundGrille(QPainter& p, QPointF c, qreal r) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x07, 0x08, 0x0A));
  p.drawEllipse(c, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x6A, 0x74, 0x80), r * 0.06));
  for (qreal k = 0.3; k < 1.0; k += 0.2) p.drawEllipse(c, r * k, r * k);
  p.drawLine(c - QPointF(r, 0), c + QPointF(r, 0));
  p.drawLine(c - QPointF(0, r), c + QPointF(0, r));
  p.setPen(QPen(QColor(0x8A, 0x94, 0xA0), r * 0.07));
  p.drawEllipse(c, r, r);
}

void DrawMonitor(QPainter& p, const Oblique& cam) {
  const QRectF panel(0, 0, 166, 96);
  // The screen faces away from us; its light spills round the panel.
  const QPainterPath outline = BoxOutline(cam, panel, 0, 10, 3);
  SoftShape(p, outline, WithAlpha(pal::kAccent, 120), 14);
  // Stand: a neck from the back of the panel down to a flat foot.
  SoftShape(p, cam.Top(128).map(RoundRect(QRectF(63, -18, 40, 36), 8)), QColor(0, 0, 0, 150), 6);
  BoxLook metal{QBrush(QColor(0x3A, 0x42, 0x4C)), QBrush(QColor(0x56, 0x60, 0x6C)), QBrush(QColor(0x2A, 0x30, 0x38)),
                QColor(255, 255, 255, 60)};
  ExtrudedBox(p, cam, QRectF(63, 125, 40, 3), -18, 36, 2, metal);
  BoxLook neck{QBrush(Linear(cam.At(54, 40, -14), cam.At(70, 40, -14),
                             {{0, QColor(0x4E, 0x57, 0x63)}, {1, QColor(0x2A, 0x30, 0x38)}})),
               QBrush(QColor(0x4A, 0x53, 0x5E)), QBrush(QColor(0x2C, 0x32, 0x3A)), QColor(255, 255, 255, 60)};
  ExtrudedBox(p, cam, QRectF(75, 52, 16, 74), -12, 10, 3, neck);
  // The panel, thin, with the rounded bulge of the electronics.
  const QPointF a = cam.At(0, 0, 0), b = cam.At(0, panel.height(), 0);
  BoxLook shell{QBrush(Linear(a, b, {{0, QColor(0x34, 0x3B, 0x45)}, {1, QColor(0x20, 0x25, 0x2C)}})),
                QBrush(QColor(0x4A, 0x53, 0x5E)), QBrush(QColor(0x2A, 0x30, 0x38)), QColor(255, 255, 255, 80)};
  ExtrudedBox(p, cam, panel, 0, 10, 3, shell);
  BoxLook bulge{QBrush(Linear(cam.At(43, 18, -8), cam.At(43, 72, -8),
                              {{0, QColor(0x3A, 0x42, 0x4C)}, {1, QColor(0x23, 0x28, 0x30)}})),
                QBrush(QColor(0x4E, 0x58, 0x64)), QBrush(QColor(0x2A, 0x30, 0x38)), QColor(255, 255, 255, 70)};
  ExtrudedBox(p, cam, QRectF(43, 18, 80, 54), -8, 8, 10, bulge);
  ExtrudedBox(p, cam, QRectF(73, 44, 20, 16), -12, 4, 2, neck);  // stand mount
  // Vents along the top of the bulge.
  p.save();
  p.setTransform(cam.Front(-8), true);
  for (int i = 0; i < 10; ++i)
    p.fillPath(RoundRect(QRectF(52 + i * 6.4, 22, 3, 9), 1.5), QColor(0x12, 0x15, 0x19, 200));
  p.restore();
}

void DrawTowerPanel(QPainter& p, const Oblique& cam) {
  using namespace scene::pc;
  p.save();
  p.setTransform(cam.Front(0), true);
  // Power supply at the top: its fan, mains socket and switch.
  p.fillPath(RoundRect(QRectF(4, 4, kW - 8, 42), 2), QColor(0x17, 0x1B, 0x20));
  RoundGrille(p, QPointF(28, 25), 17);
  p.fillPath(RoundRect(QRectF(62, 10, 18, 13), 1.5), QColor(0x0A, 0x0B, 0x0D));
  for (int i = 0; i < 3; ++i) p.fillRect(QRectF(65 + i * 5, 14 + (i == 1 ? -1 : 2), 2, 4), QColor(0x9A, 0xA3, 0xAD));
  p.fillPath(RoundRect(QRectF(66, 28, 9, 13), 1.5), QColor(0x0A, 0x0B, 0x0D));
  p.fillRect(QRectF(67.5, 30, 6, 5), QColor(0x4A, 0x52, 0x5C));
  // The motherboard's port shield, the rear fan, the expansion slots.
  p.fillPath(RoundRect(QRectF(9, 52, 38, 72), 1),
             Linear(QPointF(0, 52), QPointF(0, 124), {{0, QColor(0x9C, 0xA6, 0xB1)}, {1, QColor(0x75, 0x7F, 0x8B)}}));
  RoundGrille(p, QPointF(70, 72), 16);
  for (int i = 0; i < 3; ++i) {
    const QRectF slot(8, 130 + i * 9, kW - 16, 6);
    p.fillPath(RoundRect(slot, 1), QColor(0x5A, 0x63, 0x6E));
    for (int k = 0; k < 6; ++k)
      p.fillRect(QRectF(slot.left() + 14 + k * 10, slot.top() + 2, 6, 2), QColor(0x14, 0x17, 0x1B));
  }
  const QColor audio[] = {QColor(0x3F, 0xA0, 0x5A), QColor(0xD0, 0x6A, 0x9A), QColor(0x4A, 0x7F, 0xD0)};
  for (int i = 0; i < 3; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(audio[i]);
    p.drawEllipse(QPointF(17 + i * 10, 116), 3.0, 3.0);
    p.setBrush(QColor(0x07, 0x08, 0x0A));
    p.drawEllipse(QPointF(17 + i * 10, 116), 1.3, 1.3);
  }
  p.restore();
  DrawUsbSocket(p, cam, QPointF(28, 82));
  DrawUsbSocket(p, cam, QPointF(28, 92));
  DrawUsbSocket(p, cam, QPointF(28, 102));
  DrawRj45Socket(p, cam, kLan, QColor(0x3A, 0x40, 0x48));
}

void DrawTower(QPainter& p, const Oblique& cam) {
  using namespace scene::pc;
  const QRectF face(0, 0, kW, kH);
  FloorShadow(p, cam, face.adjusted(-3, 0, 3, 0), -4, kD + 8, 9, 170);
  const QPointF a = cam.At(0, 0, 0), b = cam.At(0, kH, 0);
  BoxLook look{QBrush(Linear(a, b, {{0, QColor(0x2C, 0x33, 0x3C)}, {1, QColor(0x1B, 0x1F, 0x25)}})),
               QBrush(Linear(a, cam.At(0, 0, kD), {{0, QColor(0x52, 0x5C, 0x68)}, {1, QColor(0x3A, 0x42, 0x4C)}})),
               QBrush(Linear(a, cam.At(0, kH, kD), {{0, QColor(0x30, 0x37, 0x40)}, {1, QColor(0x1B, 0x1F, 0x25)}})),
               QColor(0xC8, 0xD6, 0xE4, 100)};
  ExtrudedBox(p, cam, face, 0, kD, 4, look);
  // Side panel: a smoked window with a faint glow from inside.
  p.save();
  p.setTransform(cam.Side(0), true);
  const QRectF window(22, 18, kD - 44, kH - 50);
  p.fillPath(RoundRect(window, 6), QColor(0x0C, 0x10, 0x15, 210));
  p.fillPath(
      RoundRect(window, 6),
      Linear(window.topLeft(), window.bottomRight(),
             {{0, WithAlpha(pal::kAccent, 40)}, {0.5, WithAlpha(pal::kAccent, 8)}, {1, WithAlpha(pal::kAccent, 30)}}));
  p.setPen(QPen(QColor(255, 255, 255, 30), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(RoundRect(window, 6));
  p.restore();
  DrawTowerPanel(p, cam);
}

}  // namespace

QImage DrawSceneComputer() {
  QImage img = Canvas(563 - kComputerAt.x(), kSceneBottom - kComputerAt.y());
  QPainter p(&img);
  Prepare(p);
  DrawSceneFloor(p, kComputerAt);
  DrawMonitor(p, Local(MonitorCam(), kComputerAt));
  DrawTower(p, Local(TowerCam(), kComputerAt));
  return img;
}

}  // namespace sp::art
