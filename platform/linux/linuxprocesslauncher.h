#pragma once
// Process launcher on Linux: double fork so that the started program is
// neither our child nor in our session (nothing to reap, it outlives the
// wizard), exec failures reported through a close-on-exec pipe, processes
// found by reading /proc/<pid>/cmdline.
//
// Only programs on an allow-list are started (by their base name): the
// terminal emulators the wizard knows, pkexec, sh and xdg-open.
#include <set>
#include <string>
#include <vector>

#include "platform/processlauncher.h"

namespace sp {

class LinuxProcessLauncher : public IProcessLauncher {
 public:
  // The programs the wizard starts.
  static const std::set<std::string>& DefaultAllowList();

  explicit LinuxProcessLauncher(std::set<std::string> allowList = DefaultAllowList(), std::string procRoot = "/proc");

  long Start(const std::vector<std::string>& argv) override;
  std::vector<long> FindByArgument(const std::string& argument) override;
  bool Terminate(long pid) override;
  std::string FindProgram(const std::string& name) override;
  bool IsSuperUser() override;
  bool HasGraphicalSession() override;

 private:
  std::set<std::string> allowList_;
  std::string procRoot_;
};

// The arguments of a /proc/<pid>/cmdline text (NUL-separated, the last one
// NUL-terminated or not).
std::vector<std::string> SplitCommandLine(const std::string& cmdline);

}  // namespace sp
