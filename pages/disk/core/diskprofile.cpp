#include "pages/disk/core/diskprofile.h"

#include <algorithm>

#include "base/text.h"

namespace sp {
namespace {

// [volume][tag][leading blank ? 0 : 1]
constexpr const char* kPortionFormats[2][3][2] = {
    {
        {"<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s> %d GB(Standard)</font>",
         "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s>%d GB(Standard)</font>"},
        {"<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s> %d GB(JBOD)</font>",
         "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s>%d GB(JBOD)</font>"},
        {"<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s> %d GB(RAID 1)</font>",
         "<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s>%d GB(RAID 1)</font>"},
    },
    {
        {"<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s> %d GB(Standard)</font>",
         "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s>%d GB(Standard)</font>"},
        {"<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s> %d GB(JBOD)</font>",
         "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s>%d GB(JBOD)</font>"},
        {"<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s> %d GB(RAID 1)</font>",
         "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s>%d GB(RAID 1)</font>"},
    },
};

constexpr VolumeKind kNas = VolumeKind::Nas;
constexpr VolumeKind kIscsi = VolumeKind::Iscsi;

PortionLine Row(VolumeKind volume, LevelTag tag, std::int32_t value, bool leadingBlank) {
  return PortionLine{volume, value, tag, leadingBlank};
}
// Row A carries the blank; rows B, C and D do not.
PortionLine RowA(VolumeKind volume, LevelTag tag, std::int32_t value) { return Row(volume, tag, value, true); }
PortionLine RowOther(VolumeKind volume, LevelTag tag, std::int32_t value) { return Row(volume, tag, value, false); }

std::int32_t PercentOf(std::int32_t percent, std::int32_t value) { return percent * value / 100; }

void OneDisk(DiskProfile& p, ServiceType service, std::int32_t g1) {
  const char* standard = LevelTagText(LevelTag::Standard);
  switch (service) {
    case ServiceType::Both: {
      const std::int32_t nas = PercentOf(p.nasSharePercent, g1);
      p.nasSizeGb = nas;
      p.iscsiSizeGb = g1 - nas;
      p.nasLevelText = p.iscsiLevelText = standard;
      p.rows[kRowA] = RowA(kNas, LevelTag::Standard, nas);
      p.rows[kRowB] = RowOther(kIscsi, LevelTag::Standard, g1 - nas);
      break;
    }
    case ServiceType::NasOnly:
      p.nasSizeGb = g1;
      p.nasLevelText = standard;
      p.rows[kRowA] = RowA(kNas, LevelTag::Standard, g1);
      break;
    case ServiceType::IscsiOnly:
      p.iscsiSizeGb = g1;
      p.iscsiLevelText = standard;
      p.rows[kRowA] = RowA(kIscsi, LevelTag::Standard, g1);
      break;
  }
}

void TwoDisksMirrored(DiskProfile& p, ServiceType service, std::int32_t g1, std::int32_t g2) {
  const std::int32_t m = std::min(g1, g2);
  const char* raid = LevelTagText(LevelTag::Raid1);
  const LevelTag tag = LevelTag::Raid1;
  switch (service) {
    case ServiceType::Both: {
      const std::int32_t nas = PercentOf(p.nasSharePercent, m);
      p.nasSizeGb = nas;
      p.iscsiSizeGb = m - nas;
      p.nasLevelText = p.iscsiLevelText = raid;
      p.rows[kRowA] = RowA(kNas, tag, nas);
      p.rows[kRowB] = RowOther(kIscsi, tag, m - nas);
      p.rows[kRowC] = RowOther(kNas, tag, nas);
      p.rows[kRowD] = RowOther(kIscsi, tag, m - nas);
      break;
    }
    case ServiceType::NasOnly:
      p.nasSizeGb = m;
      p.nasLevelText = raid;
      p.rows[kRowA] = RowA(kNas, tag, m);
      p.rows[kRowC] = RowOther(kNas, tag, m);
      break;
    case ServiceType::IscsiOnly:
      p.iscsiSizeGb = m;
      p.iscsiLevelText = raid;
      p.rows[kRowA] = RowA(kIscsi, tag, m);
      p.rows[kRowC] = RowOther(kIscsi, tag, m);
      break;
  }
}

// `Normal` with one service: the volume spans both disks.
void TwoDisksSpanned(DiskProfile& p, VolumeKind volume, std::int32_t g1, std::int32_t g2) {
  const char* jbod = LevelTagText(LevelTag::Jbod);
  if (volume == kNas) {
    p.nasSizeGb = g1 + g2;
    p.nasLevelText = jbod;
  } else {
    p.iscsiSizeGb = g1 + g2;
    p.iscsiLevelText = jbod;
  }
  p.rows[kRowA] = RowA(volume, LevelTag::Jbod, g1);
  p.rows[kRowC] = RowOther(volume, LevelTag::Jbod, g2);
}

// `Normal` with both services: the first case that applies decides where each
// volume lies.
void TwoDisksShared(DiskProfile& p, std::int32_t g1, std::int32_t g2) {
  const std::int32_t total = g1 + g2;
  const std::int32_t nas = PercentOf(p.nasSharePercent, total);
  const std::int32_t iscsi = total - nas;
  const char* standard = LevelTagText(LevelTag::Standard);
  const char* jbod = LevelTagText(LevelTag::Jbod);
  p.nasSizeGb = nas;
  p.iscsiSizeGb = iscsi;
  if (nas == g1) {
    // NAS fills the first disk, iSCSI the second.
    p.nasLevelText = p.iscsiLevelText = standard;
    p.rows[kRowA] = RowA(kNas, LevelTag::Standard, nas);
    p.rows[kRowC] = RowOther(kIscsi, LevelTag::Standard, iscsi);
  } else if (iscsi < g1) {
    // iSCSI on the first disk; NAS takes the rest of it and all the second.
    p.nasLevelText = jbod;
    p.iscsiLevelText = standard;
    p.rows[kRowA] = RowA(kIscsi, LevelTag::Standard, iscsi);
    p.rows[kRowB] = RowOther(kNas, LevelTag::Jbod, g1 - iscsi);
    p.rows[kRowC] = RowOther(kNas, LevelTag::Jbod, g2);
  } else {
    // iSCSI fills the first disk and continues on the second, NAS lies there.
    p.nasLevelText = standard;
    p.iscsiLevelText = jbod;
    p.rows[kRowA] = RowA(kIscsi, LevelTag::Jbod, g1);
    p.rows[kRowC] = RowOther(kIscsi, LevelTag::Jbod, g2 - nas);
    p.rows[kRowD] = RowOther(kNas, LevelTag::Standard, nas);
  }
}

}  // namespace

int ServiceCaptionId(ServiceType service) {
  switch (service) {
    case ServiceType::Both:
      return kIdsServiceBoth;
    case ServiceType::NasOnly:
      return kIdsServiceNasOnly;
    case ServiceType::IscsiOnly:
      return kIdsServiceIscsiOnly;
  }
  return kIdsServiceBoth;
}

int DiskLevelCaptionId(DiskLevel level, int diskCount, ServiceType service) {
  if (level == DiskLevel::Raid1) return kIdsLevelSafeRaid1;
  if (diskCount < 2) return kIdsLevelNormalStandard;
  return service == ServiceType::Both ? kIdsLevelNormalStandardJbod : kIdsLevelNormalJbod;
}

int NasPercentage(ServiceType service, int ratio) {
  switch (service) {
    case ServiceType::NasOnly:
      return 100;
    case ServiceType::IscsiOnly:
      return 0;
    case ServiceType::Both:
      break;
  }
  return std::clamp(ratio, 0, 100);
}

const char* LevelTagText(LevelTag tag) {
  switch (tag) {
    case LevelTag::Standard:
      return "Standard";
    case LevelTag::Jbod:
      return "JBOD";
    case LevelTag::Raid1:
      return "RAID 1";
  }
  return "Standard";
}

std::string PortionLine::Markup(const char* colour) const {
  const int v = volume == VolumeKind::Nas ? 0 : 1;
  const int t = static_cast<int>(tag);
  return Format(kPortionFormats[v][t][leadingBlank ? 0 : 1], colour, static_cast<int>(valueGb));
}

DiskProfile ComputeDiskProfile(const DiskInventory& inventory, ServiceType service, DiskLevel level, int nasPercent) {
  DiskProfile p;
  p.nasSharePercent = static_cast<std::uint8_t>(NasPercentage(service, nasPercent));
  // With one disk there is nothing to mirror: the level is always Normal.
  if (inventory.diskCount < 2) level = DiskLevel::Normal;
  p.diskLevelCode = DiskLevelCode(level);
  const std::int32_t g1 = inventory.first.CapacityGb();
  const std::int32_t g2 = inventory.second.CapacityGb();
  if (inventory.diskCount == 1) {
    OneDisk(p, service, g1);
  } else if (inventory.diskCount >= 2) {
    if (level == DiskLevel::Raid1) {
      TwoDisksMirrored(p, service, g1, g2);
    } else if (service == ServiceType::Both) {
      TwoDisksShared(p, g1, g2);
    } else {
      TwoDisksSpanned(p, service == ServiceType::NasOnly ? kNas : kIscsi, g1, g2);
    }
  }
  return p;
}

void ApplyProfileSummary(const DiskProfile& profile, WizardState& state) {
  state.nasSizeGb = profile.nasSizeGb;
  state.iscsiSizeGb = profile.iscsiSizeGb;
  if (profile.nasLevelText) CopyBounded(state.nasLevel, profile.nasLevelText);
  if (profile.iscsiLevelText) CopyBounded(state.iscsiLevel, profile.iscsiLevelText);
}

void ApplyProfileChoice(const DiskProfile& profile, WizardState& state) {
  state.nasSharePercent = profile.nasSharePercent;
  state.diskLevelCode = profile.diskLevelCode;
}

}  // namespace sp
