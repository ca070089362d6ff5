#pragma once
// The wizard's own command line, read before any window system is touched
// so that --help and --version answer on a terminal without a display.
#include <string>
#include <vector>

namespace sp {

struct WizardCommandLine {
  bool help = false;
  bool version = false;
  bool allowRoot = false;
  // Draw the first page into this PNG file and end (checks an installation
  // without anyone at the screen).
  std::string firstPagePicture;
  // Set up an appliance from this answer file, without a window.
  std::string answersFile;
  std::string error;  // an argument we do not know; empty when all were read
};

// Reads our options from `args` (without the program name). Qt's own
// options (-platform, -style, ...) and their values pass through
// untouched; anything else starting with "--" that we do not know is an
// error.
WizardCommandLine ParseWizardCommandLine(const std::vector<std::string>& args);

const char* WizardUsageText();

// The refusal printed when the wizard is started as root without
// --allow-root.
const char* RootRefusalText();

}  // namespace sp
