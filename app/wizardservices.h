#pragma once
// What the program's assembly hands the main window: what the window itself
// needs and each page's own services. main() fills it with the real Linux
// backends (app/linuxwizardbackends.h); tests fill it with fakes, or with
// real backends inside a test network. Only the main window sees the whole
// of it; every page gets its own part.
//
// Pointers are not owned; whoever fills the struct keeps the objects alive
// for the main window's lifetime.
#include <string>

#include "pages/check/ccheckdlg.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "pages/install/cinstalldlg.h"

namespace sp {

class ILanguageControl;
class IMessageBox;
class INetDockAgent;

struct WizardServices {
  // Folder of the program: images are read from "<programDir>/resource/english/".
  std::string programDir;
  // Language choice (required).
  ILanguageControl* language = nullptr;
  // Message boxes (required).
  IMessageBox* messageBox = nullptr;
  // The share-mapping agent the wizard started ("NetDock"); the main window
  // tells it to end when it goes. Null when the wizard started none.
  INetDockAgent* shareAgent = nullptr;

  CheckPageServices checkPage;
  InstallPageServices installPage;
  ConfigPageServices configPage;
  DiskPageServices diskPage;
  FinalPageServices finalPage;
};

}  // namespace sp
