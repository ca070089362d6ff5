#pragma once
// The disk layer's privileged steps, done by the service for the wizard,
// which runs as the desktop user: raw access to the service's own LUN
// files, loop devices over them, probing, formatting and mounting the NTFS
// volume on such a loop at a drive letter, and unmounting it again. The same
// platform code the wizard used to run itself does the work here.
//
// Nothing outside the service's own disks is ever touched: a disk is a LUN
// file directly in the LUN folder (named, or by a path without "." or ".."
// parts that is no symbolic link and resolves into that folder); a loop
// device counts only when it stands on such a file; a letter is a-z and
// its folder <drive root>/<letter>. Whatever breaks those rules is answered
// with kInvalidParameter and an error text saying which. The operations are
// called from several connections' threads at once.
//
// Operations and their fields (see controlhandler.h for the message form):
//   storage_disks                 -> disk path=... (the LUN files, name order)
//   disk_info path                -> size sector_size inquiry (hex; may be empty)
//   disk_read path offset length  -> data (hex); length 1..1 MiB, inside the disk
//   disk_write path offset data   (hex, 1 byte..1 MiB, inside the disk)
//   disk_flush path
//   attach_loop path offset size  -> device (size 0: to the disk's end; offset
//                                    a multiple of 512 inside the disk)
//   detach_loop device
//   loop_behind device            -> backing offset size_limit (any loop device;
//                                    kDeviceNotFound when it is not attached)
//   disk_behind device            -> path (device under /dev)
//   disk_in_use path              -> in_use
//   mount_points_on_disk path     -> mount_point path=...
//   probe_fs device               -> type version (no type: nothing recognised)
//   format_ntfs device quick cluster_size label hidden_sectors heads
//               sectors_per_track (the volume must not be mounted)
//   mount_ntfs device letter [owner_uid owner_gid]
//                                 the files belong to the caller; only root
//                                 may name another owner (root without one:
//                                 no owner options)
//   unmount letter                (only an NTFS mount on a loop of ours)
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/linux/iscsicontrolmessage.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/mkntfsformatter.h"
#include "tools/iscsid/caller.h"

namespace sp::iscsid {

class StorageOps {
 public:
  StorageOps(std::string lunDir, std::string driveRoot);

  static bool Handles(std::string_view op);
  // Those that only tell what is there and run no tool.
  static bool IsReadOnly(std::string_view op);

  // `stop` ends a tool the step runs when the client gives up waiting.
  ControlMessage Handle(std::string_view op, const ControlMessage& request, const Caller& caller,
                        std::stop_token stop = {});

  // The canonical path of one of our LUN files named by `text`; nothing,
  // with the reason in `why`, when it is none.
  std::optional<std::string> OwnLunFile(std::string_view text, std::string& why) const;
  // `device` when it is a loop device standing on one of our LUN files.
  std::optional<std::string> OwnLoop(std::string_view device, std::string& why);

 private:
  using Op = ControlMessage (StorageOps::*)(const ControlRecord&, const Caller&);
  // The stop of the request this thread handles (steps run on their
  // request's connection thread).
  static std::stop_token& CurrentStop();
  static const Op* Find(std::string_view op);

  ControlMessage Disks(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskInfo(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskRead(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskWrite(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskFlush(const ControlRecord& r, const Caller& caller);
  ControlMessage AttachLoop(const ControlRecord& r, const Caller& caller);
  ControlMessage DetachLoop(const ControlRecord& r, const Caller& caller);
  ControlMessage LoopBehind(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskBehind(const ControlRecord& r, const Caller& caller);
  ControlMessage DiskInUse(const ControlRecord& r, const Caller& caller);
  ControlMessage MountPoints(const ControlRecord& r, const Caller& caller);
  ControlMessage ProbeFs(const ControlRecord& r, const Caller& caller);
  ControlMessage FormatNtfs(const ControlRecord& r, const Caller& caller);
  ControlMessage MountNtfs(const ControlRecord& r, const Caller& caller);
  ControlMessage Unmount(const ControlRecord& r, const Caller& caller);

  // A transfer's disk, offset and length checked against the disk's size.
  struct Range;
  std::optional<Range> GetRange(const ControlRecord& r, std::uint64_t length, std::string& why);

  std::string lunDir_;
  LinuxBlockDevices disks_;
  LinuxDriveLetters letters_;
  LinuxVolumeControl control_;
  MkntfsFormatter formatter_;
  // Steps that change something run one at a time, so that a check made
  // before one (the letter is free, the volume is not mounted) still holds
  // when it runs; requests arrive on a thread per connection.
  std::mutex changes_;
};

}  // namespace sp::iscsid
