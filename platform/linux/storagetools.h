#pragma once
// Runs the storage tools (mkntfs, losetup, ntfs-3g, umount, blkid): only
// these, by an argument vector (never a shell), from the system's own
// program folders (not $PATH), in the C locale so that their output reads
// the same everywhere.
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

struct ToolResult {
  bool started = false;  // false: not on the allow-list, not installed, or fork failed
  int exitCode = -1;     // exit status; -1 when the tool was ended by a signal
  std::string output;    // stdout and stderr together, in arrival order
};

bool IsAllowedStorageTool(std::string_view name);

// Runs argv[0] (a bare tool name from the allow-list) with the remaining
// arguments and waits for it. `onOutput` sees the output in chunks as it
// arrives. A stop request terminates the tool (SIGTERM, then SIGKILL).
ToolResult RunStorageTool(const std::vector<std::string>& argv,
                          const std::function<void(std::string_view)>& onOutput = {}, std::stop_token stop = {});

}  // namespace sp
