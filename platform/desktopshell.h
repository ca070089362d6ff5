#pragma once
// The desktop's file browser, as the final page uses it to open the new
// drive: an "explorer" command line ("explorer X:\" for a drive, "explorer"
// alone for the browser's default view) is run through the desktop. On Linux
// drive X: is its mount point (<mount root>/x) and the browser is whatever
// xdg-open chooses for a folder.
//
// It also opens links (the appliance's web pages, a label's link) the way
// the shell opened them, with the shell's result codes.
#include <optional>
#include <string_view>

namespace sp {

// What an explorer command line asks to open.
struct ExplorerTarget {
  // The drive letter in upper case, or 0 for the browser's default view.
  char driveLetter = 0;
  friend bool operator==(const ExplorerTarget&, const ExplorerTarget&) = default;
};

// Reads an explorer command line: the program word "explorer" (any letter
// case), then blanks, then either nothing or one drive root "X:\" (or "X:").
// Anything else - another program, more words, a path below the root, a
// character that is not a letter - is not a line we run.
std::optional<ExplorerTarget> ParseExplorerCommandLine(std::string_view line);

// What OpenLink answers: above 32 when an opener took the link, otherwise
// the shell's failure code (the hyperlink error table of uikit/core/linkerrors.h).
inline constexpr int kLinkOpened = 33;
inline constexpr int kLinkFileNotFound = 2;  // a local file that does not exist
inline constexpr int kLinkPathNotFound = 3;  // ... nor does its folder
inline constexpr int kLinkNoOpener = 31;     // nothing on the desktop could open it

class IDesktopShell {
 public:
  virtual ~IDesktopShell() = default;
  // Opens what the explorer command line names, without waiting for the
  // browser. False when the line is not one ParseExplorerCommandLine
  // accepts or the opener could not be started.
  virtual bool RunExplorer(std::string_view commandLine) = 0;
  // Opens `link` - a web address ("http://10.77.0.2"; a bare host name is
  // taken as one) or a local file or folder (an absolute path or a file://
  // address) - without waiting. Returns kLinkOpened or a failure code.
  virtual int OpenLink(std::u16string_view link) = 0;
};

}  // namespace sp
