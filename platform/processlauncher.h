#pragma once
// Starting helper programs on the desktop without waiting for them, and
// finding them again while they run: the wizard starts the iSCSI initiator's
// installer this way (in a terminal window when there is one) and must not
// start it twice, or closes it when the user gives up.
#include <string>
#include <vector>

namespace sp {

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;

  // Starts `argv` detached: argv[0] is a program name looked up in PATH (or
  // a path), the rest its arguments, no shell. The program runs in a session
  // of its own with standard input from /dev/null and is not waited for.
  // Returns its process id, or -1 when it could not be started (not allowed,
  // not found, or the start failed).
  virtual long Start(const std::vector<std::string>& argv) = 0;

  // Running processes (other than this one) that have `argument` as one of
  // their command-line arguments, exactly.
  virtual std::vector<long> FindByArgument(const std::string& argument) = 0;

  // Asks process `pid` (and the session group it leads, when it leads one)
  // to end. False when it cannot be signalled (gone, or not ours to end).
  virtual bool Terminate(long pid) = 0;

  // The full path of program `name` found in PATH; empty when there is none.
  virtual std::string FindProgram(const std::string& name) = 0;

  // The wizard runs with root rights.
  virtual bool IsSuperUser() = 0;

  // A graphical session is there that windows can open in.
  virtual bool HasGraphicalSession() = 0;
};

}  // namespace sp
