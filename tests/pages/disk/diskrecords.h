#pragma once
// Builders for disk records and disk query replies used by the tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pages/disk/core/diskinventory.h"

namespace sp::disktest {

inline DiskRecord MakeDisk(const std::string& maker, const std::string& model, const std::string& serial, char bay,
                           std::uint32_t capacityMb) {
  DiskRecord d;
  std::memcpy(d.bytes.data(), maker.data(), std::min<std::size_t>(maker.size(), 16));
  std::memcpy(d.bytes.data() + 16, model.data(), std::min<std::size_t>(model.size(), 16));
  std::memcpy(d.bytes.data() + 32, serial.data(), std::min<std::size_t>(serial.size(), 16));
  d.bytes[48] = static_cast<std::uint8_t>(bay);
  for (int i = 0; i < 4; ++i) d.bytes[52 + i] = static_cast<std::uint8_t>(capacityMb >> (8 * i));
  return d;
}

inline DiskRecord DiskOfGb(std::int32_t gb, char bay = '0', const std::string& serial = "S1") {
  return MakeDisk("Maker", "Model", serial, bay, static_cast<std::uint32_t>(gb) << 10);
}

// A reply area as the exchange delivers it: reply code 3, the two slots.
inline std::vector<std::uint8_t> ReplyWith(const DiskRecord* first, const DiskRecord* second) {
  std::vector<std::uint8_t> area(kReplyAreaSize, 0);
  area[0] = kReplyAccepted;
  if (first) std::memcpy(area.data() + kDiskSlotOffsets[0], first->bytes.data(), kDiskRecordSize);
  if (second) std::memcpy(area.data() + kDiskSlotOffsets[1], second->bytes.data(), kDiskRecordSize);
  return area;
}

inline DiskInventory InventoryOf(std::int32_t g1) {
  DiskRecord a = DiskOfGb(g1);
  auto area = ReplyWith(&a, nullptr);
  return ParseDiskInventory(area.data());
}

inline DiskInventory InventoryOf(std::int32_t g1, std::int32_t g2) {
  DiskRecord a = DiskOfGb(g1, '0', "S1");
  DiskRecord b = DiskOfGb(g2, '1', "S2");
  auto area = ReplyWith(&a, &b);
  return ParseDiskInventory(area.data());
}

}  // namespace sp::disktest
