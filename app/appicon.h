#pragma once
// The application icon: a small two-bay appliance in the wizard's accent
// colour, drawn at the sizes window systems ask for.
#include <QIcon>
#include <QImage>

namespace sp {

// The icon drawn at `size` x `size` pixels.
QImage DrawApplicationIcon(int size);
// The icon at 16, 24, 32, 48, 64, 128 and 256 pixels.
QIcon MakeApplicationIcon();

}  // namespace sp
