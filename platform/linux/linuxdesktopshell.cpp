#include "platform/linux/linuxdesktopshell.h"

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

void CloseFrom(int first, int keep) {
  if (keep >= first) {
    if (keep > first) close_range(static_cast<unsigned>(first), static_cast<unsigned>(keep - 1), 0);
    close_range(static_cast<unsigned>(keep + 1), ~0u, 0);
  } else {
    close_range(static_cast<unsigned>(first), ~0u, 0);
  }
}

// Starts `path` with `argv` detached: own session, reparented to init by an
// intermediate child, standard input and output on /dev/null. True when the
// program was executed; an exec failure travels back over a close-on-exec
// pipe, whose end-of-file means success.
bool SpawnDetached(const std::string& path, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    close(report[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, STDIN_FILENO);
      dup2(devNull, STDOUT_FILENO);
    }
    CloseFrom(3, report[1]);
    execv(path.c_str(), argv.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t n = write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  const bool intermediateOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return intermediateOk && n == 0;
}

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
  return SpawnDetached(opener, {opener, folder});
}

}  // namespace sp
