#pragma once
// The appliance's clock settings: the 136-byte record of item 14, how the two
// time sub-steps fill it, the lists they offer and what the page remembers
// of their choices.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// Item 14 data. Multi-byte fields are signed 32-bit little-endian on the
// wire (Bytes() writes them so whatever the host's order).
struct TimeSettings {
  std::uint8_t zone = 0;  // byte 0: row of the time zone table; bytes 1-3 zero
  std::int32_t dstEnabled = 0;
  std::int32_t dstRegion = 0;  // 5 "USA", 7 "EU"
  std::int32_t startMonth = 0, startWeek = 0, startDay = 0, startHour = 0;
  std::int32_t endMonth = 0, endWeek = 0, endDay = 0, endHour = 0;
  std::int32_t serverEnabled = 0;
  char serverHost[64] = {};                   // narrow, NUL-terminated
  std::int32_t month = 0, day = 0, year = 0;  // year: 0 = 2008, -1 = none
  std::int32_t hour = 0, minute = 0, second = 0;

  static constexpr std::size_t kSize = 136;
  std::array<std::uint8_t, kSize> Bytes() const;
  // The record from 136 bytes (for tests and tools).
  static TimeSettings FromBytes(const std::uint8_t* bytes);
};

inline constexpr std::size_t kTimeItemPayloadSize = 140;
// Item code 14, data length 136, then the record.
std::vector<std::uint8_t> BuildTimeItem(const TimeSettings& settings);

inline constexpr std::int32_t kDstRegionUsa = 5;
inline constexpr std::int32_t kDstRegionEu = 7;

// Selections of sub-step 3, as list indices.
struct ZoneChoice {
  int zone = 0;
  bool dst = false;
  int region = 0;  // 0 "USA", 1 "EU"
  int startMonth = 0, startWeek = 0, startDay = 0, startHour = 0;
  int endMonth = 0, endWeek = 0, endDay = 0, endHour = 0;
};

// Leaving sub-step 3 with Next: the whole record is cleared, then the zone,
// the daylight-saving flag and, when it is on, the region code and the
// start and end (month and week counted from 1, day and hour from 0).
void ApplyZoneStep(TimeSettings& settings, const ZoneChoice& choice);

// Selections of sub-step 4.
struct ClockChoice {
  bool useServer = true;
  std::string serverHost;            // narrow; cut to 63 bytes
  int month = 0, day = 0, year = 0;  // list indices; year -1: no selection
  int hour = 0, minute = 0, second = 0;
};

// Leaving sub-step 4 with Next: the server flag, then either the host name
// (manual fields left as they are) or the six manual fields (host name left
// as it is). Nothing else is cleared.
void ApplyClockStep(TimeSettings& settings, const ClockChoice& choice);

// --- Lists ------------------------------------------------------------------
inline constexpr int kTimeZoneCount = 25;
inline constexpr int kFirstTimeZoneTextId = 204;  // 204..228
inline constexpr int TimeZoneTextId(int index) { return kFirstTimeZoneTextId + index; }
inline constexpr int kDefaultTimeZone = 4;  // "(GMT-08:00) Pacific Time (US && Canada)"

inline constexpr int kRegionUsaTextId = 231, kRegionEuTextId = 232;
inline constexpr int kFirstMonthNameId = 241;  // "Jan".."Dec"
inline constexpr int kFirstWeekNameId = 253;   // "1st".."5th"
inline constexpr int kFirstDayNameId = 258;    // "Sun".."Sat"
inline constexpr int kMonthCount = 12, kWeekCount = 5, kDayOfWeekCount = 7, kHourCount = 24;

// "12 am", "1 am" .. "11 am", "12 pm", "1 pm" .. "11 pm".
std::string HourLabel(int hour);

// Default time servers offered in sub-step 4.
inline constexpr std::array<const char*, 2> kDefaultTimeServers = {"pool.ntp.org", "time.nist.gov"};
inline constexpr std::size_t kTimeServerMaxBytes = 63;

// The manual lists of sub-step 4.
inline constexpr int kFirstYear = 2008, kLastYear = 2027;
std::vector<std::string> ManualMonthEntries();   // "01".."12"
std::vector<std::string> ManualDayEntries();     // "01".."31"
std::vector<std::string> ManualYearEntries();    // "2008".."2027"
std::vector<std::string> ManualHourEntries();    // "0".."23"
std::vector<std::string> ManualMinuteEntries();  // "00".."59" (also the seconds)

// List indices for a local date and time (month 1-12, day 1-31, full year);
// a year outside 2008..2027 gives year index -1.
struct ClockIndices {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
};
ClockIndices IndicesForLocalTime(int year, int month, int day, int hour, int minute, int second);

// --- What the time sub-steps remember while the user goes back and forth ----
struct TimeStepMemory {
  // Sub-step 3: time zone, region, start month, week, day, hour, end month,
  // week, day, hour.
  std::array<int, 10> listIndex{};
  int timeServerIndex = 0;
  bool useTimeServer = true;

  // Entering the page: time zone 4, every other index 0, time server on.
  void Reset();
  TimeStepMemory() { Reset(); }

  ZoneChoice AsZoneChoice(bool dst) const;
  void Keep(const ZoneChoice& choice);
  // Next on sub-step 3: with daylight saving on every list is kept; with it
  // off the time zone still is, so that the user finds the zone they chose
  // when they come back (the hidden daylight-saving lists keep what they
  // had).
  void KeepOnNext(const ZoneChoice& choice);
};

}  // namespace sp
