#include "platform/linux/linuxdesktopshell.h"

#include "platform/linux/detachedspawn.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sp {

namespace {

// Where a bare opener name is looked for. $PATH is not used: what the wizard
// starts must not depend on the caller's environment.
constexpr const char* kProgramFolders[] = {"/usr/local/bin", "/usr/bin", "/bin"};

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

}  // namespace

LinuxDesktopShell::LinuxDesktopShell() : LinuxDesktopShell(Options{}) {}

LinuxDesktopShell::LinuxDesktopShell(Options options) : options_(std::move(options)) {}

std::string LinuxDesktopShell::HomeFolder() const {
  if (!options_.homeFolder.empty()) return options_.homeFolder;
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string LinuxDesktopShell::FolderFor(std::string_view commandLine) const {
  const std::optional<ExplorerTarget> target = ParseExplorerCommandLine(commandLine);
  if (!target) return {};
  if (!target->driveLetter) return HomeFolder();
  std::string root = options_.mountRoot;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root + "/" + static_cast<char>(target->driveLetter - 'A' + 'a');
}

std::string LinuxDesktopShell::OpenerPath() const {
  const std::string& opener = options_.opener;
  if (opener.find('/') != std::string::npos) return IsExecutable(opener) ? opener : std::string();
  for (const char* folder : kProgramFolders) {
    const std::string path = std::string(folder) + "/" + opener;
    if (IsExecutable(path)) return path;
  }
  return {};
}

bool LinuxDesktopShell::RunExplorer(std::string_view commandLine) {
  const std::string folder = FolderFor(commandLine);
  if (folder.empty()) return false;
  const std::string opener = OpenerPath();
  if (opener.empty()) return false;
  return SpawnDetached(opener, {opener, folder}) > 0;
}

}  // namespace sp
