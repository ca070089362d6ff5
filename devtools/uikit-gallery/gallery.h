#pragma once
// The toolkit gallery: renders every control of the UI toolkit in each of
// its states and every layer list the wizard composes, with the wizard's own
// label markups, to PNG files. Used to look at the skin and by a test that
// checks the renders.
#include <string>
#include <vector>

namespace sp::gallery {

struct Options {
  std::string imageFolder;   // the wizard's image folder (resource/english/)
  std::string bitmapFolder;  // combo skin bitmaps (resource/bitmaps/)
  std::string outFolder;     // where the PNG files go (created if missing)
};

// Renders everything; returns the files written (full paths). Needs a
// QApplication. Missing images simply leave their layers undrawn.
std::vector<std::string> RenderGallery(const Options& options);

// The sheets, each writing its files and appending their paths.
void RenderPages(const Options& o, std::vector<std::string>& written);
void RenderInstallFrames(const Options& o, std::vector<std::string>& written);
void RenderButtons(const Options& o, std::vector<std::string>& written);
void RenderControls(const Options& o, std::vector<std::string>& written);
void RenderLabels(const Options& o, std::vector<std::string>& written);

}  // namespace sp::gallery
