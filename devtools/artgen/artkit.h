// Shared drawing helpers of the artwork generator: palette, canvases,
// gradients, soft shadows and glows, file output.
#pragma once

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <initializer_list>
#include <utility>

namespace sp::art {

// The wizard's dark look. Titles are drawn in the accent colour, body texts
// in white, notes in DarkOrange; everything here is chosen to sit under them.
namespace pal {
inline const QColor kAccent{0x3D, 0xB4, 0xE9};
inline const QColor kAccentDeep{0x1A, 0x6F, 0x9C};
inline const QColor kAccentPale{0xA8, 0xE2, 0xFA};
inline const QColor kInk{0x0B, 0x0E, 0x12};       // deepest shade
inline const QColor kBase{0x14, 0x18, 0x1E};      // window body
inline const QColor kPanel{0x1A, 0x1F, 0x26};     // page panel
inline const QColor kRaised{0x23, 0x29, 0x32};    // raised surfaces
inline const QColor kLine{0x2E, 0x36, 0x41};      // hairlines
inline const QColor kGraphite{0x39, 0x40, 0x4A};  // device bodies
inline const QColor kSteel{0x8E, 0x98, 0xA5};     // metal parts
inline const QColor kGreen{0x4C, 0xD9, 0x7B};     // success / link LED
inline const QColor kAmber{0xFF, 0xA5, 0x1F};     // warnings
inline const QColor kCopper{0xD9, 0x8E, 0x3B};    // connector pins
}  // namespace pal

using Stops = std::initializer_list<std::pair<qreal, QColor>>;

QImage Canvas(int w, int h);
void Prepare(QPainter& p);  // antialiasing and smooth scaling on

QColor WithAlpha(QColor c, int alpha);
QColor Mix(const QColor& a, const QColor& b, qreal t);
QColor Shade(const QColor& c, qreal factor);  // <1 darker, >1 lighter

QLinearGradient Linear(QPointF from, QPointF to, Stops stops);
QRadialGradient Radial(QPointF centre, qreal radius, Stops stops);

QPainterPath RoundRect(const QRectF& r, qreal radius);
QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry);
QPainterPath Capsule(QPointF a, QPointF b, qreal radius);

// Blurs a premultiplied image in place (three box passes, close to a
// Gaussian of the given radius). Integer arithmetic, so the output is the
// same on every run.
void Blur(QImage& img, int radius);

// Adds a fixed, position-hashed grain of +-1 level to every channel: breaks
// up the banding of wide, faint gradients once they are stored in 8 bits.
void Dither(QImage& img);

// Draws a blurred copy of the path's shape (in the painter's current
// transform) in the given colour: drop shadows, glows, light halos.
void SoftShape(QPainter& p, const QPainterPath& path, const QColor& color, int blur, QPointF offset = {});

// A round light: a radial gradient fading to nothing.
void Glow(QPainter& p, QPointF centre, qreal radius, const QColor& color);

// Thin straight stroke helper.
void Line(QPainter& p, QPointF a, QPointF b, const QColor& c, qreal width = 1.0);

QFont Font(const QString& family, qreal pixels, int weight = QFont::Normal);
QFont UiFont(qreal pixels, int weight = QFont::Normal);  // the Arial stand-in

// Text with letter spacing, drawn with its left baseline point at 'at'.
void Text(QPainter& p, QPointF at, const QString& s, const QFont& f, const QColor& c);

// Writers. PNG is stored as straight ARGB; JPEG without alpha.
bool SavePng(const QImage& img, const QString& path);
bool SaveJpeg(const QImage& img, const QString& path, int quality);

}  // namespace sp::art
