#include "platform/linux/linuxprocesslauncher.h"

#include "platform/linux/detachedspawn.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sp {

namespace {

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const std::set<std::string>& LinuxProcessLauncher::DefaultAllowList() {
  static const std::set<std::string> list = {
      "x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm", "pkexec", "sh", "xdg-open"};
  return list;
}

LinuxProcessLauncher::LinuxProcessLauncher(std::set<std::string> allowList, std::string procRoot)
    : allowList_(std::move(allowList)), procRoot_(std::move(procRoot)) {}

long LinuxProcessLauncher::Start(const std::vector<std::string>& argv) {
  if (argv.empty() || !allowList_.count(BaseName(argv[0]))) return -1;
  const std::string program = argv[0].find('/') == std::string::npos ? FindProgram(argv[0]) : argv[0];
  if (program.empty() || access(program.c_str(), X_OK) != 0) return -1;
  return SpawnDetached(program, argv);
}

std::vector<std::string> SplitCommandLine(const std::string& cmdline) {
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < cmdline.size()) {
    std::size_t end = cmdline.find('\0', start);
    if (end == std::string::npos) end = cmdline.size();
    args.push_back(cmdline.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

std::vector<long> LinuxProcessLauncher::FindByArgument(const std::string& argument) {
  std::vector<long> found;
  DIR* dir = opendir(procRoot_.c_str());
  if (!dir) return found;
  const long self = getpid();
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == self) continue;
    std::ifstream in(procRoot_ + "/" + entry->d_name + "/cmdline", std::ios::binary);
    if (!in) continue;
    const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A zombie's command line is empty: it runs no more.
    for (const auto& arg : SplitCommandLine(cmdline)) {
      if (arg == argument) {
        found.push_back(pid);
        break;
      }
    }
  }
  closedir(dir);
  return found;
}

bool LinuxProcessLauncher::Terminate(long pid) {
  if (pid <= 0) return false;
  const pid_t p = static_cast<pid_t>(pid);
  // A session leader we started takes what it started along.
  if (getpgid(p) == p && kill(-p, SIGTERM) == 0) return true;
  return kill(p, SIGTERM) == 0;
}

std::string LinuxProcessLauncher::FindProgram(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* env = std::getenv("PATH");
  std::stringstream path(env && *env ? env : "/usr/local/bin:/usr/bin:/bin");
  std::string folder;
  while (std::getline(path, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

bool LinuxProcessLauncher::IsSuperUser() { return geteuid() == 0; }

bool LinuxProcessLauncher::HasGraphicalSession() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

}  // namespace sp
