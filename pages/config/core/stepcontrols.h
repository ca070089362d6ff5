#pragma once
// The device settings page's controls by id, and its step-control table:
// which input controls each sub-step shows, in the order Enter and Tab walk
// through them.
#include <array>

namespace sp {

// Sub-steps of the device settings page.
enum ConfigStep : int {
  kStepSelectDevice = 0,
  kStepLogin = 1,
  kStepPassword = 2,
  kStepTimeZone = 3,
  kStepDateTime = 4,
  kStepNetwork = 5,
};
inline constexpr int kConfigStepCount = 6;

// Control ids of the page.
enum ConfigControl : int {
  kCtlIdentify = 133,
  kCtlBack = 1069,
  kCtlNext = 1070,
  kCtlCancel = 1071,
  kCtlNewPassword = 1081,
  kCtlConfirmPassword = 1082,
  kCtlLoginPassword = 1084,
  kCtlIpAddress = 1085,
  kCtlNetmask = 1086,
  kCtlGateway = 1087,
  kCtlWorkGroup = 1088,
  kCtlNasName = 1089,
  kCtlDescription = 1090,
  kCtlDaylightSaving = 1091,
  // Lists shared by the two time sub-steps (their contents differ).
  kCtlList1104 = 1104,  // time zone | time server
  kCtlList1105 = 1105,  // DST region | month
  kCtlList1107 = 1107,  // DST start month | day
  kCtlList1108 = 1108,  // DST start week | year
  kCtlList1109 = 1109,  // DST start day of week | hour
  kCtlList1110 = 1110,  // DST start time | minute
  kCtlList1112 = 1112,  // DST end month | second
  kCtlList1113 = 1113,  // DST end week
  kCtlList1114 = 1114,  // DST end day of week
  kCtlList1115 = 1115,  // DST end time
  kCtlTimeServer = 1117,
  kCtlDeviceList = 1123,
  kCtlRefresh = 1124,
  // Find by address: an appliance that broadcasts do not reach.
  kCtlFindAddress = 1125,
  kCtlFind = 1126,
};

inline constexpr int kStepControlColumns = 11;
using StepControlRow = std::array<int, kStepControlColumns>;

// Row k: the controls of sub-step k; places after the last id hold 0.
inline constexpr std::array<StepControlRow, kConfigStepCount> kStepControls = {{
    {kCtlDeviceList, kCtlFindAddress, kCtlFind},
    {kCtlLoginPassword},
    {kCtlNewPassword, kCtlConfirmPassword},
    {kCtlList1104, kCtlList1105, kCtlDaylightSaving, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110,
     kCtlList1112, kCtlList1113, kCtlList1114, kCtlList1115},
    {kCtlList1104, kCtlList1105, kCtlTimeServer, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110, kCtlList1112},
    {kCtlIpAddress, kCtlNetmask, kCtlGateway, kCtlWorkGroup, kCtlNasName, kCtlDescription},
}};

// The control that Enter or Tab moves the focus to when `focusedId` has it
// in sub-step `step`: the next id of the row, wrapping to the row's first
// past the end or onto a 0. Returns 0 when `focusedId` is not in the row
// (or `step` is out of range): the focus then stays where it is.
int NextFocusControl(int step, int focusedId);

// The first control of row `step` (0 when out of range).
int FirstStepControl(int step);

// Whether `id` is named anywhere in the table.
bool IsStepControl(int id);

}  // namespace sp
