#include "platform/linux/installlayout.h"

#include <sys/stat.h>
#include <unistd.h>

// Paths relative to the installed program's folder; the build sets them
// from its install directories.
#ifndef SP_INSTALL_REL_DATADIR
#define SP_INSTALL_REL_DATADIR "../share/setuppilot"
#endif
#ifndef SP_INSTALL_REL_HELPERDIR
#define SP_INSTALL_REL_HELPERDIR "../libexec/setuppilot"
#endif
#ifndef SP_INSTALL_REL_SBINDIR
#define SP_INSTALL_REL_SBINDIR "../sbin"
#endif

namespace sp {

namespace {

constexpr char kServiceName[] = "setuppilot-iscsid";

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& dir, const std::string& rel) {
  if (dir.empty()) return rel;
  return dir.back() == '/' ? dir + rel : dir + "/" + rel;
}

}  // namespace

InstallLayout LayoutFor(const std::string& programDir) {
  InstallLayout l;
  l.programDir = programDir.empty() ? std::string(".") : programDir;
  while (l.programDir.size() > 1 && l.programDir.back() == '/') l.programDir.pop_back();
  const std::string shared = Join(l.programDir, SP_INSTALL_REL_DATADIR);
  l.installed = !IsFolder(Join(l.programDir, "resource")) && IsFolder(Join(shared, "resource"));
  if (l.installed) {
    l.dataDir = shared;
    l.helperDir = Join(l.programDir, SP_INSTALL_REL_HELPERDIR);
    l.serviceProgram = Join(Join(l.programDir, SP_INSTALL_REL_SBINDIR), kServiceName);
  } else {
    l.dataDir = l.programDir;
    l.helperDir = l.programDir;
    l.serviceProgram = Join(l.programDir, kServiceName);
  }
  return l;
}

std::string RunningProgramFolder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  const std::string path(buffer, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace sp
