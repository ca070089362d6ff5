#include "hoststorage/diskprep/diskmbr.h"

#include <ctime>
#include <memory>
#include <random>

namespace sp {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The partition must end within the 32-bit sector addresses of an MBR.
constexpr std::uint64_t kMaxSectorCount = 0xFFFFFFFFu - kHiddenSectors;

}  // namespace

DiskGeometry GeometryForSize(std::uint64_t diskSize, std::uint32_t bytesPerSector) {
  DiskGeometry g;
  g.tracksPerCylinder = kGeometryHeads;
  g.sectorsPerTrack = kGeometrySectorsPerTrack;
  g.bytesPerSector = bytesPerSector;
  g.diskSize = diskSize;
  const std::uint64_t cylinderBytes = std::uint64_t{kGeometryHeads} * kGeometrySectorsPerTrack * bytesPerSector;
  g.cylinders = cylinderBytes ? static_cast<std::int64_t>(diskSize / cylinderBytes) : 0;
  return g;
}

MbrView ParseMbr(const Sector& s) {
  MbrView mbr;
  mbr.valid = s[510] == 0x55 && s[511] == 0xAA;
  mbr.signature = Le32(&s[kSignatureOffset]);
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t* e = &s[kPartitionTableOffset + 16 * i];
    MbrEntry& entry = mbr.entries[i];
    entry.bootIndicator = e[0];
    entry.chsFirst = {e[1], e[2], e[3]};
    entry.type = e[4];
    entry.chsLast = {e[5], e[6], e[7]};
    entry.firstLba = Le32(e + 8);
    entry.sectorCount = Le32(e + 12);
  }
  return mbr;
}

std::uint32_t NewDiskSignature(const std::function<unsigned()>& draw) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    draw();  // r1: drawn, not used
    const std::uint32_t r2 = draw() & 0xFF;
    const std::uint32_t r3 = draw() & 0xFF;
    const std::uint32_t r4 = draw() & 0xFF;
    const std::uint32_t signature = r2 << 24 | r3 << 16 | r4 << 8;
    if (signature != 0) return signature;
  }
  return 0x100;  // a generator stuck at zero still gives the disk a signature
}

std::function<unsigned()> TimeSeededRandom() {
  auto generator = std::make_shared<std::minstd_rand>(static_cast<unsigned>(std::time(nullptr)));
  return [generator] { return static_cast<unsigned>((*generator)()); };
}

std::array<std::uint8_t, 3> ChsBytes(std::uint64_t lba, std::uint32_t heads, std::uint32_t sectorsPerTrack) {
  const std::uint64_t perCylinder = std::uint64_t{heads} * sectorsPerTrack;
  const std::uint64_t cylinder = lba / perCylinder;
  if (cylinder > 1023) return {0xFE, 0xFF, 0xFF};
  const auto head = static_cast<std::uint8_t>((lba / sectorsPerTrack) % heads);
  const auto sector = static_cast<std::uint8_t>(lba % sectorsPerTrack + 1);
  return {head, static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0)),
          static_cast<std::uint8_t>(cylinder & 0xFF)};
}

std::optional<std::uint64_t> PartitionLength(const DiskGeometry& g) {
  if (g.bytesPerSector != kSectorBytes || g.cylinders <= 0) return std::nullopt;
  const std::uint64_t cylinderBytes = std::uint64_t{g.tracksPerCylinder} * g.sectorsPerTrack * g.bytesPerSector;
  const auto cylinders = static_cast<std::uint64_t>(g.cylinders);
  const std::uint64_t limit = kMaxSectorCount * kSectorBytes;
  // Beyond what an MBR can address the exact size no longer matters.
  if (cylinderBytes == 0) return std::nullopt;
  if (cylinders > (limit + kPartitionOffset) / cylinderBytes) return limit;
  const std::uint64_t whole = cylinders * cylinderBytes;
  if (whole <= kPartitionOffset) return std::nullopt;
  return std::min(whole - kPartitionOffset, limit);
}

Sector BuildIscsiMbr(std::uint32_t signature, std::uint64_t partitionLength) {
  Sector s{};
  PutLe32(&s[kSignatureOffset], signature);
  std::uint8_t* e = &s[kPartitionTableOffset];
  const std::uint64_t count = std::min(partitionLength / kSectorBytes, kMaxSectorCount);
  const auto first = ChsBytes(kHiddenSectors);
  const auto last = ChsBytes(kHiddenSectors + count - (count ? 1 : 0));
  e[0] = 0x00;  // not bootable
  e[1] = first[0];
  e[2] = first[1];
  e[3] = first[2];
  e[4] = kPartitionTypeFat16;
  e[5] = last[0];
  e[6] = last[1];
  e[7] = last[2];
  PutLe32(e + 8, kHiddenSectors);
  PutLe32(e + 12, static_cast<std::uint32_t>(count));
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

void SetPartitionType(Sector& sector, int index, std::uint8_t type) {
  if (index < 0 || index > 3) return;
  sector[kPartitionTableOffset + 16 * index + 4] = type;
}

}  // namespace sp
