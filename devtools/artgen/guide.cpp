// The welcome picture and the install guide's disk and power-on pictures.
//
// step1 to step10 share one camera and one placement of the appliance, so
// that swapping them (every 700 ms) animates only what moves.
#include "devtools/artgen/appliance.h"
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"
#include "devtools/artgen/features.h"
#include "devtools/artgen/hand.h"

#include <algorithm>

namespace sp::art {

namespace {

constexpr int kStepW = 563;
constexpr int kStepH = 340;  // drawn at y 70; the buttons start at y 413

Oblique GuideCamera() { return FrontCamera(QPointF(222, 100), 1.28); }

constexpr qreal kReady = -178;   // a drive lined up in front of its bay
constexpr qreal kHalfway = -88;  // half of it in

void Stage(QPainter& p) {
  // A soft pool of light on the floor under the appliance.
  const Oblique cam = GuideCamera();
  const QPointF c = cam.At(vbx::kW / 2, vbx::kH, vbx::kD / 2);
  p.save();
  p.translate(c);
  p.scale(1.0, 0.36);
  Glow(p, QPointF(0, 0), 250, QColor(0x3D, 0xB4, 0xE9, 34));
  p.restore();
}

// The arrow above a drive at z, pointing along its way into bay i.
void DriveArrow(QPainter& p, const Oblique& cam, int i, qreal z) {
  const qreal x = vbx::kBayX[i] + vbx::kBayW / 2;
  DrawMotionArrow(p, cam.At(x, 2, z + 10), cam.At(x, 2, std::min<qreal>(z + 120, -6)), 4.5);
}

}  // namespace

QImage DrawGuideStep(int n) {
  QImage img = Canvas(kStepW, kStepH);
  QPainter p(&img);
  Prepare(p);
  Stage(p);
  const Oblique cam = GuideCamera();
  FrontState s;
  using vbx::kInserted;
  switch (n) {
    case 1:
      break;
    case 2:
      s.drive[0] = kReady;
      break;
    case 3:
      s.drive[0] = kHalfway;
      break;
    case 4:
      s.drive[0] = kInserted;
      s.drive[1] = kReady;
      break;
    case 5:
      s.drive[0] = kInserted;
      s.drive[1] = kHalfway;
      break;
    case 6:
      s.drive[0] = s.drive[1] = kInserted;
      break;
    case 9:
      s.drive[0] = s.drive[1] = kInserted;
      s.cover = true;
      s.coverZ = -70;
      break;
    case 10:
    case 7:
      s.drive[0] = s.drive[1] = kInserted;
      s.cover = true;
      break;
    case 8:
      s.drive[0] = s.drive[1] = kInserted;
      s.cover = true;
      s.powered = true;
      break;
    default:
      break;
  }
  s.buttonGlow = n == 7;
  DrawApplianceFront(p, cam, s);
  switch (n) {
    case 2:
      DriveArrow(p, cam, 0, kReady);
      break;
    case 3:
      DriveArrow(p, cam, 0, kHalfway);
      break;
    case 4:
      DriveArrow(p, cam, 1, kReady);
      break;
    case 5:
      DriveArrow(p, cam, 1, kHalfway);
      break;
    case 9:
      DrawMotionArrow(p, cam.At(vbx::kW + 4, 4, -160), cam.At(vbx::kW + 4, 4, -80), 4.5);
      DrawMotionArrow(p, cam.At(-6, 120, -160), cam.At(-6, 120, -80), 4.5);
      break;
    case 10:
      HighlightCover(p, cam);
      break;
    case 7:
      DrawPointingHand(p, PowerButtonAt(cam) + QPointF(2, 1), 1.0, 4);
      break;
    default:
      break;
  }
  return img;
}

QImage DrawWelcome() {
  // Drawn at (0, 30); the title sits at the top right and the description
  // starts at y 290 of the page, so the picture keeps to y 0..255 and leaves
  // the top right corner free.
  QImage img = Canvas(563, 255);
  QPainter p(&img);
  Prepare(p);
  const Oblique cam = FrontCamera(QPointF(96, 70), 0.98);
  const QPointF centre = cam.At(vbx::kW / 2, vbx::kH * 0.45, vbx::kD / 2);
  Glow(p, centre, 175, QColor(0x3D, 0xB4, 0xE9, 50));
  FrontState s;
  s.drive[0] = s.drive[1] = vbx::kInserted;
  s.cover = true;
  s.powered = true;
  DrawApplianceFront(p, cam, s);
  DrawFeatures(p, QPointF(352, 66));
  return img;
}

}  // namespace sp::art
