#pragma once
// Where the program's parts are, found from the folder of the running
// program: in the build tree everything sits beside the wizard; installed,
// the wizard is in <prefix>/bin and the rest in the usual places under the
// same prefix. Only paths relative to the program folder are compiled in,
// so an installed tree can be moved or unpacked anywhere.
#include <string>

namespace sp {

struct InstallLayout {
  std::string programDir;      // folder of the running program
  std::string dataDir;         // holds resource/ and the language catalogues
  std::string helperDir;       // holds the share-mapping agent (netdock)
  std::string serviceProgram;  // the iSCSI initiator service's program
  bool installed = false;      // the installed layout, not the build tree
};

// The layout around `programDir`: the build tree when a resource folder is
// beside the program, the installed layout when one is in the shared data
// folder, else the build tree (then the resource folder is just missing).
InstallLayout LayoutFor(const std::string& programDir);

// The folder of the running program (from /proc/self/exe); "." when it
// cannot be read.
std::string RunningProgramFolder();

}  // namespace sp
