#include "platform/linux/linuxdesktopshell.h"

#include "base/text.h"
#include "platform/linux/detachedspawn.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sp {

namespace {

// Where a bare opener name is looked for. $PATH is not used: what the wizard
// starts must not depend on the caller's environment.
constexpr const char* kProgramFolders[] = {"/usr/local/bin", "/usr/bin", "/bin"};

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string Trimmed(std::string s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  return s.substr(i);
}

// "http:" and the like: letters, digits, '+', '-', '.' before the colon.
bool HasScheme(const std::string& s) {
  const std::size_t colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "C:" is no scheme
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = s[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

LinuxDesktopShell::LinkTarget LinuxDesktopShell::LinkTargetFor(std::u16string_view link) {
  std::string text = Trimmed(Utf16ToUtf8(link));
  if (text.empty()) return {{}, kLinkFileNotFound};
  if (text.rfind("file://", 0) == 0) {
    text = text.substr(7);
    if (text.empty()) return {{}, kLinkFileNotFound};
  } else if (HasScheme(text)) {
    return {text, 0};
  } else if (text[0] != '/') {
    return {"http://" + text, 0};
  }
  // A local file or folder: it must be there.
  if (Exists(text)) return {text, 0};
  const std::size_t slash = text.find_last_of('/');
  const std::string folder = slash == 0 ? "/" : text.substr(0, slash);
  return {{}, Exists(folder) ? kLinkFileNotFound : kLinkPathNotFound};
}

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

int LinuxDesktopShell::OpenLink(std::u16string_view link) {
  const LinkTarget target = LinkTargetFor(link);
  if (target.failure) return target.failure;
  const std::string opener = OpenerPath();
  if (opener.empty()) return kLinkNoOpener;
  return SpawnDetached(opener, {opener, target.argument}) > 0 ? kLinkOpened : kLinkNoOpener;
}

}  // namespace sp
