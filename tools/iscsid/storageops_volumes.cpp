// Loop devices over our LUN files, and the NTFS volumes on them: probing,
// formatting, mounting at a drive letter for the caller, unmounting.
#include <unistd.h>

#include <algorithm>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "tools/iscsid/storageops.h"
#include "tools/iscsid/storagereply.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

constexpr std::size_t kMaxLabelLength = 32;
constexpr std::uint32_t kSectorBytes = 512;

bool IsNtfsMount(const std::string& fsType) { return fsType == "ntfs3" || fsType == "ntfs" || fsType == "fuseblk"; }

bool IsPrintableLabel(std::string_view label) {
  return label.size() <= kMaxLabelLength &&
         std::all_of(label.begin(), label.end(), [](unsigned char c) { return c >= 0x20 && c != 0x7F; });
}

}  // namespace

ControlMessage StorageOps::AttachLoop(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return Refuse(why);
  const auto offset = r.GetU64("offset");
  const auto size = r.GetU64("size");
  auto disk = disks_.Open(*path);
  const std::uint64_t end = disk ? disk->SizeBytes() : 0;
  if (!offset || !size || *offset % kSectorBytes != 0 || *offset >= end || *size > end - *offset) {
    return Refuse("the loop device must lie inside the disk, from a multiple of 512 bytes on");
  }
  const std::string device = control_.AttachLoop(*path, *offset, *size, CurrentStop());
  if (device.empty()) return StorageReply(kInternal, "losetup could not attach a loop device");
  ControlMessage reply = StorageReply(kOk);
  reply[0].Set("device", device);
  return reply;
}

ControlMessage StorageOps::DetachLoop(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto device = OwnLoop(r.Get("device"), why);
  if (!device) return Refuse(why);
  return control_.DetachLoop(*device) ? StorageReply(kOk) : StorageReply(kInternal, "losetup could not detach it");
}

ControlMessage StorageOps::LoopBehind(const ControlRecord& r, const Caller&) {
  // Anyone's loop device: what it stands on is in /sys for all to read.
  const auto loop = control_.LoopBehind(r.Get("device"));
  if (!loop) return StorageReply(kDeviceNotFound);
  ControlMessage reply = StorageReply(kOk);
  reply[0].Set("backing", loop->backingFile).SetU64("offset", loop->offset).SetU64("size_limit", loop->sizeLimit);
  return reply;
}

ControlMessage StorageOps::DiskBehind(const ControlRecord& r, const Caller&) {
  const std::string device = r.Get("device");
  if (device.rfind("/dev/", 0) != 0 || device.size() > 256 || device.find("/..") != std::string::npos) {
    return Refuse("a volume device under /dev is asked for");
  }
  ControlMessage reply = StorageReply(kOk);
  reply[0].Set("path", control_.DiskBehind(device));
  return reply;
}

ControlMessage StorageOps::DiskInUse(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return Refuse(why);
  ControlMessage reply = StorageReply(kOk);
  reply[0].SetBool("in_use", control_.DiskInUse(*path));
  return reply;
}

ControlMessage StorageOps::MountPoints(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return Refuse(why);
  ControlMessage reply = StorageReply(kOk);
  for (const std::string& point : control_.MountPointsOnDisk(*path)) {
    reply.push_back(ControlRecord("mount_point").Set("path", point));
  }
  return reply;
}

ControlMessage StorageOps::ProbeFs(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto device = OwnLoop(r.Get("device"), why);
  if (!device) return Refuse(why);
  ControlMessage reply = StorageReply(kOk);
  if (const auto probe = control_.ProbeFileSystem(*device, CurrentStop())) {
    reply[0].Set("type", probe->type).Set("version", probe->version);
  }
  return reply;
}

ControlMessage StorageOps::FormatNtfs(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto device = OwnLoop(r.Get("device"), why);
  if (!device) return Refuse(why);
  for (const MountEntry& m : letters_.Mounts()) {
    if (m.source == *device) return Refuse("the volume is mounted at " + m.mountPoint);
  }
  NtfsFormatOptions options;
  options.quick = r.GetBool("quick", true);
  options.label = r.Get("label");
  const bool ok = GetU32(r, "cluster_size", options.clusterSize, options.clusterSize) &&
                  GetU32(r, "hidden_sectors", options.hiddenSectors, options.hiddenSectors) &&
                  GetU32(r, "heads", options.heads, options.heads) &&
                  GetU32(r, "sectors_per_track", options.sectorsPerTrack, options.sectorsPerTrack);
  const std::uint32_t cluster = options.clusterSize;
  if (!ok || cluster < 512 || cluster > 65536 || (cluster & (cluster - 1)) != 0 || options.heads == 0 ||
      options.heads > 255 || options.sectorsPerTrack == 0 || options.sectorsPerTrack > 63 ||
      !IsPrintableLabel(options.label)) {
    return Refuse("format options out of range (cluster 512..65536, heads 1..255, sectors 1..63, label 32)");
  }
  if (!formatter_.Format(*device, options, {}, CurrentStop())) return StorageReply(kInternal, "mkntfs did not succeed");
  return StorageReply(kOk);
}

ControlMessage StorageOps::MountNtfs(const ControlRecord& r, const Caller& caller) {
  std::string why;
  const auto device = OwnLoop(r.Get("device"), why);
  if (!device) return Refuse(why);
  const char letter = GetLetter(r, "letter");
  if (!letter) return Refuse("a drive letter is one of a to z");
  const bool privileged = caller.uid == 0 || caller.uid == geteuid();
  std::optional<DriveOwner> owner;
  if (r.Has("owner_uid") || r.Has("owner_gid")) {
    std::uint32_t uid = 0, gid = 0;
    if (!GetU32(r, "owner_uid", uid, caller.uid) || !GetU32(r, "owner_gid", gid, caller.gid) || uid == 0xFFFFFFFFu ||
        gid == 0xFFFFFFFFu) {
      return Refuse("the owner is not a user and group id");
    }
    if (!privileged && (uid != caller.uid || gid != caller.gid)) return Refuse("only root may name another owner");
    owner = DriveOwner{uid, gid};
  } else if (!privileged) {
    owner = DriveOwner{caller.uid, caller.gid};
  }
  if (!letters_.DeviceAtLetter(letter).empty()) return StorageReply(kAlreadyExists, "the letter is in use");
  return control_.MountNtfsAs(*device, letter, owner, CurrentStop()) ? StorageReply(kOk)
                                                                     : StorageReply(kInternal, "the NTFS mount failed");
}

ControlMessage StorageOps::Unmount(const ControlRecord& r, const Caller&) {
  const char letter = GetLetter(r, "letter");
  if (!letter) return Refuse("a drive letter is one of a to z");
  const std::string device = letters_.DeviceAtLetter(letter);
  if (device.empty()) return StorageReply(kDeviceNotFound, "nothing is mounted there");
  const auto mounts = letters_.Mounts();
  const bool ntfs = std::any_of(mounts.begin(), mounts.end(),
                                [&](const MountEntry& m) { return m.source == device && IsNtfsMount(m.fsType); });
  std::string why;
  if (!ntfs || !OwnLoop(device, why)) {
    return Refuse("only an NTFS volume on a loop device of this service is unmounted here");
  }
  return control_.Unmount(letter) ? StorageReply(kOk) : StorageReply(kDeviceBusy, "the volume is in use");
}

}  // namespace sp::iscsid
