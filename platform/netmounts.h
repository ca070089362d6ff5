#pragma once
// Reading the kernel's mount table for network mounts at drive letters.
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// One line of /proc/self/mountinfo, with the octal escapes (\040 for a
// blank, ...) undone.
struct NetMountEntry {
  std::string root;        // path inside the mounted file system ("/" or a bind's subtree)
  std::string mountPoint;
  std::string fsType;      // "cifs", "fuse.smbnetfs", "ext4", ...
  std::string source;      // "//10.77.0.2/Volume1", "smbnetfs", "/dev/loop3", ...
};

// Malformed lines are skipped.
std::vector<NetMountEntry> ParseNetMountInfo(std::string_view text);

// The mount seen at `path`: the last one mounted there. Null when none.
const NetMountEntry* TopMountAt(const std::vector<NetMountEntry>& mounts, std::string_view path);

// Whether a mount of this type carries a network share.
bool IsNetworkMount(const NetMountEntry& entry);

// The share path "\\host\share" of a network mount: from a CIFS source
// "//host/share", or from the subtree "/host/share" of a bind out of an
// smbnetfs tree. Empty when it cannot be told.
std::string RemoteOfMount(const NetMountEntry& entry);

// Whether /proc/filesystems (its text) lists file system `name`.
bool KernelListsFilesystem(std::string_view procFilesystems, std::string_view name);

}  // namespace sp
