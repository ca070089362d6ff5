#include "hoststorage/diskprep/diskmbr.h"

#include <gtest/gtest.h>

#include <vector>

namespace sp {
namespace {

std::uint32_t Le32(const Sector& s, std::size_t at) {
  return s[at] | s[at + 1] << 8 | s[at + 2] << 16 | static_cast<std::uint32_t>(s[at + 3]) << 24;
}

TEST(DiskGeometry, WholeCylindersAndThePartitionLength) {
  // 64 MiB: 8 whole cylinders of 255 x 63 x 512 = 8225280 bytes.
  const DiskGeometry g = GeometryForSize(64ull << 20, 512);
  EXPECT_EQ(g.cylinders, 8);
  EXPECT_EQ(g.tracksPerCylinder, 255u);
  EXPECT_EQ(g.sectorsPerTrack, 63u);
  EXPECT_EQ(PartitionLength(g), std::optional<std::uint64_t>(8ull * 8225280 - 32256));

  // Smaller than one cylinder: no partition (the subtraction would go
  // negative).
  EXPECT_EQ(PartitionLength(GeometryForSize(8225279, 512)), std::nullopt);
  // Exactly one cylinder still leaves room.
  EXPECT_EQ(PartitionLength(GeometryForSize(8225280, 512)), std::optional<std::uint64_t>(8225280 - 32256));
  // The layout is in 512-byte sectors; other sector sizes get none.
  EXPECT_EQ(PartitionLength(GeometryForSize(1ull << 30, 4096)), std::nullopt);
  // A 3 TB disk: the partition stops where MBR sector addresses end.
  EXPECT_EQ(PartitionLength(GeometryForSize(3000000000000ull, 512)),
            std::optional<std::uint64_t>((0xFFFFFFFFull - 63) * 512));
}

TEST(Mbr, NewLayoutBytesExactly) {
  const std::uint64_t length = 8ull * 8225280 - 32256;  // 128457 sectors
  const Sector s = BuildIscsiMbr(0xA1B2C300, length);
  // Boot code area empty.
  for (std::size_t i = 0; i < 440; ++i) ASSERT_EQ(s[i], 0) << i;
  EXPECT_EQ(Le32(s, 440), 0xA1B2C300u);
  EXPECT_EQ(s[444], 0);
  EXPECT_EQ(s[445], 0);
  // Entry 1: not bootable, CHS 0/1/1, type 6, last CHS 7/254/63, LBA 63,
  // 128457 sectors.
  const std::vector<std::uint8_t> entry(s.begin() + 446, s.begin() + 462);
  EXPECT_EQ(entry, (std::vector<std::uint8_t>{0x00, 0x01, 0x01, 0x00, 0x06, 0xFE, 0x3F, 0x07, 63, 0, 0, 0, 0xC9, 0xF5,
                                              0x01, 0x00}));
  EXPECT_EQ(Le32(s, 458), 128457u);
  // Entries 2 to 4 empty; the boot signature.
  for (std::size_t i = 462; i < 510; ++i) ASSERT_EQ(s[i], 0) << i;
  EXPECT_EQ(s[510], 0x55);
  EXPECT_EQ(s[511], 0xAA);

  const MbrView view = ParseMbr(s);
  EXPECT_TRUE(view.valid);
  EXPECT_EQ(view.entries[0].type, 6);
  EXPECT_EQ(view.entries[0].firstLba, 63u);
  EXPECT_EQ(view.entries[0].sectorCount, 128457u);
  EXPECT_EQ(view.entries[1].type, 0);
}

TEST(Mbr, ChsBeyondCylinder1023AndTypeChange) {
  EXPECT_EQ(ChsBytes(63), (std::array<std::uint8_t, 3>{1, 1, 0}));
  EXPECT_EQ(ChsBytes(0), (std::array<std::uint8_t, 3>{0, 1, 0}));
  // Cylinder 300 = 0x12C: bits 8-9 go into the sector byte's top bits.
  EXPECT_EQ(ChsBytes(300ull * 16065), (std::array<std::uint8_t, 3>{0, 0x41, 0x2C}));
  EXPECT_EQ(ChsBytes(1024ull * 16065), (std::array<std::uint8_t, 3>{0xFE, 0xFF, 0xFF}));
  Sector s = BuildIscsiMbr(0x100, 1ull << 40);
  EXPECT_EQ(s[451], 0xFE);
  EXPECT_EQ(s[452], 0xFF);
  EXPECT_EQ(s[453], 0xFF);
  SetPartitionType(s, 0, kPartitionTypeNtfs);
  EXPECT_EQ(s[450], 7);
  SetPartitionType(s, 4, 9);  // out of range: nothing written
  EXPECT_EQ(ParseMbr(s).entries[3].type, 0);
}

TEST(DiskSignature, OnlyZeroAndOneAreReplaced) {
  Sector blank{};
  EXPECT_EQ(DiskSignatureOf(blank), 0u);  // no MBR at all reads as no signature
  Sector withBytesButNoMbr{};
  withBytesButNoMbr[440] = 0x78;
  EXPECT_EQ(DiskSignatureOf(withBytesButNoMbr), 0u);
  const Sector one = BuildIscsiMbr(1, 1 << 20);
  EXPECT_EQ(DiskSignatureOf(one), 1u);
  EXPECT_TRUE(NeedsNewSignature(0));
  EXPECT_TRUE(NeedsNewSignature(1));
  EXPECT_FALSE(NeedsNewSignature(2));
  EXPECT_FALSE(NeedsNewSignature(0x12345678));
}

TEST(DiskSignature, FourDrawsLowBytesFirstUnused) {
  std::vector<unsigned> draws = {0x1FF, 0x1234, 0xAB, 0x7FCD};
  std::size_t i = 0;
  const std::uint32_t sig = NewDiskSignature([&] { return draws[i++ % draws.size()]; });
  EXPECT_EQ(i, 4u);
  EXPECT_EQ(sig, 0x34ABCD00u);

  // All-zero draws would mean "no signature": drawn again.
  std::vector<unsigned> zerosThen = {5, 0, 0, 0, 9, 0, 0x80, 0};
  i = 0;
  EXPECT_EQ(NewDiskSignature([&] { return zerosThen[i++]; }), 0x00800000u);
  // A generator stuck at zero still yields a usable signature.
  EXPECT_EQ(NewDiskSignature([] { return 0u; }), 0x100u);

  // The time-seeded generator gives signatures with a zero low byte.
  auto random = TimeSeededRandom();
  for (int n = 0; n < 20; ++n) {
    const std::uint32_t s = NewDiskSignature(random);
    EXPECT_EQ(s & 0xFF, 0u);
    EXPECT_FALSE(NeedsNewSignature(s));
  }
}

}  // namespace
}  // namespace sp
