#pragma once
// The storage tools the disk layer runs (mkntfs, losetup, ntfs-3g, umount,
// blkid), through the common tool runner.
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/toolrunner.h"

namespace sp {

bool IsAllowedStorageTool(std::string_view name);

// Runs argv[0] (a bare tool name from the storage allow-list) and waits for
// it, at most `timeoutMs` (the tool is ended after that). `onOutput` sees
// the output as it arrives; a stop request ends the tool at once.
ToolResult RunStorageTool(const std::vector<std::string>& argv, int timeoutMs, std::stop_token stop = {},
                          const std::function<void(std::string_view)>& onOutput = {});

}  // namespace sp
