#pragma once
// The storage tools the disk layer runs (mkntfs, losetup, mount, ntfs-3g,
// umount, blkid), through the common tool runner; and the choices made in attaching
// and mounting a volume, as plain functions so that whichever process does
// the attaching (the wizard today, a privileged service tomorrow) makes the
// same ones.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
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

// losetup for a loop device over [offset, offset + size) of `backingFile`
// (size 0: to its end), printing the device. Direct I/O: the LUN file
// below has a page cache of its own, and pages kept twice only cost memory
// and copies.
std::vector<std::string> LoopAttachCommand(const std::string& backingFile, std::uint64_t offset, std::uint64_t size);

// The person a drive is mounted for, when that is not the mounting process.
struct DriveOwner {
  uid_t uid = 0;
  gid_t gid = 0;
};

// Who reads and writes NTFS: the kernel's own driver (ntfs3, no trip through
// a user-space process for every request), or ntfs-3g where the kernel has
// none.
enum class NtfsDriver { kKernel, kNtfs3g };

// The command mounting `device` at `point` with that driver, without
// access-time updates; ntfs-3g with big writes (128 KiB instead of 4 KiB
// requests). For an owner, the files are theirs (and, through ntfs-3g's
// FUSE mount made by another user, reachable by them: allow_other).
std::vector<std::string> NtfsMountCommand(NtfsDriver driver, const std::string& device, const std::string& point,
                                          const std::optional<DriveOwner>& owner);

// Dirty data a loop device may hold before its writer waits for it to
// reach the disk below. A volume's writes pile up in the loop device's page
// cache until the system-wide dirty limit (gigabytes) and only then flow
// down, all at once at the next fsync; a small limit of its own makes them
// flow while they are being written.
inline constexpr std::uint64_t kLoopDirtyBytes = 64ull << 20;

// Sets that limit on `device` (/dev/loopN) through <sysDir>/block/loopN/bdi.
// False where the kernel has no per-device limit (before 6.2) or the device
// is none of ours to tune.
bool LimitLoopWriteback(const std::string& sysDir, const std::string& device, std::uint64_t bytes);

}  // namespace sp
