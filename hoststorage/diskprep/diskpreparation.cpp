// Finding the iSCSI disk, preparing a volume that already has a letter, and
// moving letters. Partitioning and formatting a new disk: diskpartitioning.cpp.
#include "hoststorage/diskprep/diskpreparation.h"

#include <cctype>
#include <filesystem>

#include "hoststorage/diskprep/diskidentity.h"

namespace sp {
namespace {

constexpr int kFirstPhysicalDrive = 1;  // drive 0, the system disk, is never examined
constexpr int kLastPhysicalDrive = 10;

char UpperLetter(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char>(c - u'a' + 'A');
  if (c >= u'A' && c <= u'Z') return static_cast<char>(c);
  return '\0';
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool IsOneOf(const std::string& path, const std::vector<std::string>& paths) {
  for (const std::string& p : paths) {
    if (SamePath(path, p)) return true;
  }
  return false;
}

std::string Capitals(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

DiskPreparation::DiskPreparation(IBlockDevices& disks, IDriveLetters& letters, IVolumeControl& volumes,
                                 INtfsFormatter& formatter)
    : DiskPreparation(disks, letters, volumes, formatter, Options{}) {}

DiskPreparation::DiskPreparation(IBlockDevices& disks, IDriveLetters& letters, IVolumeControl& volumes,
                                 INtfsFormatter& formatter, Options options)
    : disks_(disks),
      letters_(letters),
      volumes_(volumes),
      options_(std::move(options)),
      formatter_(formatter, options_.formatTiming) {
  if (!options_.random) options_.random = TimeSeededRandom();
}

int DiskPreparation::VendorCheck(IBlockDevice& device, std::string& modelText) {
  std::vector<std::uint8_t> inquiry;
  if (!device.Inquiry(inquiry)) return -1;
  modelText = FormatModelText(inquiry);
  return IsIscsiVendor(inquiry) ? 0 : -1;
}

bool DiskPreparation::IsSystemDisk(const std::string& path) {
  const std::vector<std::string> drives = disks_.PhysicalDrives();
  return !drives.empty() && SamePath(drives[0], path);
}

bool DiskPreparation::LetteredOnlyByUs(const std::string& diskPath) {
  std::size_t lettered = 0;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const std::string device = letters_.DeviceAtLetter(letter);
    if (device.empty() || device[0] != '/' || !SamePath(volumes_.DiskBehind(device), diskPath)) continue;
    // The disk itself, or a partition the system made, at a letter: not a
    // mount of ours.
    const std::optional<LoopSetup> loop = volumes_.LoopBehind(device);
    if (!loop || !SamePath(loop->backingFile, diskPath)) return false;
    ++lettered;
  }
  return volumes_.MountPointsOnDisk(diskPath).size() == lettered;
}

int DiskPreparation::FindIscsiDisk(FoundDisk& disk, const std::vector<std::string>& sessionDisks) {
  disk.sessionDisks = sessionDisks;
  if (sessionDisks.empty()) return -1;
  const auto ofSession = [&](const std::string& path) { return IsOneOf(path, sessionDisks); };
  int result = -1;
  const std::vector<std::string> drives = disks_.PhysicalDrives();
  const std::string systemDisk = drives.empty() ? std::string() : drives[0];
  // Volumes that have letters: only those on the session's disks, and only
  // when every mount of that disk is a letter of ours.
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const std::string device = letters_.DeviceAtLetter(letter);
    if (device.empty() || device[0] != '/') continue;  // network and pseudo file systems
    const std::string path = volumes_.DiskBehind(device);
    if (SamePath(path, systemDisk) || !ofSession(path) || !LetteredOnlyByUs(path)) continue;
    auto handle = disks_.Open(path);
    if (!handle) continue;
    result = VendorCheck(*handle, disk.modelText);
    if (result == 0) {
      disk.driveLetter = static_cast<char16_t>(letter);
      break;
    }
  }
  for (int n = kFirstPhysicalDrive; n <= kLastPhysicalDrive && n < static_cast<int>(drives.size()); ++n) {
    if (drives[n].empty() || !ofSession(drives[n])) continue;
    auto handle = disks_.Open(drives[n]);
    if (!handle) continue;
    result = VendorCheck(*handle, disk.modelText);
    if (result == 0) {
      disk.physicalDrivePath = drives[n];
      const std::uint64_t size = handle->SizeBytes();
      disk.geometry = GeometryForSize(size, handle->SectorSize());
      result = size > 0 ? 0 : -1;
      break;
    }
  }
  return result;
}

VolumeInformation DiskPreparation::QueryVolume(const std::string& device) { return QueryVolume(device, {}); }

VolumeInformation DiskPreparation::QueryVolume(const std::string& device, std::stop_token stop) {
  VolumeInformation info;
  if (device.empty()) return info;
  const auto probe = volumes_.ProbeFileSystem(device, stop);
  if (!probe) return info;
  info.result = 0;
  if (probe->type == "ntfs") {
    info.fileSystemName = "NTFS";
    info.kind = kFsKindNtfs;
  } else if (probe->type == "vfat" || probe->type == "msdos") {
    const bool fat32 = probe->version == "FAT32";
    info.fileSystemName = fat32 ? "FAT32" : "FAT";
    info.kind = fat32 ? kFsKindFat32 : kFsKindFat;
  } else if (probe->type == "exfat") {
    info.fileSystemName = "exFAT";
  } else {
    info.fileSystemName = Capitals(probe->type);
  }
  return info;
}

int DiskPreparation::PrepareIscsiDisk(FoundDisk& disk, const std::function<void(int)>& barProgress,
                                      std::stop_token stop) {
  const char letter = UpperLetter(disk.driveLetter);
  // A volume with a letter from D on is the disk's volume already; C is the
  // system's and is never taken for it.
  if (letter >= 'D' && letter <= 'Z') return PrepareLetteredVolume(disk, letter, barProgress, stop);
  return PartitionAndFormat(disk, barProgress, stop);
}

int DiskPreparation::PrepareLetteredVolume(FoundDisk& disk, char letter, const std::function<void(int)>& bar,
                                           std::stop_token stop) {
  const std::string device = letters_.DeviceAtLetter(letter);
  // The letter went away since the search: search again.
  if (device.empty()) return kPrepareNoVolume;
  const VolumeInformation info = QueryVolume(device, stop);
  disk.volumePath = device;
  disk.fileSystemName = info.fileSystemName;
  if (info.kind == kFsKindNtfs) return info.result;  // already NTFS: left alone
  return ReformatLetter(disk, letter, device, bar, stop);
}

int DiskPreparation::ReformatLetter(FoundDisk& disk, char letter, const std::string& device,
                                    const std::function<void(int)>& bar, std::stop_token stop) {
  // Only the appliance's disk is ever formatted, checked again right now.
  if (!OpenForWriting(volumes_.DiskBehind(device), disk)) return kPrepareFormatNotStarted;
  const std::optional<LoopSetup> loop = volumes_.LoopBehind(device);
  // A mounted volume cannot be formatted: it leaves its letter first.
  if (!UnmountOwn(letter, stop)) return kPrepareFormatNotStarted;
  std::string target = device;
  bool reattached = false;
  if (loop) {
    // A loop device set up to clear itself went away with the unmount.
    const std::optional<LoopSetup> now = volumes_.LoopBehind(device);
    if (!now || now->backingFile != loop->backingFile || now->offset != loop->offset) {
      target = AttachOwnLoop(loop->backingFile, loop->offset, loop->sizeLimit, stop);
      if (target.empty()) return kPrepareFormatNotStarted;
      reattached = true;
    }
  }
  const std::uint32_t hidden = loop && loop->offset % kSectorBytes == 0
                                   ? static_cast<std::uint32_t>(loop->offset / kSectorBytes)
                                   : kHiddenSectors;
  bool started = false;
  const bool formatted = FormatAndWait(target, hidden, bar, stop, started);
  if (formatted && MountOwn(target, letter, stop)) {
    disk.volumePath = target;
    disk.fileSystemName = QueryVolume(target, stop).fileSystemName;
    return kPrepareReady;
  }
  if (reattached) DetachOwnLoop(target);
  return started ? kPrepareFormatFailed : kPrepareFormatNotStarted;
}

bool DiskPreparation::FormatAndWait(const std::string& device, std::uint32_t hiddenSectors,
                                    const std::function<void(int)>& bar, std::stop_token stop, bool& started) {
  NtfsFormatOptions options;  // quick, 8192-byte clusters, no label
  options.hiddenSectors = hiddenSectors;
  options.heads = kGeometryHeads;
  options.sectorsPerTrack = kGeometrySectorsPerTrack;
  started = formatter_.Start(device, options);
  return started && formatter_.Wait(bar, stop);
}

char DiskPreparation::MountAtFreeLetter(const std::string& device, std::stop_token stop) {
  const std::uint32_t inUse = letters_.LogicalDrives();
  char first = static_cast<char>(std::toupper(static_cast<unsigned char>(options_.firstTemporaryLetter)));
  if (first < 'C' || first > 'Z') first = 'D';
  for (char letter = first; letter <= 'Z' && !stop.stop_requested(); ++letter) {
    // A letter whose folder cannot take the mount is passed over.
    if (!(inUse & DriveLetterBit(letter)) && MountOwn(device, letter, stop)) return letter;
  }
  return '\0';
}

bool DiskPreparation::MoveDriveLetter(const std::string& mountPoint, const std::string& deviceName, LetterMove mode,
                                      std::stop_token stop) {
  if (mountPoint.size() < 2 || mountPoint[1] != ':') return false;
  if (mountPoint.size() > 2 && !(mountPoint.size() == 3 && mountPoint[2] == '\\')) return false;
  const char letter = UpperLetter(static_cast<unsigned char>(mountPoint[0]));
  if (!letter) return false;
  if (mode == LetterMove::Remove) return UnmountOwn(letter, stop);
  if (deviceName.empty()) return false;
  return MountOwn(deviceName, letter, stop);
}

std::string DiskPreparation::DeviceBehindLetter(char16_t letter) {
  const char upper = UpperLetter(letter);
  return upper ? letters_.DeviceAtLetter(upper) : std::string();
}

std::string DiskPreparation::AttachOwnLoop(const std::string& file, std::uint64_t offset, std::uint64_t size,
                                           std::stop_token stop) {
  std::string device = volumes_.AttachLoop(file, offset, size, stop);
  if (!device.empty()) ownLoops_.push_back(device);
  return device;
}

void DiskPreparation::DetachOwnLoop(const std::string& device) {
  if (volumes_.DetachLoop(device)) std::erase(ownLoops_, device);
}

bool DiskPreparation::MountOwn(const std::string& device, char letter, std::stop_token stop) {
  if (!volumes_.MountNtfs(device, letter, stop)) return false;
  ownLetters_.push_back(letter);
  return true;
}

bool DiskPreparation::UnmountOwn(char letter, std::stop_token stop) {
  if (!volumes_.Unmount(letter, stop)) return false;
  std::erase(ownLetters_, letter);
  return true;
}

void DiskPreparation::KeepOwnVolumes() {
  ownLetters_.clear();
  ownLoops_.clear();
}

void DiskPreparation::ReleaseOwnVolumes() {
  // Without a stop token: this is what runs after a stop.
  for (auto it = ownLetters_.rbegin(); it != ownLetters_.rend(); ++it) volumes_.Unmount(*it);
  for (auto it = ownLoops_.rbegin(); it != ownLoops_.rend(); ++it) volumes_.DetachLoop(*it);
  KeepOwnVolumes();
}

}  // namespace sp
