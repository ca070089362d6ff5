#pragma once
// The desktop user's places files: $XDG_CONFIG_HOME/gtk-3.0/bookmarks
// (else ~/.config/...) and $XDG_DATA_HOME/user-places.xbel (else
// ~/.local/share/...). A drive is at its mount point under the mount root.
//
// Each edit reads the file, changes only the drive's entry, and replaces
// the file through a temporary file in the same folder (rename), with the
// old file's mode and owner, so a crash leaves the old or the new file and
// the places stay the user's when the wizard runs as root. The GTK file is
// made when missing; the KDE file only edited when there (a new one would
// hide the places KDE adds to a file it makes itself).
#include <string>

#include "platform/driveletters.h"
#include "platform/filebookmarks.h"

namespace sp {

class LinuxFileBookmarks : public IFileBookmarks {
 public:
  struct Options {
    std::string gtkFile;  // empty: from the environment
    std::string kdeFile;  // empty: from the environment
    std::string mountRoot = kDriveMountRoot;
  };
  LinuxFileBookmarks() : LinuxFileBookmarks(Options{}) {}
  explicit LinuxFileBookmarks(Options options);

  bool AddDrive(char letter, const std::string& name) override;
  bool RemoveDrive(char letter) override;

  const std::string& GtkFile() const { return options_.gtkFile; }
  const std::string& KdeFile() const { return options_.kdeFile; }

 private:
  std::string Uri(char letter) const;
  Options options_;
};

}  // namespace sp
