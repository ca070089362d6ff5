// Preview of the artwork as the wizard shows it: composes the pages' layer
// lists from the written files and writes one PNG per page state plus a
// contact sheet of every picture.
#pragma once

#include <QString>

namespace sp::art {

bool WritePreview(const QString& assetDir, const QString& previewDir);

}  // namespace sp::art
