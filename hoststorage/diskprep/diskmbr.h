#pragma once
// The master boot record the wizard gives a new iSCSI disk: one primary
// partition from byte 0x7E00 (sector 63) to the last whole cylinder of a
// 255-head, 63-sector geometry, three empty entries, a disk signature.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace sp {

inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::uint64_t kPartitionOffset = 0x7E00;  // 32256 bytes, 63 sectors
inline constexpr std::uint32_t kHiddenSectors = 63;
inline constexpr std::uint32_t kGeometryHeads = 255;
inline constexpr std::uint32_t kGeometrySectorsPerTrack = 63;
inline constexpr std::uint8_t kPartitionTypeFat16 = 0x06;  // what the new partition is created as
inline constexpr std::uint8_t kPartitionTypeNtfs = 0x07;   // what it becomes once formatted NTFS
inline constexpr std::size_t kSignatureOffset = 440;
inline constexpr std::size_t kPartitionTableOffset = 446;

using Sector = std::array<std::uint8_t, kSectorBytes>;

// The disk's geometry as a disk driver reports it: cylinders of 255 tracks
// of 63 sectors; a partial cylinder at the end is not counted.
struct DiskGeometry {
  std::int64_t cylinders = 0;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint64_t diskSize = 0;
};

DiskGeometry GeometryForSize(std::uint64_t diskSize, std::uint32_t bytesPerSector);

struct MbrEntry {
  std::uint8_t bootIndicator = 0;
  std::array<std::uint8_t, 3> chsFirst{};
  std::uint8_t type = 0;
  std::array<std::uint8_t, 3> chsLast{};
  std::uint32_t firstLba = 0;
  std::uint32_t sectorCount = 0;
};

struct MbrView {
  bool valid = false;  // ends with 55 AA
  std::uint32_t signature = 0;
  std::array<MbrEntry, 4> entries{};
};

MbrView ParseMbr(const Sector& sector);

// The disk's signature as the disk layout reports it: 0 without a valid MBR.
inline std::uint32_t DiskSignatureOf(const Sector& sector) {
  const MbrView mbr = ParseMbr(sector);
  return mbr.valid ? mbr.signature : 0;
}

// Whether a disk with this signature gets a new one (0 means none, 1 is a
// placeholder).
inline bool NeedsNewSignature(std::uint32_t signature) { return signature == 0 || signature == 1; }

// A new signature from four draws r1..r4 of `draw` (low bytes kept):
// r2 << 24 | r3 << 16 | r4 << 8, low byte 0; r1 is drawn and not used. A
// result of 0 would mean "no signature", so four new values are drawn then.
std::uint32_t NewDiskSignature(const std::function<unsigned()>& draw);

// A draw function over the standard generator seeded with the current time.
std::function<unsigned()> TimeSeededRandom();

// CHS bytes (head, sector | cylinder bits 8-9 << 6, cylinder bits 0-7) of a
// sector address; addresses beyond cylinder 1023 read 1023/254/63.
std::array<std::uint8_t, 3> ChsBytes(std::uint64_t lba, std::uint32_t heads = kGeometryHeads,
                                     std::uint32_t sectorsPerTrack = kGeometrySectorsPerTrack);

// Length in bytes of the one partition: whole cylinders minus the 0x7E00
// bytes before the partition, limited so that the partition ends within the
// 32-bit sector addresses of an MBR (2 TiB). Nothing when the disk is smaller than one cylinder or
// does not have 512-byte sectors.
std::optional<std::uint64_t> PartitionLength(const DiskGeometry& geometry);

// The new MBR: boot code area zero (a data disk; no stale boot sector left to
// confuse a probe), the signature, entry 1 (not bootable, type 6, LBA 63,
// `partitionLength` / 512 sectors, CHS of first and last sector), entries 2
// to 4 zero, 55 AA.
Sector BuildIscsiMbr(std::uint32_t signature, std::uint64_t partitionLength);

// Sets the type byte of entry `index` (0..3).
void SetPartitionType(Sector& sector, int index, std::uint8_t type);

}  // namespace sp
