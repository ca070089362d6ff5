// Illustration extras shared by the guide pictures: a pointing hand and
// motion arrows.
#pragma once

#include <QPainter>
#include <QPointF>

namespace sp::art {

// A hand whose index fingertip touches 'tip'; the hand reaches in from the
// direction 'angle' (degrees, 0 = from the right, 90 = from below).
void DrawPointingHand(QPainter& p, QPointF tip, qreal scale, qreal angle);

// A soft accent arrow from 'from' to 'to' (the head at 'to').
void DrawMotionArrow(QPainter& p, QPointF from, QPointF to, qreal width);

}  // namespace sp::art
