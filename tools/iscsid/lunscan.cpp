#include "tools/iscsid/lunscan.h"

namespace sp::iscsid {
namespace {

constexpr std::uint32_t kMinBlockSize = 512;
constexpr std::uint32_t kMaxBlockSize = 1u << 20;
constexpr std::uint32_t kMaxReportLunsLength = 1u << 16;

ScsiCommand InCommand(std::uint32_t lun, Bytes cdb, std::uint32_t length) {
  ScsiCommand command;
  command.lun = lun;
  command.cdb = std::move(cdb);
  command.direction = ScsiDirection::kIn;
  command.inLength = length;
  return command;
}

// The LUN fields, or just LUN 0 when the target cannot report them.
bool ReportLuns(IScsiExecutor& executor, std::vector<std::uint64_t>& fields) {
  std::uint32_t length = 8 + 8 * 64;
  for (int round = 0; round < 2; ++round) {
    const ScsiResult result = ExecuteSettled(executor, InCommand(0, CdbReportLuns(length), length));
    if (result.error) return false;
    if (!result.Good() || result.data.size() < 8) {
      fields = {0};
      return true;
    }
    const std::uint32_t listBytes = (std::uint32_t{result.data[0]} << 24) | (std::uint32_t{result.data[1]} << 16) |
                                    (std::uint32_t{result.data[2]} << 8) | result.data[3];
    fields = ParseReportLuns(result.data);
    if (listBytes + 8 <= length || length >= kMaxReportLunsLength) return true;
    length = std::min(listBytes + 8, kMaxReportLunsLength);
  }
  return true;
}

// Capacity of one LUN; false when the session failed, `usable` false when
// the LUN answered but not with a capacity worth a disk.
bool ReadCapacity(IScsiExecutor& executor, std::uint32_t lun, Capacity& capacity, bool& usable) {
  usable = false;
  ScsiResult result = ExecuteSettled(executor, InCommand(lun, CdbReadCapacity10(), 8));
  if (result.error) return false;
  if (!result.Good()) return true;
  bool needs16 = false;
  auto parsed = ParseReadCapacity10(result.data, &needs16);
  if (needs16) {
    result = ExecuteSettled(executor, InCommand(lun, CdbReadCapacity16(32), 32));
    if (result.error) return false;
    parsed = result.Good() ? ParseReadCapacity16(result.data) : std::nullopt;
  }
  if (!parsed || parsed->blocks == 0 || parsed->blockSize < kMinBlockSize || parsed->blockSize > kMaxBlockSize ||
      (parsed->blockSize & (parsed->blockSize - 1)) != 0) {
    return true;
  }
  capacity = *parsed;
  usable = true;
  return true;
}

}  // namespace

ScsiResult ExecuteSettled(IScsiExecutor& executor, const ScsiCommand& command) {
  ScsiResult result;
  for (int attempt = 0; attempt < 4; ++attempt) {
    result = executor.Execute(command);
    if (result.error || result.status != kScsiStatusCheckCondition) break;
    const auto sense = ParseSense(result.sense);
    if (!sense || sense->key != 0x6) break;  // only UNIT ATTENTION is worth repeating
  }
  return result;
}

bool ScanLuns(IScsiExecutor& executor, std::vector<LunIdentity>& out) {
  out.clear();
  std::vector<std::uint64_t> fields;
  if (!ReportLuns(executor, fields)) return false;
  for (const std::uint64_t field : fields) {
    const auto lun = LunNumberFromField(field);
    if (!lun) continue;
    const ScsiResult inquiry =
        ExecuteSettled(executor, InCommand(*lun, CdbInquiry(false, 0, kInquiryLength), kInquiryLength));
    if (inquiry.error) return false;
    const auto info = inquiry.Good() ? ParseInquiry(inquiry.data) : std::nullopt;
    if (!info || info->qualifier != 0 || (info->deviceType != 0x00 && info->deviceType != 0x0E)) continue;
    LunIdentity identity;
    bool usable = false;
    if (!ReadCapacity(executor, *lun, identity.capacity, usable)) return false;
    if (!usable) continue;
    identity.lun = *lun;
    identity.lunField = field;
    identity.inquiry = inquiry.data;
    out.push_back(std::move(identity));
  }
  return true;
}

}  // namespace sp::iscsid
