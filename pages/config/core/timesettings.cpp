#include "pages/config/core/timesettings.h"

#include <cstring>

#include "base/text.h"
#include "devicelink/datagram.h"
#include "devicelink/ideviceexchange.h"

namespace sp {

namespace {

void Put32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t Get32(const std::uint8_t* p) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

// Field offsets of the record.
constexpr std::size_t kDstAt = 4, kRegionAt = 8, kStartAt = 12, kEndAt = 28, kServerFlagAt = 44;
constexpr std::size_t kHostAt = 48, kClockAt = 112;

std::vector<std::string> Numbered(int first, int last, const char* format) {
  std::vector<std::string> out;
  for (int v = first; v <= last; ++v) out.push_back(Format(format, v));
  return out;
}

}  // namespace

std::array<std::uint8_t, TimeSettings::kSize> TimeSettings::Bytes() const {
  std::array<std::uint8_t, kSize> b{};
  b[0] = zone;
  Put32(&b[kDstAt], dstEnabled);
  Put32(&b[kRegionAt], dstRegion);
  const std::int32_t start[4] = {startMonth, startWeek, startDay, startHour};
  const std::int32_t end[4] = {endMonth, endWeek, endDay, endHour};
  for (int i = 0; i < 4; ++i) {
    Put32(&b[kStartAt + 4 * i], start[i]);
    Put32(&b[kEndAt + 4 * i], end[i]);
  }
  Put32(&b[kServerFlagAt], serverEnabled);
  std::memcpy(&b[kHostAt], serverHost, sizeof serverHost);
  const std::int32_t clock[6] = {month, day, year, hour, minute, second};
  for (int i = 0; i < 6; ++i) Put32(&b[kClockAt + 4 * i], clock[i]);
  return b;
}

TimeSettings TimeSettings::FromBytes(const std::uint8_t* b) {
  TimeSettings t;
  t.zone = b[0];
  t.dstEnabled = Get32(&b[kDstAt]);
  t.dstRegion = Get32(&b[kRegionAt]);
  std::int32_t* start[4] = {&t.startMonth, &t.startWeek, &t.startDay, &t.startHour};
  std::int32_t* end[4] = {&t.endMonth, &t.endWeek, &t.endDay, &t.endHour};
  for (int i = 0; i < 4; ++i) {
    *start[i] = Get32(&b[kStartAt + 4 * i]);
    *end[i] = Get32(&b[kEndAt + 4 * i]);
  }
  t.serverEnabled = Get32(&b[kServerFlagAt]);
  std::memcpy(t.serverHost, &b[kHostAt], sizeof t.serverHost);
  std::int32_t* clock[6] = {&t.month, &t.day, &t.year, &t.hour, &t.minute, &t.second};
  for (int i = 0; i < 6; ++i) *clock[i] = Get32(&b[kClockAt + 4 * i]);
  return t;
}

std::vector<std::uint8_t> BuildTimeItem(const TimeSettings& settings) {
  const auto bytes = settings.Bytes();
  return BuildItemPayload(kItemTimeSettings, bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

void ApplyZoneStep(TimeSettings& settings, const ZoneChoice& c) {
  settings = TimeSettings{};
  settings.zone = static_cast<std::uint8_t>(c.zone);
  settings.dstEnabled = c.dst ? 1 : 0;
  if (!c.dst) return;
  settings.dstRegion = c.region == 0 ? kDstRegionUsa : kDstRegionEu;
  settings.startMonth = c.startMonth + 1;
  settings.startWeek = c.startWeek + 1;
  settings.startDay = c.startDay;
  settings.startHour = c.startHour;
  settings.endMonth = c.endMonth + 1;
  settings.endWeek = c.endWeek + 1;
  settings.endDay = c.endDay;
  settings.endHour = c.endHour;
}

void ApplyClockStep(TimeSettings& settings, const ClockChoice& c) {
  settings.serverEnabled = c.useServer ? 1 : 0;
  if (c.useServer) {
    CopyBounded(settings.serverHost, c.serverHost);
    return;
  }
  settings.month = c.month + 1;
  settings.day = c.day + 1;
  settings.year = c.year;
  settings.hour = c.hour;
  settings.minute = c.minute;
  settings.second = c.second;
}

std::string HourLabel(int hour) {
  if (hour == 0) return "12 am";
  if (hour < 12) return Format("%d am", hour);
  if (hour == 12) return "12 pm";
  return Format("%d pm", hour - 12);
}

std::vector<std::string> ManualMonthEntries() { return Numbered(1, 12, "%02d"); }
std::vector<std::string> ManualDayEntries() { return Numbered(1, 31, "%02d"); }
std::vector<std::string> ManualYearEntries() { return Numbered(kFirstYear, kLastYear, "%d"); }
std::vector<std::string> ManualHourEntries() { return Numbered(0, 23, "%d"); }
std::vector<std::string> ManualMinuteEntries() { return Numbered(0, 59, "%02d"); }

ClockIndices IndicesForLocalTime(int year, int month, int day, int hour, int minute, int second) {
  ClockIndices i;
  i.month = month - 1;
  i.day = day - 1;
  i.year = (year >= kFirstYear && year <= kLastYear) ? year - kFirstYear : -1;
  i.hour = hour;
  i.minute = minute;
  i.second = second;
  return i;
}

void TimeStepMemory::Reset() {
  listIndex.fill(0);
  listIndex[0] = kDefaultTimeZone;
  timeServerIndex = 0;
  useTimeServer = true;
}

ZoneChoice TimeStepMemory::AsZoneChoice(bool dst) const {
  const auto& z = listIndex;
  return ZoneChoice{z[0], dst, z[1], z[2], z[3], z[4], z[5], z[6], z[7], z[8], z[9]};
}

void TimeStepMemory::Keep(const ZoneChoice& c) {
  listIndex = {c.zone,      c.region,   c.startMonth, c.startWeek, c.startDay,
               c.startHour, c.endMonth, c.endWeek,    c.endDay,    c.endHour};
}

void TimeStepMemory::KeepOnNext(const ZoneChoice& c) {
  if (c.dst) {
    Keep(c);
  } else {
    listIndex[0] = c.zone;
  }
}

}  // namespace sp
