#pragma once
// Runs an outside tool the way every Linux backend of the wizard does: only
// tools named on the caller's allow-list, by an argument vector (never a
// shell), resolved in the system's own program folders (not $PATH), in the C
// locale so their output reads the same everywhere, with stdin from
// /dev/null and none of the wizard's descriptors inherited.
#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

struct ToolResult {
  bool started = false;   // false: not on the allow-list, not installed, or fork failed
  bool timedOut = false;  // ended by us after the time bound
  int exitCode = -1;      // exit status; -1 when the tool was ended by a signal or by us
  std::string output;     // stdout and stderr together, in arrival order
};

struct ToolRunOptions {
  // Time bound; the tool is ended (SIGTERM, then SIGKILL) when it is over.
  // Negative: no bound.
  int timeoutMs = -1;
  // Sees the output in chunks as it arrives.
  std::function<void(std::string_view)> onOutput;
  // A stop request ends the tool like the time bound.
  std::stop_token stop;
  // "NAME=value" entries added to the tool's small fixed environment.
  std::vector<std::string> extraEnv;
};

using ToolAllowList = std::span<const std::string_view>;

bool IsAllowedTool(ToolAllowList allowed, std::string_view name);

// Runs argv[0] (a bare name from `allowed`) with the other arguments and
// waits for it. A tool that starts a daemon (ntfs-3g, smbnetfs) is done when
// the tool itself exits, even while the daemon keeps the output open.
ToolResult RunAllowedTool(ToolAllowList allowed, const std::vector<std::string>& argv,
                          const ToolRunOptions& options = {});

}  // namespace sp
