#include "platform/linux/nettools.h"

#include <array>

namespace sp {
namespace {
constexpr std::array<std::string_view, 5> kNetTools = {"umount", "mount.cifs", "nmblookup", "smbnetfs", "fusermount3"};
}

bool IsAllowedNetTool(std::string_view name) { return IsAllowedTool(kNetTools, name); }

NetToolResult RunNetTool(const std::vector<std::string>& argv, int timeoutMs,
                         const std::vector<std::string>& extraEnv) {
  ToolRunOptions options;
  options.timeoutMs = timeoutMs;
  options.extraEnv = extraEnv;
  return RunAllowedTool(kNetTools, argv, options);
}

}  // namespace sp
