#pragma once
// The disk profile page's step-control table: which input controls each
// sub-step shows, in the order Enter and Tab move the focus through them.
#include <array>

namespace sp {

// Control ids of the disk profile page.
namespace diskpage {
inline constexpr int kRadioBoth = 1029;
inline constexpr int kRadioNasOnly = 1030;
inline constexpr int kRadioIscsiOnly = 1031;
inline constexpr int kRadioNormal = 1118;
inline constexpr int kRadioRaid1 = 1119;
inline constexpr int kSlider = 1032;
inline constexpr int kRatioLabel = 1021;
inline constexpr int kNasLetterList = 1036;
inline constexpr int kIscsiLetterList = 1035;
inline constexpr int kDiskList = 1040;
inline constexpr int kBack = 1013;
inline constexpr int kNext = 1016;
inline constexpr int kCancel = 1009;
inline constexpr int kAdvanced = 1121;
inline constexpr int kFinish = 1122;
}  // namespace diskpage

// Row k - 1 for sub-step k (1 to 5); places after the last id hold 0.
using DiskStepRow = std::array<int, 10>;
inline constexpr std::array<DiskStepRow, 5> kDiskStepControls = {{
    {diskpage::kRadioBoth, diskpage::kRadioNasOnly, diskpage::kRadioIscsiOnly},
    {diskpage::kRadioNormal, diskpage::kRadioRaid1},
    {diskpage::kSlider, diskpage::kRatioLabel, diskpage::kNasLetterList, diskpage::kIscsiLetterList},
    {},
    {},
}};

// Where Enter or Tab moves the focus from control `focused` in `row`: the next
// id of the row, wrapping to the first id past the end or onto a 0. Returns 0
// when `focused` is not in the row (the key is swallowed all the same).
constexpr int NextFocusInRow(const DiskStepRow& row, int focused) {
  if (focused == 0) return 0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != focused) continue;
    const int next = i + 1 < row.size() ? row[i + 1] : 0;
    return next != 0 ? next : row[0];
  }
  return 0;
}

}  // namespace sp
