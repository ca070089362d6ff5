#include "tools/iscsid/scsiformat.h"

namespace sp::iscsid {
namespace {

void PutBe(Bytes& b, std::size_t at, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    b[at + i] = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

std::uint64_t GetBe(const Bytes& b, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | b[at + i];
  return value;
}

bool Fits10(std::uint64_t lba, std::uint32_t blocks) { return lba + blocks <= 0x100000000ull && blocks <= 0xFFFF; }

Bytes RwCdb(std::uint8_t op10, std::uint8_t op16, std::uint64_t lba, std::uint32_t blocks) {
  if (Fits10(lba, blocks)) {
    Bytes cdb(10, 0);
    cdb[0] = op10;
    PutBe(cdb, 2, lba, 4);
    PutBe(cdb, 7, blocks, 2);
    return cdb;
  }
  Bytes cdb(16, 0);
  cdb[0] = op16;
  PutBe(cdb, 2, lba, 8);
  PutBe(cdb, 10, blocks, 4);
  return cdb;
}

std::string FieldText(const Bytes& data, std::size_t at, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(data.data() + at), n);
}

}  // namespace

Bytes CdbInquiry(bool evpd, std::uint8_t page, std::uint16_t allocation) {
  Bytes cdb(6, 0);
  cdb[0] = 0x12;
  cdb[1] = evpd ? 1 : 0;
  cdb[2] = page;
  PutBe(cdb, 3, allocation, 2);
  return cdb;
}

Bytes CdbReadCapacity10() {
  Bytes cdb(10, 0);
  cdb[0] = 0x25;
  return cdb;
}

Bytes CdbReadCapacity16(std::uint32_t allocation) {
  Bytes cdb(16, 0);
  cdb[0] = 0x9E;  // SERVICE ACTION IN(16)
  cdb[1] = 0x10;  // READ CAPACITY(16)
  PutBe(cdb, 10, allocation, 4);
  return cdb;
}

Bytes CdbReportLuns(std::uint32_t allocation) {
  Bytes cdb(12, 0);
  cdb[0] = 0xA0;
  PutBe(cdb, 6, allocation, 4);
  return cdb;
}

Bytes CdbTestUnitReady() { return Bytes(6, 0); }

Bytes CdbRead(std::uint64_t lba, std::uint32_t blocks) { return RwCdb(0x28, 0x88, lba, blocks); }
Bytes CdbWrite(std::uint64_t lba, std::uint32_t blocks) { return RwCdb(0x2A, 0x8A, lba, blocks); }
Bytes CdbSynchronizeCache(std::uint64_t lba, std::uint32_t blocks) { return RwCdb(0x35, 0x91, lba, blocks); }

std::optional<Capacity> ParseReadCapacity10(const Bytes& data, bool* needs16) {
  if (needs16) *needs16 = false;
  if (data.size() < 8) return std::nullopt;
  const std::uint64_t last = GetBe(data, 0, 4);
  const auto blockSize = static_cast<std::uint32_t>(GetBe(data, 4, 4));
  if (blockSize == 0) return std::nullopt;
  if (last == 0xFFFFFFFFull && needs16) *needs16 = true;
  return Capacity{last + 1, blockSize};
}

std::optional<Capacity> ParseReadCapacity16(const Bytes& data) {
  if (data.size() < 12) return std::nullopt;
  const std::uint64_t last = GetBe(data, 0, 8);
  const auto blockSize = static_cast<std::uint32_t>(GetBe(data, 8, 4));
  if (blockSize == 0 || last == ~0ull) return std::nullopt;
  return Capacity{last + 1, blockSize};
}

std::vector<std::uint64_t> ParseReportLuns(const Bytes& data) {
  std::vector<std::uint64_t> luns;
  if (data.size() < 8) return luns;
  const std::uint64_t listBytes = GetBe(data, 0, 4);
  const std::uint64_t available = (data.size() - 8) / 8 * 8;
  const std::uint64_t n = (listBytes < available ? listBytes : available) / 8;
  for (std::uint64_t i = 0; i < n; ++i) luns.push_back(GetBe(data, 8 + i * 8, 8));
  return luns;
}

std::optional<std::uint32_t> LunNumberFromField(std::uint64_t field) {
  const auto b0 = static_cast<std::uint8_t>(field >> 56);
  const auto b1 = static_cast<std::uint8_t>(field >> 48);
  if ((field & 0x0000FFFFFFFFFFFFull) != 0) return std::nullopt;  // multi-level LUNs
  switch (b0 >> 6) {
    case 0:  // peripheral device addressing, bus 0 only
      if ((b0 & 0x3F) != 0) return std::nullopt;
      return b1;
    case 1:  // flat space addressing
      return static_cast<std::uint32_t>(((b0 & 0x3F) << 8) | b1);
    default:
      return std::nullopt;
  }
}

std::uint64_t LunFieldFromNumber(std::uint32_t lun) {
  if (lun < 256) return std::uint64_t{lun} << 48;
  return (std::uint64_t{0x40 | ((lun >> 8) & 0x3F)} << 56) | (std::uint64_t{lun & 0xFF} << 48);
}

std::optional<InquiryInfo> ParseInquiry(const Bytes& data) {
  if (data.size() < 36) return std::nullopt;
  InquiryInfo info;
  info.qualifier = data[0] >> 5;
  info.deviceType = data[0] & 0x1F;
  info.vendor = FieldText(data, 8, 8);
  info.product = FieldText(data, 16, 16);
  info.revision = FieldText(data, 32, 4);
  return info;
}

std::optional<SenseInfo> ParseSense(const Bytes& sense) {
  if (sense.empty()) return std::nullopt;
  const std::uint8_t code = sense[0] & 0x7F;
  if ((code == 0x70 || code == 0x71) && sense.size() >= 14) {
    return SenseInfo{static_cast<std::uint8_t>(sense[2] & 0x0F), sense[12], sense[13]};
  }
  if ((code == 0x72 || code == 0x73) && sense.size() >= 4) {
    return SenseInfo{static_cast<std::uint8_t>(sense[1] & 0x0F), sense[2], sense[3]};
  }
  return std::nullopt;
}

}  // namespace sp::iscsid
