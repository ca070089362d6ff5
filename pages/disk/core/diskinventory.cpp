#include "pages/disk/core/diskinventory.h"

#include <cstring>

#include "base/text.h"
#include "uikit/core/htmlmarkup.h"

namespace sp {
namespace {

constexpr std::size_t kTextWidth = 16;

std::string SlotText(const DiskRecord& disk, std::size_t offset) {
  const std::string raw = FieldText(reinterpret_cast<const char*>(disk.bytes.data()) + offset, kTextWidth);
  // The appliance's texts are narrow; round-tripping through UTF-16 turns any
  // byte that is not valid UTF-8 into U+FFFD, so what is shown is valid text.
  return Utf16ToUtf8(Utf8ToUtf16(raw));
}

DiskRecord CopySlot(const std::uint8_t* replyArea, std::size_t offset) {
  DiskRecord record;
  std::memcpy(record.bytes.data(), replyArea + offset, kDiskRecordSize);
  return record;
}

}  // namespace

std::string DiskRecord::Manufacturer() const { return SlotText(*this, 0); }
std::string DiskRecord::Model() const { return SlotText(*this, 16); }
std::string DiskRecord::SerialNumber() const { return SlotText(*this, 32); }

std::uint32_t DiskRecord::CapacityMb() const {
  return static_cast<std::uint32_t>(bytes[52]) | static_cast<std::uint32_t>(bytes[53]) << 8 |
         static_cast<std::uint32_t>(bytes[54]) << 16 | static_cast<std::uint32_t>(bytes[55]) << 24;
}

DiskInventory ParseDiskInventory(const std::uint8_t* replyArea) {
  const DiskRecord first = CopySlot(replyArea, kDiskSlotOffsets[0]);
  const DiskRecord second = CopySlot(replyArea, kDiskSlotOffsets[1]);
  DiskInventory inventory;
  DiskRecord* next = &inventory.first;
  if (first.Present()) {
    *next = first;
    next = &inventory.second;
    ++inventory.diskCount;
  }
  if (second.Present() && !(second == first)) {
    *next = second;
    ++inventory.diskCount;
  }
  return inventory;
}

DiskInventory QueryDisks(IDeviceExchange& exchange, const char* targetMac) {
  std::uint8_t replyArea[kReplyAreaSize] = {};
  for (int i = 0; i < kDiskQueryRepeats; ++i) {
    // A call without a reply leaves the area as it was, so it ends up holding
    // the last reply that came (or zeros).
    exchange.SendDeviceCommand(targetMac, kCmdQueryDisks, nullptr, 0, replyArea);
  }
  return ParseDiskInventory(replyArea);
}

std::array<std::string, 5> DiskListRow(const DiskRecord& disk) {
  return {disk.LeftBay() ? "L" : "R", disk.Manufacturer(), disk.Model(), disk.SerialNumber(),
          Format("%dGB", disk.CapacityGb())};
}

std::string DiskSummaryLine(const DiskRecord& disk) {
  // The appliance's texts are shown, never read as markup.
  return Format("<font face=Arial size=4 color=white><b>%s, %s, %d GB</b></font>",
                EscapeMarkupText(disk.Manufacturer()).c_str(), EscapeMarkupText(disk.SerialNumber()).c_str(),
                disk.CapacityGb());
}

}  // namespace sp
