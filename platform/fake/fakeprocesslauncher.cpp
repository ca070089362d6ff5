#include "platform/fake/fakeprocesslauncher.h"

#include <algorithm>

namespace sp {

long FakeProcessLauncher::Start(const std::vector<std::string>& argv) {
  started.push_back(argv);
  if (startFails || argv.empty()) return -1;
  const std::string& program = argv[0];
  if (program.find('/') == std::string::npos && !programs.count(program)) return -1;
  return AddRunning(argv);
}

long FakeProcessLauncher::AddRunning(std::vector<std::string> argv) {
  const long pid = nextPid_++;
  running[pid] = std::move(argv);
  return pid;
}

std::vector<long> FakeProcessLauncher::FindByArgument(const std::string& argument) {
  std::vector<long> found;
  for (const auto& [pid, argv] : running) {
    if (std::find(argv.begin(), argv.end(), argument) != argv.end()) found.push_back(pid);
  }
  return found;
}

bool FakeProcessLauncher::Terminate(long pid) {
  if (running.erase(pid) == 0) return false;
  terminated.push_back(pid);
  return true;
}

std::string FakeProcessLauncher::FindProgram(const std::string& name) {
  return programs.count(name) ? "/usr/bin/" + name : std::string();
}

}  // namespace sp
