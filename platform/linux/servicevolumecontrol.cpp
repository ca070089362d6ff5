#include "platform/linux/servicevolumecontrol.h"

#include <cctype>

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

using namespace iscsictl;

namespace {

std::string LetterText(char letter) {
  return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
}

bool IsLetter(char letter) { return std::isalpha(static_cast<unsigned char>(letter)) != 0; }

}  // namespace

std::string ServiceVolumeControl::AttachLoop(const std::string& backingFile, std::uint64_t offset, std::uint64_t size,
                                             std::stop_token stop) {
  ControlRecord request = StorageRequest(op::kAttachLoop);
  request.Set("path", backingFile).SetU64("offset", offset).SetU64("size", size);
  const auto reply = link_.Ask(request, ServiceStorageLink::kQuickMs, stop);
  return reply ? (*reply)[0].Get("device") : std::string();
}

bool ServiceVolumeControl::DetachLoop(const std::string& device) {
  return link_.Ask(StorageRequest(op::kDetachLoop).Set("device", device), ServiceStorageLink::kQuickMs).has_value();
}

std::optional<LoopSetup> ServiceVolumeControl::LoopBehind(const std::string& device) {
  const auto reply = link_.Ask(StorageRequest(op::kLoopBehind).Set("device", device), ServiceStorageLink::kQuickMs);
  if (!reply || (*reply)[0].Get("backing").empty()) return std::nullopt;
  const ControlRecord& r = (*reply)[0];
  return LoopSetup{r.Get("backing"), r.GetU64Or("offset", 0), r.GetU64Or("size_limit", 0)};
}

std::string ServiceVolumeControl::DiskBehind(const std::string& volumeDevice) {
  // Only devices have a disk behind them; anything else is its own disk.
  if (volumeDevice.rfind("/dev/", 0) != 0) return volumeDevice;
  const auto reply =
      link_.Ask(StorageRequest(op::kDiskBehind).Set("device", volumeDevice), ServiceStorageLink::kQuickMs);
  return reply ? (*reply)[0].Get("path", volumeDevice) : volumeDevice;
}

bool ServiceVolumeControl::DiskInUse(const std::string& diskPath) {
  const auto reply = link_.Ask(StorageRequest(op::kDiskInUse).Set("path", diskPath), ServiceStorageLink::kQuickMs);
  // Unknown counts as in use: nothing is written to a disk that may be.
  return !reply || (*reply)[0].GetBool("in_use", true);
}

std::vector<std::string> ServiceVolumeControl::MountPointsOnDisk(const std::string& diskPath) {
  const auto reply =
      link_.Ask(StorageRequest(op::kMountPointsOnDisk).Set("path", diskPath), ServiceStorageLink::kQuickMs);
  std::vector<std::string> points;
  if (!reply) return points;
  for (std::size_t i = 1; i < reply->size(); ++i) {
    if ((*reply)[i].type() == "mount_point") points.push_back((*reply)[i].Get("path"));
  }
  return points;
}

std::optional<FileSystemProbe> ServiceVolumeControl::ProbeFileSystem(const std::string& device, std::stop_token stop) {
  const auto reply = link_.Ask(StorageRequest(op::kProbeFs).Set("device", device), ServiceStorageLink::kQuickMs, stop);
  if (!reply || (*reply)[0].Get("type").empty()) return std::nullopt;
  return FileSystemProbe{(*reply)[0].Get("type"), (*reply)[0].Get("version")};
}

bool ServiceVolumeControl::MountNtfs(const std::string& device, char letter, std::stop_token stop) {
  if (!IsLetter(letter)) return false;
  // No owner in the request: the service gives the files to whoever asks.
  ControlRecord request = StorageRequest(op::kMountNtfs);
  request.Set("device", device).Set("letter", LetterText(letter));
  return link_.Ask(request, kMountMs, stop).has_value();
}

bool ServiceVolumeControl::Unmount(char letter, std::stop_token stop) {
  if (!IsLetter(letter)) return false;
  return link_.Ask(StorageRequest(op::kUnmount).Set("letter", LetterText(letter)), kMountMs, stop).has_value();
}

StorageRefusal ServiceVolumeControl::Refusal() {
  switch (link_.Refusal()) {
    case kNotAuthorised:
      return StorageRefusal::kNotAuthorised;
    case kSetupInProgress:
      return StorageRefusal::kSetupInProgress;
    default:
      return StorageRefusal::kNone;
  }
}

bool ServiceNtfsFormatter::Format(const std::string& device, const NtfsFormatOptions& options,
                                  const std::function<void(int)>& progress, std::stop_token stop) {
  if (progress) progress(0);
  ControlRecord request = StorageRequest(op::kFormatNtfs);
  request.Set("device", device).SetBool("quick", options.quick).SetU64("cluster_size", options.clusterSize);
  request.Set("label", options.label).SetU64("hidden_sectors", options.hiddenSectors);
  request.SetU64("heads", options.heads).SetU64("sectors_per_track", options.sectorsPerTrack);
  if (!link_.Ask(request, kFormatMs, stop)) return false;
  if (progress) progress(100);
  return true;
}

}  // namespace sp
