#pragma once
// Which disks the appliance has installed, as its disk query reports them.
//
// The reply to the disk query carries two 64-byte record slots; the first 60
// bytes of each describe one disk. The inventory holds the disks found there
// and is what the disk profile page lists and what the profile computation
// takes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "devicelink/ideviceexchange.h"

namespace sp {

inline constexpr std::size_t kDiskRecordSize = 60;
// Reply-area offsets of the two record slots (reply datagram bytes 27 and 91).
inline constexpr std::size_t kDiskSlotOffsets[2] = {5, 69};
// The disk query is sent this many times; the last reply received counts.
inline constexpr int kDiskQueryRepeats = 5;

// String ids of the disk list's column titles.
inline constexpr int kIdsColumnSlot = 161;
inline constexpr int kIdsColumnManufacture = 131;
inline constexpr int kIdsColumnModel = 132;
inline constexpr int kIdsColumnSerialNo = 133;
inline constexpr int kIdsColumnCapacity = 134;

// One installed disk, the 60 bytes of its slot kept as they came:
//   0-15 manufacturer, 16-31 model, 32-47 serial number (NUL-padded narrow
//   text), 48 bay character ('0' left bay, anything else right bay),
//   52-55 capacity in MB (unsigned little-endian); other bytes are not read.
struct DiskRecord {
  std::array<std::uint8_t, kDiskRecordSize> bytes{};

  bool Present() const { return bytes[0] != 0; }
  // Text fields for display. A field that fills all 16 bytes ends with its
  // 16th byte; bytes that are not valid UTF-8 show as U+FFFD.
  std::string Manufacturer() const;
  std::string Model() const;
  std::string SerialNumber() const;
  bool LeftBay() const { return bytes[48] == '0'; }
  std::uint32_t CapacityMb() const;
  // The megabyte count shifted right by 10 bits: 1023 MB is 0 GB.
  std::int32_t CapacityGb() const { return static_cast<std::int32_t>(CapacityMb() >> 10); }

  bool operator==(const DiskRecord&) const = default;
};

struct DiskInventory {
  DiskRecord first;
  DiskRecord second;
  int diskCount = 0;  // 0, 1 or 2
};

// Builds the inventory from a reply area of kReplyAreaSize bytes. A slot whose
// first byte is NUL holds no disk; a second slot equal to the first over all
// 60 bytes is the same disk reported twice. When only the second slot holds a
// disk, that disk is moved into the first place, so that everything that
// reads "the first disk" (one-disk profile, summary line) sees its real
// capacity.
DiskInventory ParseDiskInventory(const std::uint8_t* replyArea);

// Sends the disk query kDiskQueryRepeats times to `targetMac`, one after the
// other and unconditionally; the reply area keeps the last reply received
// (all zero when none came) and is parsed as above.
DiskInventory QueryDisks(IDeviceExchange& exchange, const char* targetMac);

// The disk list's five texts for a disk: "L" or "R", manufacturer, model,
// serial number and the capacity as "%dGB".
std::array<std::string, 5> DiskListRow(const DiskRecord& disk);

// The disk's line on the summary step, as markup: manufacturer, serial
// number and capacity in GB (the model does not appear); the appliance's
// texts escaped so that they show as written.
std::string DiskSummaryLine(const DiskRecord& disk);

}  // namespace sp
