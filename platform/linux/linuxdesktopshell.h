#pragma once
// The desktop shell on Linux: explorer command lines become xdg-open of a
// folder. Drive X: is <mount root>/x; the default view is the user's home
// folder, where file browsers open when given nothing else.
//
// The opener runs by an argument vector (never a shell), detached in its own
// session so that it outlives the wizard, with nothing of the wizard's open
// but the error output. RunExplorer and OpenLink do not wait for it, only
// for the program to be started.
#include <string>

#include "platform/desktopshell.h"
#include "platform/driveletters.h"

namespace sp {

class LinuxDesktopShell : public IDesktopShell {
 public:
  struct Options {
    std::string mountRoot = kDriveMountRoot;
    // Program that opens a folder in the user's file browser; a bare name
    // is looked up in the system's program folders, not in $PATH.
    std::string opener = "xdg-open";
    // Folder of the default view; empty: $HOME, else the account's home.
    std::string homeFolder;
  };

  LinuxDesktopShell();
  explicit LinuxDesktopShell(Options options);

  bool RunExplorer(std::string_view commandLine) override;
  int OpenLink(std::u16string_view link) override;

  // What OpenLink hands the opener for `link` (a web address, or a local
  // path), or the failure code when there is nothing to open.
  struct LinkTarget {
    std::string argument;
    int failure = 0;
  };
  static LinkTarget LinkTargetFor(std::u16string_view link);

  // The folder a command line opens; empty when the line is not accepted.
  std::string FolderFor(std::string_view commandLine) const;
  // The opener's full path; empty when it is not installed.
  std::string OpenerPath() const;

 private:
  std::string HomeFolder() const;

  Options options_;
};

}  // namespace sp
