#include "platform/linux/storagetools.h"

#include <array>

namespace sp {
namespace {
constexpr std::array<std::string_view, 5> kStorageTools = {"mkntfs", "losetup", "ntfs-3g", "umount", "blkid"};
}

bool IsAllowedStorageTool(std::string_view name) { return IsAllowedTool(kStorageTools, name); }

ToolResult RunStorageTool(const std::vector<std::string>& argv, int timeoutMs, std::stop_token stop,
                          const std::function<void(std::string_view)>& onOutput) {
  ToolRunOptions options;
  options.timeoutMs = timeoutMs;
  options.onOutput = onOutput;
  options.stop = std::move(stop);
  return RunAllowedTool(kStorageTools, argv, options);
}

}  // namespace sp
