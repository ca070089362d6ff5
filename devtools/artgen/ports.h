// Sockets on the rear panels and the plugs that go into them. Sockets are
// drawn on a panel plane (millimetres, through the camera); plugs are drawn
// in screen pixels along a direction.
#pragma once

#include "devtools/artgen/oblique.h"

#include <QColor>
#include <QPainter>
#include <QPointF>

namespace sp::art {

// An RJ45 socket centred at 'c' on the panel z = 0; 'insert' tints its
// plastic (network ports of a router are colour coded).
void DrawRj45Socket(QPainter& p, const Oblique& cam, QPointF c, const QColor& insert);

// A round DC input jack centred at 'c' on the panel z = 0.
void DrawDcJack(QPainter& p, const Oblique& cam, QPointF c);

// A USB socket (a flat slot) centred at 'c'.
void DrawUsbSocket(QPainter& p, const Oblique& cam, QPointF c);

// The direction pointing out of a rear panel towards the viewer, in screen
// pixels per millimetre.
QPointF OutOfPanel(const Oblique& cam);

// An RJ45 plug plugged into the socket centred at 'c' (panel millimetres).
// Returns the screen point where its cable leaves the boot.
QPointF DrawRj45PlugIn(QPainter& p, const Oblique& cam, QPointF c, const QColor& boot);

// A loose RJ45 plug whose tip is at 'tip', its cable leaving along 'back'
// (a unit vector pointing from the tip towards the cable).
void DrawRj45PlugLoose(QPainter& p, QPointF tip, QPointF back, qreal scale, const QColor& boot);

// A DC barrel plug whose tip is 'gap' millimetres out of the jack centred
// at 'c' (panel millimetres; 0 = plugged in). Returns the screen point where
// its cable leaves the strain relief.
QPointF DrawDcPlug(QPainter& p, const Oblique& cam, QPointF c, qreal gap);

}  // namespace sp::art
