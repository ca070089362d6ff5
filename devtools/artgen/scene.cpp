// The pieces of the cabling scene, seen from behind: the appliance's rear
// panel and the router. (The computer is in computer.cpp.)
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"
#include "devtools/artgen/ports.h"
#include "devtools/artgen/scenegeom.h"

namespace sp::art {

using namespace scene;

namespace {

// A fan behind a round grille, centred at c on the panel z = 0.
void DrawFanGrille(QPainter& p, const Oblique& cam, QPointF c, qreal r) {
  p.save();
  p.setTransform(cam.Front(0), true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x08, 0x0A, 0x0C));
  p.drawEllipse(c, r, r);
  // Blades seen through the grille.
  p.setBrush(QColor(0x22, 0x27, 0x2E));
  for (int i = 0; i < 7; ++i) {
    p.save();
    p.translate(c);
    p.rotate(i * 360.0 / 7);
    QPainterPath blade(QPointF(r * 0.22, 0));
    blade.cubicTo(QPointF(r * 0.5, -r * 0.15), QPointF(r * 0.8, -r * 0.1), QPointF(r * 0.92, r * 0.18));
    blade.cubicTo(QPointF(r * 0.7, r * 0.22), QPointF(r * 0.45, r * 0.2), QPointF(r * 0.22, r * 0.12));
    p.drawPath(blade);
    p.restore();
  }
  p.setBrush(QColor(0x2E, 0x34, 0x3C));
  p.drawEllipse(c, r * 0.24, r * 0.24);
  // Grille: rings and four spokes.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x6F, 0x79, 0x85), r * 0.045));
  for (qreal k = 0.32; k < 1.0; k += 0.17) p.drawEllipse(c, r * k, r * k);
  for (int i = 0; i < 4; ++i) {
    const qreal a = (45 + 90 * i) * M_PI / 180;
    p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r * 0.24, c + QPointF(std::cos(a), std::sin(a)) * r * 0.98);
  }
  p.setPen(QPen(QColor(0x8E, 0x98, 0xA5), r * 0.06));
  p.drawEllipse(c, r, r);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x55, 0x5F, 0x6B));
  p.drawEllipse(c, r * 0.18, r * 0.18);
  p.restore();
}

void Screw(QPainter& p, QPointF c) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x7C, 0x86, 0x92));
  p.drawEllipse(c, 1.9, 1.9);
  p.setPen(QPen(QColor(0x2A, 0x30, 0x38), 0.5));
  p.drawLine(c + QPointF(-1.1, 0), c + QPointF(1.1, 0));
}

void DrawApplianceRear(QPainter& p, const Oblique& cam) {
  using namespace scene::vbx;
  const QRectF face(0, 0, kW, kH);
  FloorShadow(p, cam, face.adjusted(-3, 0, 3, 0), -4, kD + 8, 9, 170);
  const QPointF a = cam.At(0, 0, 0), b = cam.At(0, kH, 0);
  BoxLook look{QBrush(Linear(a, b, {{0, QColor(0x2F, 0x36, 0x3F)}, {1, QColor(0x1E, 0x23, 0x2A)}})),
               QBrush(Linear(a, cam.At(0, 0, kD), {{0, QColor(0x56, 0x60, 0x6C)}, {1, QColor(0x3C, 0x44, 0x4E)}})),
               QBrush(Linear(a, cam.At(0, kH, kD), {{0, QColor(0x34, 0x3B, 0x45)}, {1, QColor(0x1E, 0x23, 0x29)}})),
               QColor(0xC8, 0xD6, 0xE4, 110)};
  ExtrudedBox(p, cam, face, 0, kD, 9, look);

  // The right-hand side (on the left here): the vents near the back and the
  // wordmark, as on the front view.
  p.save();
  p.setTransform(cam.Side(0), true);
  for (int i = 0; i < 9; ++i) {
    const QRectF slot(15 + i * 10, 118, 4, 36);
    p.fillPath(RoundRect(slot, 2), QColor(0x0E, 0x11, 0x15, 200));
  }
  p.scale(-1, 1);  // the side is seen from outside: text runs towards the back
  QFont mark = UiFont(9, QFont::Bold);
  mark.setLetterSpacing(QFont::AbsoluteSpacing, 2.4);
  Text(p, QPointF(-197, 30), QStringLiteral("VAULTLINE"), mark, QColor(255, 255, 255, 34));
  p.restore();

  p.save();
  p.setTransform(cam.Front(0), true);
  p.fillPath(RoundRect(QRectF(5, 112, kW - 10, 50), 4), QColor(0x15, 0x19, 0x1E));
  for (const QPointF& s : {QPointF(18, 18), QPointF(90, 18), QPointF(18, 98), QPointF(90, 98)}) Screw(p, s);
  // Product sticker with a barcode.
  p.fillPath(RoundRect(QRectF(24, 146, 40, 12), 1), QColor(0xD9, 0xDE, 0xE3));
  for (int i = 0; i < 14; ++i)
    p.fillRect(QRectF(27 + i * 2.4, 149, (i % 3 == 0) ? 1.3 : 0.7, 6), QColor(0x20, 0x24, 0x29));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x05, 0x06, 0x08));
  p.drawEllipse(QPointF(92, 123), 1.1, 1.1);  // reset
  p.fillPath(RoundRect(QRectF(92, 148, 7, 4), 1), QColor(0x05, 0x06, 0x08));
  p.restore();
  DrawFanGrille(p, cam, QPointF(54, 58), 36);
  DrawDcJack(p, cam, kJack);
  DrawUsbSocket(p, cam, QPointF(46, 129));
  DrawRj45Socket(p, cam, kLan, QColor(0x2A, 0x30, 0x38));
}

void DrawAntenna(QPainter& p, const Oblique& cam, qreal x, qreal tilt) {
  p.save();
  p.setTransform(cam.Front(14), true);
  p.translate(x, -1);
  p.rotate(tilt);
  QPainterPath blade;
  blade.moveTo(-4.2, -4);
  blade.lineTo(-3.4, -104);
  blade.quadTo(0, -110, 3.4, -104);
  blade.lineTo(4.2, -4);
  blade.closeSubpath();
  SoftShape(p, blade, QColor(0, 0, 0, 90), 3, QPointF(1.5, 1.5));
  p.fillPath(blade,
             Linear(QPointF(-4.2, 0), QPointF(4.2, 0),
                    {{0, QColor(0x4A, 0x53, 0x5F)}, {0.35, QColor(0x2C, 0x32, 0x3A)}, {1, QColor(0x16, 0x19, 0x1E)}}));
  p.fillRect(QRectF(-3.6, -30, 7.2, 1.2), QColor(0x10, 0x13, 0x17));
  p.fillPath(RoundRect(QRectF(-5, -8, 10, 9), 3),
             Linear(QPointF(-5, 0), QPointF(5, 0), {{0, QColor(0x5A, 0x64, 0x70)}, {1, QColor(0x22, 0x27, 0x2E)}}));
  p.restore();
}

void DrawRouterRear(QPainter& p, const Oblique& cam) {
  using namespace scene::router;
  const QRectF face(0, 0, kW, kH);
  FloorShadow(p, cam, face.adjusted(-3, 0, 3, 0), -4, kD + 8, 8, 160);
  const QPointF a = cam.At(0, 0, 0), b = cam.At(0, kH, 0);
  BoxLook look{
      QBrush(Linear(a, b, {{0, QColor(0x2C, 0x33, 0x3C)}, {1, QColor(0x1A, 0x1E, 0x24)}})),
      QBrush(Linear(cam.At(kW, 0, 0), cam.At(0, 0, kD),
                    {{0, QColor(0x4C, 0x56, 0x62)}, {0.5, QColor(0x3A, 0x42, 0x4C)}, {1, QColor(0x2E, 0x35, 0x3E)}})),
      QBrush(Linear(a, cam.At(0, kH, kD), {{0, QColor(0x2A, 0x30, 0x38)}, {1, QColor(0x18, 0x1C, 0x21)}})),
      QColor(0xC8, 0xD6, 0xE4, 100)};
  ExtrudedBox(p, cam, face, 0, kD, 5, look);

  // Top: a field of vent slots and the (unlit) status lights at the far edge.
  p.save();
  p.setTransform(cam.Top(0), true);
  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 12; ++col)
      p.fillPath(RoundRect(QRectF(40 + col * 8, 30 + row * 12, 4, 8), 1.5), QColor(0x14, 0x17, 0x1C, 190));
  for (int i = 0; i < 6; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1A, 0x1E, 0x23));
    p.drawEllipse(QPointF(40 + i * 16, 118), 1.8, 1.8);
  }
  p.restore();

  DrawRj45Socket(p, cam, QPointF(29, 17), QColor(0x2C, 0x6F, 0xB8));  // internet
  for (int i = 0; i < 4; ++i) DrawRj45Socket(p, cam, QPointF(49 + 18 * i, 17), QColor(0xC8, 0x8B, 0x22));
  p.save();
  p.setTransform(cam.Front(0), true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x05, 0x06, 0x08));
  p.drawEllipse(QPointF(124, 17), 1.3, 1.3);
  p.setBrush(QColor(0x3C, 0x44, 0x4F));
  p.drawEllipse(QPointF(138, 17), 3.2, 3.2);  // power switch
  p.restore();
  DrawDcJack(p, cam, kJack);
  DrawAntenna(p, cam, 12, -7);
  DrawAntenna(p, cam, kW - 24, 6);
}

}  // namespace

void DrawSceneFloor(QPainter& p, QPointF imageAt) {
  p.save();
  p.translate(kFloorLight - imageAt);
  p.scale(1.0, 0.26);
  Glow(p, QPointF(0, 0), 300, QColor(0x3D, 0xB4, 0xE9, 30));
  p.restore();
}

QImage DrawSceneAppliance() {
  QImage img = Canvas(kRouterAt.x() - kApplianceAt.x(), kSceneBottom - kApplianceAt.y());
  QPainter p(&img);
  Prepare(p);
  DrawSceneFloor(p, kApplianceAt);
  DrawApplianceRear(p, Local(ApplianceCam(), kApplianceAt));
  return img;
}

QImage DrawSceneRouter() {
  QImage img = Canvas(kComputerAt.x() - kRouterAt.x(), kSceneBottom - kRouterAt.y());
  QPainter p(&img);
  Prepare(p);
  DrawSceneFloor(p, kRouterAt);
  DrawRouterRear(p, Local(RouterCam(), kRouterAt));
  return img;
}

}  // namespace sp::art
