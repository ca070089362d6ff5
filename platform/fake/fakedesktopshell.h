#pragma once
// A desktop shell that remembers what it was asked to open.
#include <string>
#include <vector>

#include "platform/desktopshell.h"

namespace sp {

class FakeDesktopShell : public IDesktopShell {
 public:
  bool RunExplorer(std::string_view commandLine) override;
  int OpenLink(std::u16string_view link) override;

  // Every command line asked for, accepted or not.
  std::vector<std::string> commandLines;
  // What accepted lines opened.
  std::vector<ExplorerTarget> opened;
  // The opener cannot be started.
  bool openerMissing = false;
  // Every link asked for, and what OpenLink answers.
  std::vector<std::u16string> links;
  int linkResult = kLinkOpened;
};

}  // namespace sp
