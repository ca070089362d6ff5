// A small oblique ("cabinet") projection for the device drawings: faces
// parallel to the picture plane keep their true shape, depth runs along a
// fixed screen vector. Device coordinates: x to the right, y down, z away
// from the viewer. Every device picture uses one of two cameras, so the
// pictures of one series share their perspective.
#pragma once

#include <QBrush>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

namespace sp::art {

struct Oblique {
  QPointF origin;   // screen position of device point (0, 0, 0)
  qreal vx = 0.42;  // screen offset per unit of depth
  qreal vy = -0.28;
  qreal scale = 1;  // screen pixels per device unit (millimetre)

  QPointF At(qreal x, qreal y, qreal z) const { return origin + QPointF((x + z * vx) * scale, (y + z * vy) * scale); }
  QPointF Depth(qreal z) const { return QPointF(z * vx * scale, z * vy * scale); }
  // Plane transforms: paint in face coordinates, get screen pixels.
  QTransform Front(qreal z) const;  // (x, y) on the plane z
  QTransform Side(qreal x) const;   // (z, y) on the plane x
  QTransform Top(qreal y) const;    // (x, z) on the plane y
};

// The camera in front of a device, a little above and to its right.
Oblique FrontCamera(QPointF origin, qreal scale);
// The camera behind a device, a little above and to its left: its rear
// panel faces the viewer and the same (right-hand) side shows.
Oblique RearCamera(QPointF origin, qreal scale);

// Brushes of an extruded box, each in screen coordinates.
struct BoxLook {
  QBrush front;
  QBrush top;
  QBrush side;
  QColor edgeLight;  // thin highlight on the edge between top and side
};

// A box with rounded edges running along the depth: the face rectangle
// 'face' (device units, on the plane z0) extruded by 'depth'. Returns the
// screen outline of the front face.
QPainterPath ExtrudedBox(QPainter& p, const Oblique& cam, const QRectF& face, qreal z0, qreal depth, qreal radius,
                         const BoxLook& look);

// The screen outline of the whole box (for shadows and clipping).
QPainterPath BoxOutline(const Oblique& cam, const QRectF& face, qreal z0, qreal depth, qreal radius);

// The shadow that a box standing on the floor (its bottom at face.bottom())
// casts straight down: a soft dark blot under its footprint.
void FloorShadow(QPainter& p, const Oblique& cam, const QRectF& face, qreal z0, qreal depth, int blur, int alpha);

}  // namespace sp::art
