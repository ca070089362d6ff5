#pragma once
// The network tools that share mappings need (umount, mount.cifs, nmblookup,
// smbnetfs, fusermount3), through the common tool runner, each waited for
// with a time bound.
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/toolrunner.h"

namespace sp {

using NetToolResult = ToolResult;

bool IsAllowedNetTool(std::string_view name);

// Runs argv[0] (a bare name from the allow-list) and waits up to `timeoutMs`
// for it; then it is ended. `extraEnv` ("NAME=value") is added to the tool's
// small fixed environment.
NetToolResult RunNetTool(const std::vector<std::string>& argv, int timeoutMs,
                         const std::vector<std::string>& extraEnv = {});

}  // namespace sp
