// Preview sheets: the install guide's frames, filmstrips, the button and
// combo box skins in use, and a contact sheet of every picture.
#pragma once

#include "devtools/artgen/compose.h"

#include <QImage>
#include <QString>

#include <vector>

namespace sp::art {

// Every non-empty frame of the install guide's step (0, 1 or 2), composed
// with its caption and buttons as the page shows it.
std::vector<QImage> InstallFrames(const preview::Images& images, int step);

// The frames side by side, scaled to half size, 'perRow' to a row.
QImage Filmstrip(const std::vector<QImage>& frames, int perRow);

QImage ButtonSheet(const preview::Images& images);
QImage ComboSheet(const preview::Images& images, const QString& bitmapDir);
QImage ContactSheet(const QString& assetDir);

}  // namespace sp::art
