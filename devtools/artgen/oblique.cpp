#include "devtools/artgen/oblique.h"

#include "devtools/artgen/artkit.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sp::art {

QTransform Oblique::Front(qreal z) const {
  return QTransform(scale, 0, 0, scale, origin.x() + z * vx * scale, origin.y() + z * vy * scale);
}

QTransform Oblique::Side(qreal x) const {
  return QTransform(vx * scale, vy * scale, 0, scale, origin.x() + x * scale, origin.y());
}

QTransform Oblique::Top(qreal y) const {
  return QTransform(scale, 0, vx * scale, vy * scale, origin.x(), origin.y() + y * scale);
}

Oblique FrontCamera(QPointF origin, qreal scale) { return Oblique{origin, 0.42, -0.28, scale}; }

Oblique RearCamera(QPointF origin, qreal scale) { return Oblique{origin, -0.42, -0.28, scale}; }

namespace {

qreal Cross(QPointF o, QPointF a, QPointF b) {
  return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// Andrew's monotone chain.
QPolygonF ConvexHull(std::vector<QPointF> pts) {
  std::sort(pts.begin(), pts.end(),
            [](QPointF a, QPointF b) { return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y()); });
  if (pts.size() < 3) return QPolygonF(QList<QPointF>(pts.begin(), pts.end()));
  std::vector<QPointF> hull(pts.size() * 2);
  size_t k = 0;
  for (const QPointF& p : pts) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  hull.resize(k - 1);
  return QPolygonF(QList<QPointF>(hull.begin(), hull.end()));
}

QPainterPath Hull(const QPainterPath& front, QPointF v) {
  std::vector<QPointF> pts;
  for (const QPolygonF& poly : front.toFillPolygons()) {
    for (const QPointF& pt : poly) {
      pts.push_back(pt);
      pts.push_back(pt + v);
    }
  }
  QPainterPath path;
  path.addPolygon(ConvexHull(std::move(pts)));
  path.closeSubpath();
  return path;
}

// Paints 'brush' inside 'path', faded by the alpha of 'mask' (both in the
// painter's coordinates), through an off-screen layer.
void FillMasked(QPainter& p, const QPainterPath& path, const QBrush& brush, const QBrush& mask) {
  const QTransform t = p.worldTransform();
  const QRect box = t.map(path).boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2);
  if (box.isEmpty()) return;
  QImage layer = Canvas(box.width(), box.height());
  {
    QPainter lp(&layer);
    Prepare(lp);
    lp.setWorldTransform(t * QTransform::fromTranslate(-box.x(), -box.y()));
    lp.fillPath(path, brush);
    lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    lp.fillRect(path.boundingRect().adjusted(-4, -4, 4, 4), mask);
  }
  p.save();
  p.resetTransform();
  p.drawImage(box.topLeft(), layer);
  p.restore();
}

}  // namespace

QPainterPath BoxOutline(const Oblique& cam, const QRectF& face, qreal z0, qreal depth, qreal radius) {
  const QPainterPath front = cam.Front(z0).map(RoundRect(face, radius));
  return Hull(front, cam.Depth(depth));
}

QPainterPath ExtrudedBox(QPainter& p, const Oblique& cam, const QRectF& face, qreal z0, qreal depth, qreal radius,
                         const BoxLook& look) {
  const QPainterPath front = cam.Front(z0).map(RoundRect(face, radius));
  const QPointF v = cam.Depth(depth);
  const QPainterPath hull = Hull(front, v);

  p.fillPath(hull, look.top);

  // The rounded edge between top and side turns from the top's shade to the
  // side's across the corner arc. Measure positions across the depth
  // direction: the arc maps onto that axis monotonically.
  const qreal sideSign = cam.vx >= 0 ? 1.0 : -1.0;
  const qreal vlen = std::hypot(cam.vx, cam.vy);
  QPointF across(-cam.vy / vlen, cam.vx / vlen);
  if (across.x() * sideSign < 0) across = -across;
  const qreal r = std::max<qreal>(radius * cam.scale, 0.5);
  const QPointF corner =
      cam.Front(z0).map(QPointF(sideSign > 0 ? face.right() - radius : face.left() + radius, face.top() + radius));
  auto at = [&](qreal phi) {  // arc point: phi 0 on the top, 90 degrees on the side
    const qreal rad = phi * M_PI / 180.0;
    return corner + QPointF(std::sin(rad) * sideSign * r, -std::cos(rad) * r);
  };
  const QPointF a = at(0);
  const QPointF b = at(90);
  const qreal qa = QPointF::dotProduct(a, across);
  const qreal qb = QPointF::dotProduct(b, across);
  QLinearGradient sideMask(a, a + across * (qb - qa));
  QLinearGradient edgeMask(a, a + across * (qb - qa));
  for (int phi = 0; phi <= 90; phi += 10) {
    const qreal pos = (QPointF::dotProduct(at(phi), across) - qa) / (qb - qa);
    const qreal s = std::sin(phi * M_PI / 180.0);
    sideMask.setColorAt(pos, QColor(0, 0, 0, static_cast<int>(std::lround(255 * s * s))));
    const qreal bump = std::exp(-std::pow((phi - 35) / 18.0, 2));
    edgeMask.setColorAt(pos, QColor(0, 0, 0, static_cast<int>(std::lround(255 * bump))));
  }
  sideMask.setSpread(QGradient::PadSpread);
  FillMasked(p, hull, look.side, sideMask);
  if (look.edgeLight.alpha() > 0) FillMasked(p, hull, look.edgeLight, edgeMask);

  p.fillPath(front, look.front);
  return front;
}

void FloorShadow(QPainter& p, const Oblique& cam, const QRectF& face, qreal z0, qreal depth, int blur, int alpha) {
  const QRectF foot(face.left(), z0, face.width(), depth);
  const QPainterPath plane = cam.Top(face.bottom()).map(RoundRect(foot, 4));
  SoftShape(p, plane, QColor(0, 0, 0, alpha), blur);
}

}  // namespace sp::art
