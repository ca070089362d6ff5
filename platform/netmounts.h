#pragma once
// Reading the kernel's mount table for network mounts at drive letters.
#include <string>
#include <string_view>
#include <vector>

#include "platform/storagetooloutput.h"

namespace sp {

// The mount seen at `path`: the last one mounted there. Null when none.
const MountEntry* TopMountAt(const std::vector<MountEntry>& mounts, std::string_view path);

// Whether a mount of this type carries a network share.
bool IsNetworkMount(const MountEntry& entry);

// The share path "\\host\share" of a network mount: from a CIFS source
// "//host/share" (also an smbnetfs of one share), or from the subtree
// "/host/share" of a bind out of an smbnetfs tree. Empty when it cannot be told.
std::string RemoteOfMount(const MountEntry& entry);

// Whether /proc/filesystems (its text) lists file system `name`.
bool KernelListsFilesystem(std::string_view procFilesystems, std::string_view name);

}  // namespace sp
