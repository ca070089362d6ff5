#include "app/commandline.h"

#include <algorithm>
#include <array>

namespace sp {

namespace {

// Qt's standard options that take a value: their value is skipped.
constexpr std::array<const char*, 8> kQtValued = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qmljsdebugger",
    "-style",    "-stylesheet",         "-display"};

bool IsQtValued(const std::string& arg) {
  std::string name = arg;
  if (name.rfind("--", 0) == 0) name.erase(0, 1);
  return std::any_of(kQtValued.begin(), kQtValued.end(), [&](const char* q) { return name == q; });
}

}  // namespace

WizardCommandLine ParseWizardCommandLine(const std::vector<std::string>& args) {
  WizardCommandLine c;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      c.help = true;
    } else if (a == "--version") {
      c.version = true;
    } else if (a == "--allow-root") {
      c.allowRoot = true;
    } else if (a == "--first-page-picture") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (c.error.empty()) c.error = "--first-page-picture needs a file name";
      } else {
        c.firstPagePicture = args[++i];
      }
    } else if (a == "--answers") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (c.error.empty()) c.error = "--answers needs a file name";
      } else {
        c.answersFile = args[++i];
      }
    } else if (IsQtValued(a)) {
      ++i;
    } else if (a.rfind("--", 0) == 0 || a.empty() || a[0] != '-') {
      if (c.error.empty()) c.error = "unknown argument " + a;
    }
    // Other single-dash arguments are Qt's flags (-reverse, ...).
  }
  return c;
}

const char* WizardUsageText() {
  return "usage: setuppilot [--allow-root] [--first-page-picture FILE] [Qt options]\n"
         "       setuppilot [--allow-root] --answers FILE\n"
         "Sets up a VBX-207 network storage appliance from this computer.\n"
         "  --answers FILE              set up the appliance FILE names, without a window\n"
         "                              (TOML; see setuppilot(1) and docs/answers.md)\n"
         "  --allow-root                run even as root (the wizard is meant for a desktop user)\n"
         "  --first-page-picture FILE   draw the first page into FILE (PNG) and exit\n"
         "  --version                   print the version and exit\n"
         "  --help                      print this text and exit\n"
         "Exit codes with --answers:\n"
         "   0 everything the file asked for was done\n"
         "   1 refused to run as root\n"
         "   2 usage error, or the answer file is unreadable or wrong (line and field named)\n"
         "   3 the answer file holds passwords others may read, or is not yours\n"
         "   4 no appliance answered as the file names it\n"
         "   5 the appliance refused the login password\n"
         "   6 the appliance refused a setting, or cannot take the disk profile\n"
         "   7 the appliance did not finish formatting its disks\n"
         "   8 the iSCSI volume was not attached at its letter\n"
         "   9 the NAS share was not mapped at its letter\n"
         "  10 interrupted (SIGINT, SIGTERM, SIGHUP)\n"
         "  11 a chosen drive letter is in use on this computer\n"
         "  12 this computer's administrator did not allow the setup\n"
         "  13 another user on this computer is setting up an appliance\n";
}

const char* RootRefusalText() {
  return "setuppilot: not starting as root. Start Setup Pilot as your own desktop user; it asks for\n"
         "administrator rights itself where it needs them. Use --allow-root to run it as root anyway.\n";
}

}  // namespace sp
