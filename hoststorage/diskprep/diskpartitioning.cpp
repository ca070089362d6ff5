// Preparing a disk without a lettered volume: give an existing NTFS volume a
// letter, or write a new partition table, make the partition a volume,
// format it and letter it.
#include <algorithm>
#include <filesystem>

#include "hoststorage/diskprep/diskpreparation.h"

namespace sp {

namespace {

bool SameDisk(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

std::unique_ptr<IBlockDevice> DiskPreparation::OpenForWriting(const std::string& path, const FoundDisk& disk) {
  if (path.empty() || IsSystemDisk(path)) return nullptr;
  // Only a disk of the appliance's own session is ever written.
  const auto& ours = disk.sessionDisks;
  if (std::none_of(ours.begin(), ours.end(), [&](const std::string& p) { return SameDisk(p, path); })) return nullptr;
  auto device = disks_.Open(path);
  std::string model;
  if (!device || VendorCheck(*device, model) != 0) return nullptr;
  return device;
}

int DiskPreparation::PartitionAndFormat(FoundDisk& disk, const std::function<void(int)>& bar, std::stop_token stop) {
  const std::string& path = disk.physicalDrivePath;
  // A disk whose volume is mounted somewhere (without a letter) is in use:
  // rewriting its partition table under it would destroy the user's data.
  if (path.empty() || volumes_.DiskInUse(path)) return kPrepareNoVolume;
  auto device = OpenForWriting(path, disk);
  if (!device) return kPrepareNoVolume;
  Sector mbr{};
  if (!device->Read(0, mbr.data(), mbr.size())) return kPrepareNoVolume;
  if (auto lettered = LetterExistingNtfs(disk, *device, mbr, stop)) return *lettered;

  Sector written{};
  const std::optional<std::uint64_t> length = WritePartitionTable(*device, disk, written);
  if (!length) return kPrepareNoVolume;
  const std::string volume = AttachOwnLoop(path, kPartitionOffset, *length, stop);
  if (volume.empty()) return kPrepareNoVolume;
  disk.volumePath = volume;
  // Always formatted: a partition of the type just written holds at most
  // what a format cut off before its end left there.
  bool started = false;
  if (!FormatAndWait(volume, kHiddenSectors, bar, stop, started)) {
    DetachOwnLoop(volume);
    return started ? kPrepareFormatFailed : kPrepareFormatNotStarted;
  }
  const VolumeInformation info = QueryVolume(volume, stop);
  disk.fileSystemName = info.fileSystemName;
  if (info.kind == kFsKindNtfs) {
    // The partition was made as type 6; an NTFS volume is type 7, as the
    // system's own formatter leaves it. Only a format that ended well turns
    // it: a type-6 partition is one whose format never finished.
    SetPartitionType(written, 0, kPartitionTypeNtfs);
    if (device->Write(0, written.data(), written.size())) device->Flush();
  }
  const char letter = info.kind == kFsKindNtfs ? MountAtFreeLetter(volume, stop) : '\0';
  if (!letter) {
    DetachOwnLoop(volume);
    return kPrepareNoVolume;
  }
  disk.driveLetter = static_cast<char16_t>(letter);
  return info.result;
}

std::optional<int> DiskPreparation::LetterExistingNtfs(FoundDisk& disk, IBlockDevice& device, const Sector& sector,
                                                       std::stop_token stop) {
  const MbrView mbr = ParseMbr(sector);
  if (!mbr.valid) return std::nullopt;
  const std::uint64_t size = device.SizeBytes();
  for (const MbrEntry& entry : mbr.entries) {
    const std::uint64_t offset = std::uint64_t{entry.firstLba} * kSectorBytes;
    const std::uint64_t length = std::uint64_t{entry.sectorCount} * kSectorBytes;
    // Only a partition marked NTFS holds a finished volume; one still of the
    // type the partitioning wrote was cut off during its format.
    if (entry.type != kPartitionTypeNtfs || length == 0 || offset == 0 || offset > size || length > size - offset) {
      continue;
    }
    const std::string volume = AttachOwnLoop(disk.physicalDrivePath, offset, length, stop);
    if (volume.empty()) continue;
    const VolumeInformation info = QueryVolume(volume, stop);
    if (info.kind == kFsKindNtfs) {
      const char letter = MountAtFreeLetter(volume, stop);
      if (!letter) {
        DetachOwnLoop(volume);
        return kPrepareNoVolume;  // left as it is; no letter for it now
      }
      disk.driveLetter = static_cast<char16_t>(letter);
      disk.volumePath = volume;
      disk.fileSystemName = info.fileSystemName;
      return kPrepareReady;
    }
    DetachOwnLoop(volume);
  }
  return std::nullopt;
}

std::optional<std::uint64_t> DiskPreparation::WritePartitionTable(IBlockDevice& device, const FoundDisk& disk,
                                                                  Sector& written) {
  Sector current{};
  if (!device.Read(0, current.data(), current.size())) return std::nullopt;
  std::uint32_t signature = DiskSignatureOf(current);
  if (NeedsNewSignature(signature)) signature = NewDiskSignature(options_.random);
  DiskGeometry geometry = disk.geometry;
  if (geometry.cylinders <= 0) geometry = GeometryForSize(device.SizeBytes(), device.SectorSize());
  const std::optional<std::uint64_t> length = PartitionLength(geometry);
  if (!length) return std::nullopt;
  written = BuildIscsiMbr(signature, *length);
  if (!device.Write(0, written.data(), written.size()) || !device.Flush()) return std::nullopt;
  return length;
}

}  // namespace sp
