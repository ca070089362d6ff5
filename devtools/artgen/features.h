// The welcome picture's list of what the appliance will offer: three rows
// of an icon badge, a name and a short line.
#pragma once

#include <QPainter>
#include <QPointF>

namespace sp::art {

void DrawFeatures(QPainter& p, QPointF topLeft);

}  // namespace sp::art
