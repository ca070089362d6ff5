// What a storage request may name, the dispatch, and raw disk access.
// Loop devices, probing, formatting and mounting: storageops_volumes.cpp.
#include "tools/iscsid/storageops.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/storagereply.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

constexpr std::size_t kMaxPathLength = 1024;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool HasDotPart(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return true;
    start = end + 1;
  }
  return false;
}

bool HasControlCharacter(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

ControlMessage StorageReply(std::uint32_t status, std::string_view error) {
  ControlRecord head("rsp");
  head.SetU64("v", kVersion).SetU64("status", status);
  if (status != kOk) head.Set("error", error.empty() ? ControlHandler::StatusText(status) : error);
  return {head};
}

ControlMessage Refuse(std::string_view why) { return StorageReply(kInvalidParameter, why); }

struct StorageOps::Range {
  std::string path;
  std::uint64_t offset = 0;
};

StorageOps::StorageOps(std::string lunDir, std::string driveRoot)
    : lunDir_(std::move(lunDir)), disks_(lunDir_), letters_(std::move(driveRoot)), control_(letters_) {}

const StorageOps::Op* StorageOps::Find(std::string_view op) {
  static const std::map<std::string_view, Op> ops = {
      {op::kStorageDisks, &StorageOps::Disks},
      {op::kDiskInfo, &StorageOps::DiskInfo},
      {op::kDiskRead, &StorageOps::DiskRead},
      {op::kDiskWrite, &StorageOps::DiskWrite},
      {op::kDiskFlush, &StorageOps::DiskFlush},
      {op::kAttachLoop, &StorageOps::AttachLoop},
      {op::kDetachLoop, &StorageOps::DetachLoop},
      {op::kLoopBehind, &StorageOps::LoopBehind},
      {op::kDiskBehind, &StorageOps::DiskBehind},
      {op::kDiskInUse, &StorageOps::DiskInUse},
      {op::kMountPointsOnDisk, &StorageOps::MountPoints},
      {op::kProbeFs, &StorageOps::ProbeFs},
      {op::kFormatNtfs, &StorageOps::FormatNtfs},
      {op::kMountNtfs, &StorageOps::MountNtfs},
      {op::kUnmount, &StorageOps::Unmount},
  };
  const auto it = ops.find(op);
  return it == ops.end() ? nullptr : &it->second;
}

bool StorageOps::Handles(std::string_view op) { return Find(op) != nullptr; }

bool StorageOps::IsReadOnly(std::string_view op) {
  // Raw reads are not among them: they show the volume's contents past its
  // files' permissions.
  for (std::string_view name :
       {op::kStorageDisks, op::kDiskInfo, op::kLoopBehind, op::kDiskBehind, op::kDiskInUse, op::kMountPointsOnDisk}) {
    if (name == op) return true;
  }
  return false;
}

std::stop_token& StorageOps::CurrentStop() {
  thread_local std::stop_token stop;
  return stop;
}

ControlMessage StorageOps::Handle(std::string_view op, const ControlMessage& request, const Caller& caller,
                                  std::stop_token stop) {
  const Op* handler = Find(op);
  if (!handler || request.empty()) return StorageReply(kUnknownOperation);
  CurrentStop() = std::move(stop);
  if (IsReadOnly(op)) return (this->**handler)(request[0], caller);
  std::lock_guard lock(changes_);
  return (this->**handler)(request[0], caller);
}

std::optional<std::string> StorageOps::OwnLunFile(std::string_view text, std::string& why) const {
  if (text.empty() || text.size() > kMaxPathLength || HasControlCharacter(text)) {
    why = "no disk named";
    return std::nullopt;
  }
  if (HasDotPart(text)) {
    why = "a disk path with \".\" or \"..\" parts is not accepted";
    return std::nullopt;
  }
  const std::string path =
      text.find('/') == std::string_view::npos ? lunDir_ + "/" + std::string(text) : std::string(text);
  struct stat st {};
  if (path[0] != '/' || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "not a LUN file of this service: " + path;
    return std::nullopt;
  }
  const std::string resolved = RealPath(path);
  const std::string folder = RealPath(lunDir_);
  if (resolved.empty() || folder.empty() || std::filesystem::path(resolved).parent_path().string() != folder) {
    why = "not in this service's LUN folder: " + path;
    return std::nullopt;
  }
  return resolved;
}

std::optional<std::string> StorageOps::OwnLoop(std::string_view device, std::string& why) {
  const std::string text(device);
  const auto loop = control_.LoopBehind(text);  // checks the /dev/loopN form first
  if (!loop) {
    why = "not an attached loop device: " + text;
    return std::nullopt;
  }
  std::string inner;
  if (!OwnLunFile(loop->backingFile, inner)) {
    why = "the loop device does not stand on a LUN file of this service: " + text;
    return std::nullopt;
  }
  return text;
}

ControlMessage StorageOps::Disks(const ControlRecord&, const Caller&) {
  ControlMessage reply = StorageReply(kOk);
  std::string why;
  for (const std::string& file : disks_.LunFiles()) {
    if (const auto own = OwnLunFile(file, why)) reply.push_back(ControlRecord("disk").Set("path", *own));
  }
  return reply;
}

ControlMessage StorageOps::DiskInfo(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return Refuse(why);
  auto disk = disks_.Open(*path);
  if (!disk) return StorageReply(kDeviceNotFound);
  std::vector<std::uint8_t> inquiry;
  if (!disk->Inquiry(inquiry)) inquiry.clear();
  ControlMessage reply = StorageReply(kOk);
  reply[0].SetU64("size", disk->SizeBytes()).SetU64("sector_size", disk->SectorSize());
  reply[0].Set("inquiry", HexText(inquiry.data(), inquiry.size()));
  return reply;
}

std::optional<StorageOps::Range> StorageOps::GetRange(const ControlRecord& r, std::uint64_t length, std::string& why) {
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return std::nullopt;
  const auto offset = r.GetU64("offset");
  if (!offset || length == 0 || length > kMaxDiskTransfer) {
    why = "a transfer is 1 byte to 1 MiB at a given offset";
    return std::nullopt;
  }
  struct stat st {};
  const std::uint64_t size = stat(path->c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (*offset > size || length > size - *offset) {
    why = "the transfer goes past the disk's end";
    return std::nullopt;
  }
  return Range{*path, *offset};
}

ControlMessage StorageOps::DiskRead(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto range = GetRange(r, r.GetU64Or("length", 0), why);
  if (!range) return Refuse(why);
  auto disk = disks_.Open(range->path);
  std::vector<std::uint8_t> data(r.GetU64Or("length", 0));
  if (!disk || !disk->Read(range->offset, data.data(), data.size())) return StorageReply(kScsiFailed);
  ControlMessage reply = StorageReply(kOk);
  reply[0].Set("data", HexText(data.data(), data.size()));
  return reply;
}

ControlMessage StorageOps::DiskWrite(const ControlRecord& r, const Caller&) {
  const auto data = ParseHex(r.Get("data"));
  if (!data) return Refuse("the data is not hex");
  std::string why;
  const auto range = GetRange(r, data->size(), why);
  if (!range) return Refuse(why);
  auto disk = disks_.Open(range->path);
  if (!disk || !disk->Write(range->offset, data->data(), data->size())) return StorageReply(kScsiFailed);
  return StorageReply(kOk);
}

ControlMessage StorageOps::DiskFlush(const ControlRecord& r, const Caller&) {
  std::string why;
  const auto path = OwnLunFile(r.Get("path"), why);
  if (!path) return Refuse(why);
  auto disk = disks_.Open(*path);
  return StorageReply(disk && disk->Flush() ? kOk : kScsiFailed);
}

}  // namespace sp::iscsid
