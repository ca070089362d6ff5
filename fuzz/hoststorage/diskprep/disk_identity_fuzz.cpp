// A disk's INQUIRY data and its first sector come from the disk: any bytes
// must be read without harm. The first 512 bytes are the sector, the rest
// the INQUIRY data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hoststorage/diskprep/diskidentity.h"
#include "hoststorage/diskprep/diskmbr.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sp::Sector sector{};
  std::memcpy(sector.data(), data, std::min(size, sector.size()));
  const sp::MbrView mbr = sp::ParseMbr(sector);
  Check(mbr.valid == (sector[510] == 0x55 && sector[511] == 0xAA));
  Check(sp::DiskSignatureOf(sector) == (mbr.valid ? mbr.signature : 0));

  // A layout built for any length keeps its shape.
  std::uint64_t length = 0;
  std::memcpy(&length, sector.data(), sizeof length);
  const sp::Sector built = sp::BuildIscsiMbr(mbr.signature, length);
  const sp::MbrView again = sp::ParseMbr(built);
  Check(again.valid && again.signature == mbr.signature && again.entries[0].firstLba == 63);
  Check(std::uint64_t{again.entries[0].firstLba} + again.entries[0].sectorCount <= 0xFFFFFFFFull);
  const sp::DiskGeometry g = sp::GeometryForSize(length, 512);
  if (auto len = sp::PartitionLength(g))
    Check(*len > 0 && *len + sp::kPartitionOffset <= std::max<std::uint64_t>(length, 1));

  const std::vector<std::uint8_t> inquiry(data + std::min(size, sector.size()), data + size);
  const std::string model = sp::FormatModelText(inquiry);
  Check(model.size() == 12 + 8 + 1 + 16 + 1 + 4);
  if (sp::IsIscsiVendor(inquiry)) Check(inquiry.size() >= 13 && std::memcmp(inquiry.data() + 8, "KORVA", 5) == 0);
  return 0;
}
