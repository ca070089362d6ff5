#pragma once
// Pictures that many controls share, read from disk once per process: every
// image button of every page stands on the same page background and uses
// one of three button strips, and decoding the background JPEG for each of
// them was most of the wizard's start-up. UI thread only.
//
// The layer surfaces do not use it: a compose reads its images from disk
// each time (clayersurface.h).
#include <QImage>
#include <string>

namespace sp {

// The image at `path`, converted to `format` (Format_Invalid: as read);
// read and converted the first time a path and format are asked for. A
// file that cannot be read gives a null image (and is tried again next
// time).
QImage SharedImage(const std::string& path, QImage::Format format = QImage::Format_Invalid);

}  // namespace sp
