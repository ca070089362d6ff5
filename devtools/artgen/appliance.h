// The VBX-207 seen from the front (welcome picture and the disk and power
// pictures of the install guide), with its two drive bays, the drives, the
// front cover and the lights. Units are millimetres of the real box.
#pragma once

#include "devtools/artgen/oblique.h"

#include <QPainter>

namespace sp::art {

namespace vbx {
constexpr qreal kW = 108;  // front width
constexpr qreal kH = 168;  // height
constexpr qreal kD = 225;  // depth
constexpr qreal kBayX[2] = {17, 61};
constexpr qreal kBayW = 30;
constexpr qreal kBayTop = 15;
constexpr qreal kBayH = 112;
constexpr qreal kDriveLen = 147;
constexpr qreal kAbsent = -10000;  // drive position meaning "no drive"
constexpr qreal kInserted = 1.5;   // drive front end a hair behind the bezel
}  // namespace vbx

struct FrontState {
  qreal drive[2] = {vbx::kAbsent, vbx::kAbsent};  // z of each drive's front end
  bool cover = false;                             // front cover shown
  qreal coverZ = 0;                               // 0 closed; negative: held in front of the box
  bool powered = false;                           // power, network and bay lights on
  bool buttonGlow = false;                        // the power button's ring lit
};

void DrawApplianceFront(QPainter& p, const Oblique& cam, const FrontState& state);

// Where things are on screen, for arrows, hands and highlights.
QPointF PowerButtonAt(const Oblique& cam);

// A light traced round the closed front cover: it has just clicked home.
void HighlightCover(QPainter& p, const Oblique& cam);

// A 3.5-inch drive standing on its edge: left side at x, top at y, front
// end at zFront. Only the slice from zFrom to zTo is drawn (the part still
// outside a bay, or the part inside it).
void DrawDrive(QPainter& p, const Oblique& cam, qreal x, qreal y, qreal zFront, qreal zFrom, qreal zTo);

}  // namespace sp::art
