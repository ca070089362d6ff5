#pragma once
// A stand-in for the process launcher: programs "exist" when the test says
// so, started programs "run" until the test or Terminate ends them, and
// every start and termination is recorded.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/processlauncher.h"

namespace sp {

class FakeProcessLauncher : public IProcessLauncher {
 public:
  long Start(const std::vector<std::string>& argv) override;
  std::vector<long> FindByArgument(const std::string& argument) override;
  bool Terminate(long pid) override;
  std::string FindProgram(const std::string& name) override;
  bool IsSuperUser() override { return superUser; }
  bool HasGraphicalSession() override { return graphical; }

  // A process that runs without having been started here (another copy of
  // the wizard started it, say). Returns its pid.
  long AddRunning(std::vector<std::string> argv);

  // Programs found in PATH, by name; FindProgram answers "/usr/bin/<name>".
  std::set<std::string> programs;
  bool superUser = false;
  bool graphical = true;
  bool startFails = false;

  std::vector<std::vector<std::string>> started;  // every Start, in order
  std::vector<long> terminated;                   // every successful Terminate
  std::map<long, std::vector<std::string>> running;

 private:
  long nextPid_ = 1000;
};

}  // namespace sp
