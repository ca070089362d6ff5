// The disk query's reply comes from the network: any bytes must give a sound
// inventory, and every profile computed from it must be consistent for any
// percentage the page could pass.
//
// Input: byte 0 the percentage (signed), byte 1 service and level choice,
// the rest the reply area (zero-padded to its 1024 bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pages/disk/core/diskprofile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int percent = static_cast<std::int8_t>(data[0]);
  const auto service = static_cast<sp::ServiceType>(data[1] % 3);
  const auto level = (data[1] & 0x80) ? sp::DiskLevel::Raid1 : sp::DiskLevel::Normal;
  std::uint8_t area[sp::kReplyAreaSize] = {};
  std::memcpy(area, data + 2, std::min(size - 2, sizeof area));

  const sp::DiskInventory inv = sp::ParseDiskInventory(area);
  Check(inv.diskCount >= 0 && inv.diskCount <= 2);
  Check(inv.diskCount == 0 || inv.first.Present());
  Check((inv.diskCount == 2) == inv.second.Present());
  Check(!(inv.diskCount == 2 && inv.first == inv.second));
  for (const sp::DiskRecord* d : {&inv.first, &inv.second}) {
    const auto row = sp::DiskListRow(*d);
    Check(row[0] == "L" || row[0] == "R");
    Check(d->Manufacturer().size() <= 48);  // 16 bytes, each at most one U+FFFD
    Check(!sp::DiskSummaryLine(*d).empty());
  }

  const sp::DiskProfile p = sp::ComputeDiskProfile(inv, service, level, percent);
  Check(p.nasSharePercent <= 100);
  Check(p.nasSizeGb >= 0 && p.iscsiSizeGb >= 0);
  const std::int32_t g1 = inv.first.CapacityGb();
  const std::int32_t g2 = inv.second.CapacityGb();
  if (inv.diskCount == 1) Check(p.nasSizeGb + p.iscsiSizeGb == g1);
  if (inv.diskCount == 2 && level == sp::DiskLevel::Normal) Check(p.nasSizeGb + p.iscsiSizeGb == g1 + g2);
  if (inv.diskCount == 2 && level == sp::DiskLevel::Raid1) Check(p.nasSizeGb + p.iscsiSizeGb == std::min(g1, g2));
  Check(inv.diskCount == 0 || p.rows[sp::kRowA].has_value());
  for (const auto& row : p.rows) {
    if (!row) continue;
    Check(row->valueGb >= 0);
    Check(row->Markup().find("GB(") != std::string::npos);
  }
  sp::WizardState state;
  state.Clear();
  sp::ApplyProfileSummary(p, state);
  sp::ApplyProfileChoice(p, state);
  Check(state.nasLevel[sizeof state.nasLevel - 1] == 0);
  return 0;
}
