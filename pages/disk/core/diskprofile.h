#pragma once
// How the appliance's capacity is split between the NAS volume and the iSCSI
// volume, and at which protection level: the pure logic behind the disk
// profile page. From the inventory and the user's three choices it computes
// the volume sizes and levels, the label lines shown under each disk and the
// values the final page sends to the appliance and prints in its summary.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/disk/core/diskinventory.h"
#include "wizardstate/wizardstate.h"

namespace sp {

enum class ServiceType { Both, NasOnly, IscsiOnly };

// The level codes are what the appliance is sent.
enum class DiskLevel : std::uint8_t { Normal = 2, Raid1 = 4 };

// String ids of the service and level captions.
inline constexpr int kIdsServiceBoth = 138;
inline constexpr int kIdsServiceNasOnly = 139;
inline constexpr int kIdsServiceIscsiOnly = 140;
inline constexpr int kIdsLevelNormalStandardJbod = 141;
inline constexpr int kIdsLevelNormalJbod = 142;
inline constexpr int kIdsLevelNormalStandard = 143;
inline constexpr int kIdsLevelSafeRaid1 = 144;

inline constexpr int kDefaultNasRatio = 50;
inline constexpr const char kPortionColour[] = "orange";

int ServiceCaptionId(ServiceType service);
// The caption for a level: `Normal` reads "Normal (Standard)" with one disk,
// "Normal (Standard and JBOD)" with two disks and `Both`, "Normal (JBOD)" with
// two disks and a single service. `Raid1` is offered only with two disks.
int DiskLevelCaptionId(DiskLevel level, int diskCount, ServiceType service);
inline std::uint8_t DiskLevelCode(DiskLevel level) { return static_cast<std::uint8_t>(level); }

// The NAS percentage for a service: the user's ratio with `Both`, 100 with
// `NasOnly`, 0 with `IscsiOnly`.
int NasPercentage(ServiceType service, int ratio);

enum class VolumeKind { Nas, Iscsi };
enum class LevelTag { Standard, Jbod, Raid1 };

// The level text of a tag: "Standard", "JBOD" or "RAID 1".
const char* LevelTagText(LevelTag tag);

// One label line under a disk: which volume, how many GB of it lie there and
// at which level. Only the first row carries a blank before its value.
struct PortionLine {
  VolumeKind volume = VolumeKind::Nas;
  std::int32_t valueGb = 0;
  LevelTag tag = LevelTag::Standard;
  bool leadingBlank = false;

  // The line's markup, filled with `colour` and the value.
  std::string Markup(const char* colour = kPortionColour) const;
  bool operator==(const PortionLine&) const = default;
};

// Row positions: A and B under the first disk, C and D under the second.
enum PortionRow { kRowA = 0, kRowB = 1, kRowC = 2, kRowD = 3 };

struct DiskProfile {
  std::int32_t nasSizeGb = 0;          // 0 when there is no NAS volume
  const char* nasLevelText = nullptr;  // null: the profile leaves the NAS level text as it was
  std::int32_t iscsiSizeGb = 0;        // 0 when there is no iSCSI volume
  const char* iscsiLevelText = nullptr;
  std::uint8_t nasSharePercent = 0;
  std::uint8_t diskLevelCode = 0;
  std::array<std::optional<PortionLine>, 4> rows;
};

// Computes the profile. Defined for one or two disks; with no disk it returns
// an empty profile (no volume, no rows). `nasPercent` is used with `Both`
// only and is held to 0..100; a single service takes 100 or 0. Sizes are
// computed in signed 32-bit arithmetic, P% of X being (P * X) / 100; a
// capacity is at most 2^22 - 1 GB, so nothing overflows.
DiskProfile ComputeDiskProfile(const DiskInventory& inventory, ServiceType service, DiskLevel level, int nasPercent);

// What the summary step writes into the state record: the two sizes and the
// level texts the profile sets (a level text the profile leaves alone keeps
// its content).
void ApplyProfileSummary(const DiskProfile& profile, WizardState& state);
// What confirming the summary writes: NAS share percent and disk level code.
void ApplyProfileChoice(const DiskProfile& profile, WizardState& state);

}  // namespace sp
