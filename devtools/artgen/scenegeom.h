// Where the pieces of the cabling scene sit on the install guide page, and
// where their ports are. The scene pictures and the cable strips are drawn
// at fixed page positions by the guide's frame lists, so both sides compute
// their pixels from these page coordinates.
//
// Everything is seen from behind (RearCamera), where the ports are.
#pragma once

#include "devtools/artgen/oblique.h"

#include <QPointF>

namespace sp::art::scene {

// Top-left corners on the page of each picture, as the frame lists place them.
inline constexpr QPointF kApplianceAt(9, 105);
inline constexpr QPointF kRouterAt(183, 101);
inline constexpr QPointF kComputerAt(363, 99);
inline constexpr QPointF kRouterPowerAt(267, 8);     // 1-power.png for the router
inline constexpr QPointF kAppliancePowerAt(8, 69);   // 1-power.png for the appliance
inline constexpr QPointF kApplianceLineAt(13, 100);  // 2-line.png
inline constexpr QPointF kComputerLineAt(10, 100);   // 3-line.png

// Strips: a frame every 500 pixels. A frame's first columns are kept clear
// because the page shows the start of the next frame 500 pixels to the right.
inline constexpr int kFrameW = 500;
inline constexpr int kClearColumns = 60;

inline constexpr qreal kScale = 0.72;  // pixels per millimetre in the scene

// One power plug strip serves both power jacks, so the jacks lie at the same
// spot of the strip's frame: (82, 190).
inline constexpr QPointF kJackInFrame(82, 190);

// Device sizes (millimetres): width, height, depth.
namespace vbx {
inline constexpr qreal kW = 108, kH = 168, kD = 225;
inline constexpr QPointF kJack(9, 140);  // DC input, on the rear panel
inline constexpr QPointF kLan(74, 129);  // network port centre
}  // namespace vbx
namespace router {
inline constexpr qreal kW = 170, kH = 34, kD = 130;
inline constexpr QPointF kJack(160, 17);
inline constexpr QPointF kLan1(49, 17);
inline constexpr QPointF kLan2(67, 17);
}  // namespace router
namespace pc {
inline constexpr qreal kW = 95, kH = 160, kD = 190;
inline constexpr QPointF kLan(28, 64);
}  // namespace pc

// Page cameras, placed so that the power jacks meet the power strip.
inline Oblique ApplianceCam() { return RearCamera(kAppliancePowerAt + kJackInFrame - vbx::kJack * kScale, kScale); }
inline Oblique RouterCam() { return RearCamera(kRouterPowerAt + kJackInFrame - router::kJack * kScale, kScale); }
inline Oblique TowerCam() { return RearCamera(QPointF(428, 186), kScale); }

// Port centres on the page (on the rear panels, z = 0).
inline QPointF ApplianceLanOnPage() { return ApplianceCam().At(vbx::kLan.x(), vbx::kLan.y(), 0); }
inline QPointF RouterLan1OnPage() { return RouterCam().At(router::kLan1.x(), router::kLan1.y(), 0); }
inline QPointF RouterLan2OnPage() { return RouterCam().At(router::kLan2.x(), router::kLan2.y(), 0); }
inline QPointF ComputerLanOnPage() { return TowerCam().At(pc::kLan.x(), pc::kLan.y(), 0); }

// The three pictures tile the scene's band of the page without gaps, each
// down to the same bottom line, so the light on the floor they share meets
// seamlessly.
inline constexpr qreal kSceneBottom = 332;
inline constexpr QPointF kFloorLight(290, 282);

// A camera moved so that it draws into a picture whose top-left corner sits
// at 'imageAt' on the page.
inline Oblique Local(Oblique cam, QPointF imageAt) {
  cam.origin -= imageAt;
  return cam;
}

}  // namespace sp::art::scene
