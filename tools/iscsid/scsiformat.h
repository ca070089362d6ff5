#pragma once
// SCSI command blocks the service sends and the target replies it reads.
// Everything here is pure byte work, so it is tested without a target; the
// reply parsers take the target's bytes as they come and never trust their
// lengths.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sp::iscsid {

using Bytes = std::vector<std::uint8_t>;

enum class ScsiDirection { kNone, kIn, kOut };

// One command for a LUN: the CDB, which way data goes and how much.
struct ScsiCommand {
  std::uint32_t lun = 0;
  Bytes cdb;
  ScsiDirection direction = ScsiDirection::kNone;
  std::uint32_t inLength = 0;         // bytes expected from the target
  const std::uint8_t* out = nullptr;  // data to the target (kOut); must outlive the call
  std::size_t outLength = 0;
};

// Outcome of one command. `error` is 0 when the target answered (then
// `status` is the SCSI status), else an errno value: EIO for a lost
// connection or cancelled command, ETIMEDOUT when no answer came in time,
// ENOTCONN while the session is not logged in.
struct ScsiResult {
  int error = 0;
  std::uint8_t status = 0;
  Bytes data;   // data-in actually received
  Bytes sense;  // raw sense data after CHECK CONDITION
  bool Good() const { return error == 0 && status == 0; }
};

inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;

// Command blocks.
Bytes CdbInquiry(bool evpd, std::uint8_t page, std::uint16_t allocation);
Bytes CdbReadCapacity10();
Bytes CdbReadCapacity16(std::uint32_t allocation = 32);
Bytes CdbReportLuns(std::uint32_t allocation);
Bytes CdbTestUnitReady();
// READ/WRITE of `blocks` blocks at `lba`: the 10-byte form when it can carry
// the address and count, else the 16-byte form.
Bytes CdbRead(std::uint64_t lba, std::uint32_t blocks);
Bytes CdbWrite(std::uint64_t lba, std::uint32_t blocks);
Bytes CdbSynchronizeCache(std::uint64_t lba, std::uint32_t blocks);

// Largest block count of one READ/WRITE the service sends; bigger transfers
// are split. 10-byte commands carry at most 65535 blocks.
inline constexpr std::uint32_t kMaxBlocksPerCommand = 65535;

struct Capacity {
  std::uint64_t blocks = 0;     // number of logical blocks (last LBA + 1)
  std::uint32_t blockSize = 0;  // bytes per block
};

// READ CAPACITY(10): nullopt when shorter than 8 bytes or the block size is
// 0. A last LBA of 0xFFFFFFFF means "ask with the 16-byte form": reported
// through `needs16`.
std::optional<Capacity> ParseReadCapacity10(const Bytes& data, bool* needs16 = nullptr);
std::optional<Capacity> ParseReadCapacity16(const Bytes& data);

// REPORT LUNS: the 8-byte LUN fields, as many as the list length and the
// received bytes both allow.
std::vector<std::uint64_t> ParseReportLuns(const Bytes& data);

// The LUN number libiscsi addresses for an 8-byte LUN field (peripheral or
// flat addressing); nullopt for forms the service does not address.
std::optional<std::uint32_t> LunNumberFromField(std::uint64_t field);
// The 8-byte LUN field for a LUN number (peripheral below 256, else flat).
std::uint64_t LunFieldFromNumber(std::uint32_t lun);

// Standard INQUIRY data.
struct InquiryInfo {
  std::uint8_t qualifier = 0;   // peripheral qualifier (0 = connected)
  std::uint8_t deviceType = 0;  // peripheral device type (0 = direct access)
  std::string vendor;           // 8 bytes, as sent (blank padded)
  std::string product;          // 16 bytes
  std::string revision;         // 4 bytes
};
// nullopt when shorter than the 36 bytes that carry the identification.
std::optional<InquiryInfo> ParseInquiry(const Bytes& data);

// Sense key and additional sense code of fixed or descriptor sense data.
struct SenseInfo {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
};
std::optional<SenseInfo> ParseSense(const Bytes& sense);

}  // namespace sp::iscsid
