#pragma once
// Stand-in images for the toolkit's widget tests and the gallery test: every
// file the wizard names, at the sizes the pages expect, drawn plainly (flat
// colours, outlines, frame numbers). They are test material, not the
// product's artwork.
#include <QColor>
#include <QSize>
#include <string>

namespace sp::test {

// Writes the image folder's files (cbackground.jpg, background.png,
// btn-next.png, ...) into `imageFolder` and the combo skin bitmaps
// (139.png ...) into `bitmapFolder`; creates the folders.
void WriteStandInImages(const std::string& imageFolder, const std::string& bitmapFolder);

// Writes one flat image of `size` and `color` (alpha kept) to `path`.
void WriteFlatImage(const std::string& path, QSize size, QColor color);

// A horizontal strip of `frames` frames of `frameSize`, frame i filled with
// a distinct opaque colour (FrameColor(i)).
void WriteStrip(const std::string& path, QSize frameSize, int frames);
QColor FrameColor(int i);

}  // namespace sp::test
