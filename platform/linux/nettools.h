#pragma once
// Runs the network tools that mappings need: only these, by an argument
// vector (never a shell), from the system's own program folders (not $PATH),
// in the C locale, each waited for with a time bound.
#include <string>
#include <string_view>
#include <vector>

namespace sp {

struct NetToolResult {
  bool started = false;   // false: not on the allow-list, not installed, or fork failed
  bool timedOut = false;  // ended by us after the time bound
  int exitCode = -1;      // exit status; -1 when ended by a signal
  std::string output;     // stdout and stderr together
};

// umount, mount.cifs, nmblookup, smbnetfs, fusermount3.
bool IsAllowedNetTool(std::string_view name);

// Runs argv[0] (a bare name from the allow-list) with the other arguments and
// waits up to `timeoutMs` for it; then it is ended (SIGTERM, then SIGKILL).
// `extraEnv` ("NAME=value") is added to the tool's small fixed environment
// (LC_ALL=C, PATH of the system folders). A tool that starts a daemon (smbnetfs)
// is done when the tool itself exits, even while the daemon keeps the output
// open.
NetToolResult RunNetTool(const std::vector<std::string>& argv, int timeoutMs,
                         const std::vector<std::string>& extraEnv = {});

}  // namespace sp
