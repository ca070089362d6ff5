// Preparing a disk without a lettered volume: give an existing NTFS volume a
// letter, or write a new partition table, make the partition a volume,
// format it and letter it.
#include "hoststorage/diskprep/diskpreparation.h"

namespace sp {

std::unique_ptr<IBlockDevice> DiskPreparation::OpenForWriting(const std::string& path) {
  if (path.empty() || IsSystemDisk(path)) return nullptr;
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
  auto device = OpenForWriting(path);
  if (!device) return kPrepareNoVolume;
  Sector mbr{};
  if (!device->Read(0, mbr.data(), mbr.size())) return kPrepareNoVolume;
  if (auto lettered = LetterExistingNtfs(disk, *device, mbr)) return *lettered;

  Sector written{};
  const std::optional<std::uint64_t> length = WritePartitionTable(*device, disk, written);
  if (!length) return kPrepareNoVolume;
  const std::string volume = volumes_.AttachLoop(path, kPartitionOffset, *length);
  if (volume.empty()) return kPrepareNoVolume;
  disk.volumePath = volume;
  VolumeInformation info = QueryVolume(volume);
  disk.fileSystemName = info.fileSystemName;
  if (info.kind != kFsKindNtfs) {
    bool started = false;
    if (!FormatAndWait(volume, kHiddenSectors, bar, stop, started)) {
      volumes_.DetachLoop(volume);
      return started ? kPrepareFormatFailed : kPrepareFormatNotStarted;
    }
    info = QueryVolume(volume);
    disk.fileSystemName = info.fileSystemName;
    if (info.kind == kFsKindNtfs) {
      // The partition was made as type 6; an NTFS volume is type 7, as the
      // system's own formatter leaves it.
      SetPartitionType(written, 0, kPartitionTypeNtfs);
      if (device->Write(0, written.data(), written.size())) device->Flush();
    }
  }
  const char letter = info.kind == kFsKindNtfs ? MountAtFreeLetter(volume) : '\0';
  if (!letter) {
    volumes_.DetachLoop(volume);
    return kPrepareNoVolume;
  }
  disk.driveLetter = static_cast<char16_t>(letter);
  return info.result;
}

std::optional<int> DiskPreparation::LetterExistingNtfs(FoundDisk& disk, IBlockDevice& device, const Sector& sector) {
  const MbrView mbr = ParseMbr(sector);
  if (!mbr.valid) return std::nullopt;
  const std::uint64_t size = device.SizeBytes();
  for (const MbrEntry& entry : mbr.entries) {
    const std::uint64_t offset = std::uint64_t{entry.firstLba} * kSectorBytes;
    const std::uint64_t length = std::uint64_t{entry.sectorCount} * kSectorBytes;
    if (entry.type == 0 || length == 0 || offset == 0 || offset > size || length > size - offset) continue;
    const std::string volume = volumes_.AttachLoop(disk.physicalDrivePath, offset, length);
    if (volume.empty()) continue;
    const VolumeInformation info = QueryVolume(volume);
    if (info.kind == kFsKindNtfs) {
      const char letter = MountAtFreeLetter(volume);
      if (!letter) {
        volumes_.DetachLoop(volume);
        return kPrepareNoVolume;  // left as it is; no letter for it now
      }
      disk.driveLetter = static_cast<char16_t>(letter);
      disk.volumePath = volume;
      disk.fileSystemName = info.fileSystemName;
      return kPrepareReady;
    }
    volumes_.DetachLoop(volume);
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
