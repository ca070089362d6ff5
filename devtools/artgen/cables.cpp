// The cabling scene's sprite strips: a frame every 500 pixels, each frame
// drawn at a fixed page position by the install guide. A frame's first 60
// columns stay empty: the page also shows the next frame's start, 500
// pixels to the right of the one on show.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"
#include "devtools/artgen/ports.h"
#include "devtools/artgen/scenegeom.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace sp::art {

using namespace scene;

namespace {

const QColor kNetCable(0x2C, 0x9E, 0xD8);
const QColor kPowerCable(0xC9, 0xD0, 0xD8);

// A cable along 'path' (screen), shaded as a round cord; its last 'fade'
// pixels fade out.
void DrawCable(QPainter& p, const QPainterPath& path, const QColor& color, qreal width, qreal fade = 0) {
  const QRect box = p.worldTransform().map(path).boundingRect().toAlignedRect().adjusted(-12, -12, 12, 12);
  QImage layer = Canvas(box.width(), box.height());
  {
    QPainter lp(&layer);
    Prepare(lp);
    lp.setWorldTransform(p.worldTransform() * QTransform::fromTranslate(-box.x(), -box.y()));
    lp.setBrush(Qt::NoBrush);
    lp.setPen(QPen(QColor(0, 0, 0, 110), width + 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    lp.drawPath(path.translated(0.6, 1.4));
    lp.setPen(QPen(Shade(color, 0.55), width + 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    lp.drawPath(path);
    lp.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    lp.drawPath(path);
    lp.setPen(QPen(Shade(color, 1.45), width * 0.32, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    lp.drawPath(path.translated(-width * 0.18, -width * 0.22));
    if (fade > 0) {
      const qreal len = path.length();
      const qreal t0 = path.percentAtLength(std::max<qreal>(0, len - fade));
      const QPointF a = path.pointAtPercent(t0), b = path.pointAtPercent(1.0);
      lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
      lp.fillRect(path.boundingRect().adjusted(-12, -12, 12, 12),
                  Linear(a, b, {{0, QColor(0, 0, 0, 255)}, {1, QColor(0, 0, 0, 0)}}));
    }
  }
  p.save();
  p.resetTransform();
  p.drawImage(box.topLeft(), layer);
  p.restore();
}

// The part of 'path' from its start to 'fraction' of its length.
QPainterPath Head(const QPainterPath& path, qreal fraction) {
  QPainterPath out(path.pointAtPercent(0));
  const int steps = 160;
  const qreal end = path.percentAtLength(path.length() * fraction);
  for (int i = 1; i <= steps; ++i) out.lineTo(path.pointAtPercent(end * i / steps));
  return out;
}

// A network cable from the plug in 'fromPort' to the plug in 'toPort',
// drawn up to 'fraction' of its way; before it arrives its free end carries
// a loose plug.
void DrawNetworkFrame(QPainter& p, const Oblique& fromCam, QPointF fromPort, const Oblique& toCam, QPointF toPort,
                      const QPainterPath& route, qreal fraction) {
  DrawRj45PlugIn(p, fromCam, fromPort, kNetCable);
  if (fraction >= 1.0) {
    DrawRj45PlugIn(p, toCam, toPort, kNetCable);
    DrawCable(p, route, kNetCable, 3.4);
    return;
  }
  const QPainterPath head = Head(route, fraction);
  DrawCable(p, head, kNetCable, 3.4);
  const qreal end = route.percentAtLength(route.length() * fraction);
  const qreal angle = route.angleAtPercent(end) * M_PI / 180;  // counter-clockwise, y up
  const QPointF ahead(std::cos(angle), -std::sin(angle));
  DrawRj45PlugLoose(p, route.pointAtPercent(end) + ahead * 10, -ahead, kScale * 0.95, kNetCable);
}

QPainterPath ApplianceToRouter() {
  const QPointF s = ApplianceCam().At(vbx::kLan.x(), vbx::kLan.y(), -20);
  const QPointF e = RouterCam().At(router::kLan1.x(), router::kLan1.y(), -20);
  const QPointF out = OutOfPanel(ApplianceCam());
  QPainterPath path(s);
  path.cubicTo(s + out * 30, QPointF(150, 296), QPointF(186, 302));
  path.cubicTo(QPointF(236, 310), QPointF(304, 270), QPointF(302, 240));
  path.cubicTo(QPointF(300, 222), e + out * 40, e);
  return path;
}

QPainterPath RouterToComputer() {
  const QPointF s = RouterCam().At(router::kLan2.x(), router::kLan2.y(), -20);
  const QPointF e = TowerCam().At(pc::kLan.x(), pc::kLan.y(), -20);
  const QPointF out = OutOfPanel(RouterCam());
  QPainterPath path(s);
  path.cubicTo(s + out * 30, QPointF(306, 238), QPointF(334, 262));
  path.cubicTo(QPointF(364, 290), QPointF(404, 324), QPointF(448, 324));
  path.cubicTo(QPointF(472, 324), e + out * 70, e);
  return path;
}

QImage Strip(int frames) { return Canvas(kFrameW * frames, 300); }

}  // namespace

QImage DrawPowerStrip() {
  QImage img = Strip(3);
  QPainter p(&img);
  Prepare(p);
  const qreal gaps[] = {42, 16, 0};
  for (int k = 0; k < 3; ++k) {
    const QPointF jack = kJackInFrame + QPointF(kFrameW * k, 0);
    const Oblique cam = RearCamera(jack, kScale);
    if (gaps[k] == 0) Glow(p, jack, 16, WithAlpha(pal::kAccent, 110));
    const QPointF exit = cam.At(0, 0, -gaps[k] - 34);
    QPainterPath cord(exit);
    cord.cubicTo(exit + QPointF(12, 8), exit + QPointF(20, 26), exit + QPointF(24, 70));
    DrawCable(p, cord, kPowerCable, 3.0, 40);
    DrawDcPlug(p, cam, QPointF(0, 0), gaps[k]);
  }
  return img;
}

QImage DrawApplianceLineStrip() {
  QImage img = Strip(4);
  QPainter p(&img);
  Prepare(p);
  const QPainterPath route = ApplianceToRouter();
  const qreal fractions[] = {0.28, 0.58, 0.84, 1.0};
  for (int k = 0; k < 4; ++k) {
    const QPointF at = kApplianceLineAt - QPointF(kFrameW * k, 0);
    p.save();
    p.translate(-at);
    DrawNetworkFrame(p, ApplianceCam(), vbx::kLan, RouterCam(), router::kLan1, route, fractions[k]);
    p.restore();
  }
  return img;
}

QImage DrawComputerLineStrip() {
  QImage img = Strip(3);
  QPainter p(&img);
  Prepare(p);
  const QPainterPath route = RouterToComputer();
  const qreal fractions[] = {0.36, 0.7, 1.0};
  for (int k = 0; k < 3; ++k) {
    const QPointF at = kComputerLineAt - QPointF(kFrameW * k, 0);
    p.save();
    p.translate(-at);
    DrawNetworkFrame(p, RouterCam(), router::kLan2, TowerCam(), pc::kLan, route, fractions[k]);
    p.restore();
  }
  return img;
}

}  // namespace sp::art
