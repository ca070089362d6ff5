#include "platform/fake/fakedesktopshell.h"

namespace sp {

bool FakeDesktopShell::RunExplorer(std::string_view commandLine) {
  commandLines.emplace_back(commandLine);
  const std::optional<ExplorerTarget> target = ParseExplorerCommandLine(commandLine);
  if (!target || openerMissing) return false;
  opened.push_back(*target);
  return true;
}

int FakeDesktopShell::OpenLink(std::u16string_view link) {
  links.emplace_back(link);
  return openerMissing ? kLinkNoOpener : linkResult;
}

}  // namespace sp
