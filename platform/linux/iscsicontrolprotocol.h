#pragma once
// Vocabulary of the initiator service's control protocol (version 1): the
// operations, the reply statuses and the default paths. The message format
// itself is in iscsicontrolmessage.h.
//
// Requests: "req v=1 op=<op>" plus the operation's fields; lists travel as
// further records after it. Replies: "rsp v=1 status=<n>" (plus "error=<text>"
// when it failed), then the operation's records. Field names are listed with
// each operation in tools/iscsid/controlhandler.cpp, the one place that reads
// them; the backend in platform/linux/iscsiinitiatorlinux.cpp writes them.
#include <cstdint>

namespace sp::iscsictl {

inline constexpr std::uint32_t kVersion = 1;

// Default locations; the service takes others on its command line.
inline constexpr const char* kDefaultSocket = "/run/setuppilot/iscsi/control.sock";
inline constexpr const char* kDefaultMountPoint = "/run/setuppilot/iscsi/disks";
inline constexpr const char* kDefaultStateFile = "/var/lib/setuppilot/iscsi/state";
inline constexpr const char* kDefaultPidFile = "/run/setuppilot/iscsi/iscsid.pid";

// The one initiator instance (HBA) the service offers.
inline constexpr const char* kInitiatorInstance = "setuppilot-iscsi-tcp_0";

// Reply statuses. The backend maps them onto the initiator interface's codes.
enum Status : std::uint32_t {
  kOk = 0,
  kBadRequest = 1,  // malformed message or missing field
  kBadVersion = 2,
  kUnknownOperation = 3,
  kNotSupported = 4,  // the operation or option cannot be done here
  kInvalidParameter = 5,
  kTargetNotFound = 6,
  kSessionNotFound = 7,
  kPortalNotFound = 8,
  kPersistentNotFound = 9,
  kConnectionFailed = 10,
  kLoginFailed = 11,
  kTimedOut = 12,
  kDeviceBusy = 14,  // a LUN of the session is open (mounted, looped)
  kAlreadyExists = 15,
  kScsiFailed = 16,  // no answer to a SCSI command
  kInternal = 17,
  kDeviceNotFound = 18,
  kInitiatorNotFound = 19,  // no initiator instance of that name
  kNotAuthorised = 20,      // the caller may not ask for this (refused or cancelled)
  kSetupInProgress = 21,    // another user's setup holds the PC
};

// Operation names.
namespace op {
inline constexpr const char* kPing = "ping";
inline constexpr const char* kNodeName = "node_name";
inline constexpr const char* kSetNodeName = "set_node_name";
inline constexpr const char* kSetChapSecret = "set_chap_secret";
inline constexpr const char* kInitiators = "initiators";
inline constexpr const char* kAddPortal = "add_portal";
inline constexpr const char* kRemovePortal = "remove_portal";
inline constexpr const char* kRefreshPortal = "refresh_portal";
inline constexpr const char* kPortals = "portals";
inline constexpr const char* kAddTarget = "add_target";
inline constexpr const char* kRemoveTarget = "remove_target";
inline constexpr const char* kTargets = "targets";
inline constexpr const char* kTargetInfo = "target_info";
inline constexpr const char* kLogin = "login";
inline constexpr const char* kLogout = "logout";
inline constexpr const char* kSessions = "sessions";
inline constexpr const char* kPersistentLogins = "persistent_logins";
inline constexpr const char* kRemovePersistent = "remove_persistent";
inline constexpr const char* kScsi = "scsi";
inline constexpr const char* kPersistentDevices = "persistent_devices";
inline constexpr const char* kAddPersistentDevice = "add_persistent_device";
inline constexpr const char* kRemovePersistentDevice = "remove_persistent_device";
inline constexpr const char* kClearPersistentDevices = "clear_persistent_devices";
inline constexpr const char* kRememberVolume = "remember_volume";
inline constexpr const char* kForgetVolume = "forget_volume";
inline constexpr const char* kVolumes = "volumes";
// The disk layer's privileged storage steps, done for the wizard on the
// service's own LUN files (tools/iscsid/storageops.h).
inline constexpr const char* kStorageDisks = "storage_disks";
inline constexpr const char* kDiskInfo = "disk_info";
inline constexpr const char* kDiskRead = "disk_read";
inline constexpr const char* kDiskWrite = "disk_write";
inline constexpr const char* kDiskFlush = "disk_flush";
inline constexpr const char* kAttachLoop = "attach_loop";
inline constexpr const char* kDetachLoop = "detach_loop";
inline constexpr const char* kLoopBehind = "loop_behind";
inline constexpr const char* kDiskBehind = "disk_behind";
inline constexpr const char* kDiskInUse = "disk_in_use";
inline constexpr const char* kMountPointsOnDisk = "mount_points_on_disk";
inline constexpr const char* kProbeFs = "probe_fs";
inline constexpr const char* kFormatNtfs = "format_ntfs";
inline constexpr const char* kMountNtfs = "mount_ntfs";
inline constexpr const char* kUnmount = "unmount";
// The share as the caller's drive (tools/iscsid/shareops.h).
inline constexpr const char* kMountShare = "mount_share";
inline constexpr const char* kUnmountShare = "unmount_share";
inline constexpr const char* kDrivePoint = "drive_point";
inline constexpr const char* kBeginSetup = "begin_setup";
inline constexpr const char* kEndSetup = "end_setup";
}  // namespace op

// Largest block one disk_read or disk_write moves.
inline constexpr std::uint32_t kMaxDiskTransfer = 1u << 20;

}  // namespace sp::iscsictl
