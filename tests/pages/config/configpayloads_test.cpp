// Byte layouts of what the device settings page sends: login digests, the
// set-password, time, identity and commit items, and the identity reply.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "pages/config/core/adminpassword.h"
#include "pages/config/core/identitycheck.h"
#include "pages/config/core/identityrecord.h"
#include "pages/config/core/timesettings.h"

namespace sp {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const std::uint8_t* p, std::size_t n) {
  std::string s;
  char two[3];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", p[i]);
    s += two;
  }
  return s;
}
template <class C>
std::string Hex(const C& c, std::size_t from = 0, std::size_t n = std::string::npos) {
  return Hex(c.data() + from, std::min(n, c.size() - from));
}

std::int32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                   static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::string Text(const Bytes& b, std::size_t at, std::size_t width) {
  std::string s(reinterpret_cast<const char*>(b.data() + at), width);
  return s.substr(0, s.find('\0'));
}
Bytes Of(const TimeSettings& t) {
  const auto a = t.Bytes();
  return Bytes(a.begin(), a.end());
}
bool AllZero(const Bytes& b, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (b[i] != 0) return false;
  return true;
}

constexpr char kMd5Admin[] = "21232f297a57a5a743894a0e4a801fc3";
constexpr char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";

TEST(LoginPayload, TwoDigestsOfUserAndPassword) {
  const LoginPayload p = BuildLoginPayload("secret1");
  EXPECT_EQ(Hex(p, 0, 16), kMd5Admin);
  EXPECT_EQ(Hex(p, 16, 16), "e52d98c459819a11775936d8dfbb7929");
  const LoginPayload blank = BuildLoginPayload("");
  EXPECT_EQ(Hex(blank, 0, 16), kMd5Admin);
  EXPECT_EQ(Hex(blank, 16, 16), kMd5Empty) << "an empty password hashes the empty text, not a NUL";
}

TEST(LoginPayload, LongTextIsHashedAsTheFieldHoldsIt) {
  // 16 characters: the field keeps 15, and the digest is of those 15, the
  // same text the set-password item would have stored.
  EXPECT_EQ(Hex(BuildLoginPayload("abcdefghijklmnop"), 16), Hex(BuildLoginPayload("abcdefghijklmno"), 16));
  // A two-byte character that would straddle the cut is left out whole.
  const std::string fourteenAndUmlaut = std::string(14, 'a') + "\xc3\xa4";
  EXPECT_EQ(BoundedPassword(fourteenAndUmlaut), std::string(14, 'a'));
  EXPECT_EQ(Hex(BuildLoginPayload(fourteenAndUmlaut), 16), Hex(BuildLoginPayload(std::string(14, 'a')), 16));
}

TEST(PasswordItem, AdminAndPasswordInSixteenBytesEach) {
  const Bytes p = BuildPasswordItem("ab12cd34");
  ASSERT_EQ(p.size(), kPasswordItemPayloadSize);
  EXPECT_EQ(Hex(p, 0, 4), "0f002000") << "item 15, length 32, little-endian";
  EXPECT_EQ(Hex(p, 4, 16), "61646d696e0000000000000000000000");
  EXPECT_EQ(Hex(p, 20, 16), "61623132636433340000000000000000");

  const Bytes blank = BuildPasswordItem("");
  ASSERT_EQ(blank.size(), 36u);
  EXPECT_EQ(Text(blank, 4, 16), "admin");
  EXPECT_TRUE(AllZero(blank, 20, 36)) << "a blank password sends 16 zero bytes";
}

TEST(PasswordRules, ChecksRunInTheirOrder) {
  using V = PasswordVerdict;
  EXPECT_EQ(CheckNewPassword("ab", "abc"), V::kMismatch) << "mismatch before length";
  EXPECT_EQ(CheckNewPassword("Secret1", "secret1"), V::kMismatch) << "case counts";
  EXPECT_EQ(CheckNewPassword("", "x"), V::kMismatch) << "mismatch before the blank question";
  EXPECT_EQ(CheckNewPassword("", ""), V::kAskBlank);
  EXPECT_EQ(CheckNewPassword("ab", "ab"), V::kTooShort) << "two letters, too short: the length rule speaks";
  EXPECT_EQ(CheckNewPassword("12345", "12345"), V::kTooShort);
  EXPECT_EQ(CheckNewPassword("a12345", "a12345"), V::kTooFewLetters);
  EXPECT_EQ(CheckNewPassword("123456", "123456"), V::kTooFewLetters);
  EXPECT_EQ(CheckNewPassword("abc123", "abc123"), V::kAcceptable);
  EXPECT_EQ(CheckNewPassword("!?1234", "!?1234"), V::kAcceptable) << "punctuation counts as a letter";
  EXPECT_EQ(CheckNewPassword("abcdefgh", "abcdefgh"), V::kAcceptable);
}

TEST(PasswordRules, LengthCountsCharactersNotBytes) {
  // Six characters, two of them two-byte letters: long enough, two letters.
  EXPECT_EQ(CheckNewPassword("\xc3\xa4\xc3\xb6"
                             "1234",
                             "\xc3\xa4\xc3\xb6"
                             "1234"),
            PasswordVerdict::kAcceptable);
  // Five characters in seven bytes: too short.
  EXPECT_EQ(CheckNewPassword("\xc3\xa4\xc3\xb6"
                             "123",
                             "\xc3\xa4\xc3\xb6"
                             "123"),
            PasswordVerdict::kTooShort);
  // Eight characters of three bytes each would be cut when sent: refused.
  const std::string wide =
      "\xe5\xaf\x86\xe7\xa0\x81\xe5\xaf\x86\xe7\xa0\x81"
      "ab12";
  EXPECT_EQ(CheckNewPassword(wide, wide), PasswordVerdict::kTooLong);
  EXPECT_TRUE(PasswordFits(std::string(15, 'a')));
  EXPECT_FALSE(PasswordFits(std::string(16, 'a')));
}

TEST(TimeItem, ZoneStepWithDaylightSaving) {
  TimeSettings t;
  t.serverEnabled = 1;  // left over from an earlier pass: cleared by the zone step
  CopyBounded(t.serverHost, "old.example");
  ApplyZoneStep(t, ZoneChoice{.zone = 13,
                              .dst = true,
                              .region = 1,
                              .startMonth = 2,
                              .startWeek = 4,
                              .startDay = 0,
                              .startHour = 2,
                              .endMonth = 9,
                              .endWeek = 4,
                              .endDay = 6,
                              .endHour = 12});
  const Bytes b = Of(t);
  EXPECT_EQ(Hex(b, 0, 4), "0d000000");
  EXPECT_EQ(Le32(b, 4), 1);
  EXPECT_EQ(Le32(b, 8), 7) << "second region entry, EU";
  EXPECT_EQ(Le32(b, 12), 3) << "March: index + 1";
  EXPECT_EQ(Le32(b, 16), 5) << "week: index + 1";
  EXPECT_EQ(Le32(b, 20), 0) << "Sunday is 0";
  EXPECT_EQ(Le32(b, 24), 2);
  EXPECT_EQ(Le32(b, 28), 10);
  EXPECT_EQ(Le32(b, 32), 5);
  EXPECT_EQ(Le32(b, 36), 6);
  EXPECT_EQ(Le32(b, 40), 12) << "\"12 pm\" sends 12";
  EXPECT_TRUE(AllZero(b, 44, 136)) << "the zone step clears what an earlier pass left";

  ApplyZoneStep(t, ZoneChoice{.zone = 4, .dst = true, .region = 0});
  EXPECT_EQ(Le32(Of(t), 8), 5) << "first region entry, USA";
}

TEST(TimeItem, ZoneStepWithoutDaylightSavingLeavesTheRuleZero) {
  TimeSettings t;
  ApplyZoneStep(t, ZoneChoice{.zone = 24, .dst = false, .region = 1, .startMonth = 5, .endMonth = 7, .endHour = 23});
  const Bytes b = Of(t);
  EXPECT_EQ(b[0], 24);
  EXPECT_TRUE(AllZero(b, 1, 136));
}

TEST(TimeItem, ClockStepManualThenServerKeepsTheManualFields) {
  TimeSettings t;
  ApplyZoneStep(t, ZoneChoice{.zone = 4});
  ApplyClockStep(t, ClockChoice{.useServer = false,
                                .serverHost = "ignored",
                                .month = 0,
                                .day = 30,
                                .year = 0,
                                .hour = 0,
                                .minute = 59,
                                .second = 7});
  Bytes b = Of(t);
  EXPECT_EQ(Le32(b, 44), 0);
  EXPECT_TRUE(AllZero(b, 48, 112)) << "no host name with the server off";
  EXPECT_EQ(Le32(b, 112), 1) << "month \"01\" sends 1";
  EXPECT_EQ(Le32(b, 116), 31);
  EXPECT_EQ(Le32(b, 120), 0) << "the first year, 2008, sends 0";
  EXPECT_EQ(Le32(b, 124), 0);
  EXPECT_EQ(Le32(b, 128), 59);
  EXPECT_EQ(Le32(b, 132), 7);

  // Back to sub-step 4 and on with the server: the manual fields stay.
  ApplyClockStep(t, ClockChoice{.useServer = true, .serverHost = "pool.ntp.org"});
  b = Of(t);
  EXPECT_EQ(Le32(b, 44), 1);
  EXPECT_EQ(Text(b, 48, 64), "pool.ntp.org");
  EXPECT_EQ(Le32(b, 116), 31);

  const Bytes item = BuildTimeItem(t);
  ASSERT_EQ(item.size(), kTimeItemPayloadSize);
  EXPECT_EQ(Hex(item, 0, 4), "0e008800") << "item 14, length 136";
  EXPECT_EQ(Bytes(item.begin() + 4, item.end()), b);
}

TEST(TimeItem, YearOutsideTheListSendsMinusOneAndLongHostsAreCut) {
  const ClockIndices now = IndicesForLocalTime(2031, 12, 24, 23, 5, 9);
  EXPECT_EQ(now.year, -1);
  EXPECT_EQ(now.month, 11);
  EXPECT_EQ(now.day, 23);
  EXPECT_EQ(IndicesForLocalTime(2027, 1, 1, 0, 0, 0).year, 19);
  EXPECT_EQ(IndicesForLocalTime(2007, 1, 1, 0, 0, 0).year, -1);

  TimeSettings t;
  ApplyClockStep(t, ClockChoice{.useServer = false, .month = now.month, .day = now.day, .year = now.year});
  Bytes b = Of(t);
  EXPECT_EQ(Hex(b, 120, 4), "ffffffff");

  ApplyClockStep(t, ClockChoice{.useServer = true, .serverHost = std::string(70, 'n')});
  b = Of(t);
  EXPECT_EQ(Text(b, 48, 64), std::string(63, 'n'));
  EXPECT_EQ(b[111], 0) << "the host keeps its NUL";
}

TEST(TimeLists, LabelsAndMemory) {
  EXPECT_EQ(HourLabel(0), "12 am");
  EXPECT_EQ(HourLabel(1), "1 am");
  EXPECT_EQ(HourLabel(11), "11 am");
  EXPECT_EQ(HourLabel(12), "12 pm");
  EXPECT_EQ(HourLabel(13), "1 pm");
  EXPECT_EQ(HourLabel(23), "11 pm");
  EXPECT_EQ(TimeZoneTextId(0), 204);
  EXPECT_EQ(TimeZoneTextId(kTimeZoneCount - 1), 228);
  EXPECT_EQ(ManualYearEntries().front(), "2008");
  EXPECT_EQ(ManualYearEntries().size(), 20u);
  EXPECT_EQ(ManualMonthEntries().front(), "01");
  EXPECT_EQ(ManualDayEntries().back(), "31");
  EXPECT_EQ(ManualHourEntries().front(), "0");
  EXPECT_EQ(ManualMinuteEntries().back(), "59");

  TimeStepMemory m;
  m.Keep(ZoneChoice{.zone = 9, .region = 1, .endHour = 5});
  m.timeServerIndex = 1;
  m.useTimeServer = false;
  EXPECT_EQ(m.AsZoneChoice(true).endHour, 5);
  // Next with daylight saving off still keeps the zone, and only the zone.
  m.KeepOnNext(ZoneChoice{.zone = 17, .region = 0, .endHour = 0});
  EXPECT_EQ(m.listIndex[0], 17);
  EXPECT_EQ(m.AsZoneChoice(true).endHour, 5);
  m.KeepOnNext(ZoneChoice{.zone = 3, .dst = true, .endHour = 7});
  EXPECT_EQ(m.AsZoneChoice(true).endHour, 7);
  m.Reset();
  EXPECT_EQ(m.listIndex[0], kDefaultTimeZone);
  EXPECT_EQ(m.listIndex[1], 0);
  EXPECT_EQ(m.listIndex[9], 0);
  EXPECT_EQ(m.timeServerIndex, 0);
  EXPECT_TRUE(m.useTimeServer);
}

IdentityFields SampleIdentity() {
  return IdentityFields{.name = "VBX-207",
                        .ip = "10.77.0.9",
                        .mac = "02:4b:56:00:00:01",
                        .netmask = "255.255.255.0",
                        .gateway = "10.77.0.254",
                        .workgroup = "WORKGROUP",
                        .description = "Storage"};
}

TEST(IdentityItem, RecordFieldsAtTheirOffsets) {
  const Bytes item = BuildIdentityItem(MakeIdentityRecord(SampleIdentity()));
  ASSERT_EQ(item.size(), kIdentityItemPayloadSize);
  EXPECT_EQ(Hex(item, 0, 4), "1100b100") << "item 17, length 177";
  const Bytes r(item.begin() + 4, item.end());
  EXPECT_EQ(Text(r, 0, 20), "VBX-207");
  EXPECT_EQ(Text(r, 20, 16), "10.77.0.9");
  EXPECT_EQ(Text(r, 36, 20), "02:4b:56:00:00:01");
  EXPECT_EQ(Text(r, 56, 16), "255.255.255.0");
  EXPECT_EQ(Text(r, 72, 16), "10.77.0.254");
  EXPECT_TRUE(AllZero(r, 88, 137));
  EXPECT_EQ(Text(r, 137, 20), "WORKGROUP");
  EXPECT_EQ(Text(r, 157, 20), "Storage");
  EXPECT_TRUE(AllZero(r, 164, 177)) << "padding is zero";
}

TEST(IdentityItem, LongTextsAreCutToNineteenBytesWithoutSplittingACharacter) {
  IdentityFields f = SampleIdentity();
  f.name = std::string(19, 'n');
  f.workgroup = std::string(30, 'w');
  f.description = std::string(18, 'd') + "\xe2\x82\xac";  // 18 + a three-byte euro sign
  const IdentityRecord r = MakeIdentityRecord(f);
  EXPECT_EQ(std::string(r.name, 20), std::string(19, 'n') + '\0') << "exactly 19 fits with its NUL";
  EXPECT_EQ(std::string(r.workgroup, 20), std::string(19, 'w') + '\0');
  EXPECT_EQ(std::string(r.description), std::string(18, 'd')) << "the euro sign would not fit whole";
  EXPECT_EQ(r.description[19], 0);
}

TEST(CommitItem, TwelveCharactersWithoutTerminator) {
  const Bytes c = BuildCommitItem();
  ASSERT_EQ(c.size(), kCommitItemPayloadSize);
  EXPECT_EQ(Hex(c, 0, 4), "10000c00");
  EXPECT_EQ(std::string(c.begin() + 4, c.end()), "nvram_commit");
}

TEST(IdentityReply, ReadsTheRecordFromReplyByteFive) {
  Bytes area(1024, 0);
  area[0] = 3;
  const IdentityRecord r = MakeIdentityRecord(SampleIdentity());
  std::memcpy(area.data() + 5, &r, sizeof r);
  IdentityFields got;
  ASSERT_TRUE(ParseIdentityReply(area.data(), area.size(), &got));
  EXPECT_EQ(got.ip, "10.77.0.9") << "reply-area offset 25";
  EXPECT_EQ(got.mac, "02:4b:56:00:00:01") << "offset 41";
  EXPECT_EQ(got.netmask, "255.255.255.0") << "offset 61";
  EXPECT_EQ(got.gateway, "10.77.0.254") << "offset 77";
  EXPECT_EQ(got.workgroup, "WORKGROUP") << "offset 142";
  EXPECT_EQ(got.description, "Storage") << "offset 162";
  EXPECT_EQ(got.name, "VBX-207");

  // A reply cut inside the netmask: what is there is read, the rest is empty.
  ASSERT_TRUE(ParseIdentityReply(area.data(), 64, &got));
  EXPECT_EQ(got.netmask, "255");
  EXPECT_EQ(got.workgroup, "");

  // Full-width fields without a NUL end at the field's end.
  std::memset(area.data() + 5, 'x', 20);
  ASSERT_TRUE(ParseIdentityReply(area.data(), area.size(), &got));
  EXPECT_EQ(got.name, std::string(20, 'x'));
  EXPECT_EQ(got.ip, "10.77.0.9");

  area[25] = 0;
  EXPECT_FALSE(ParseIdentityReply(area.data(), area.size(), &got)) << "an empty IP text is no read-back";
  EXPECT_FALSE(ParseIdentityReply(area.data(), 5, nullptr));
}

TEST(IdentityCheck, RefusesWhatWouldTakeTheApplianceOffTheNetwork) {
  using P = IdentityProblem;
  const std::vector<LocalAddress> own = {{"10.77.0.1", htonl(0x0A4D0001), "veth-pc", 2, 0}};
  const auto check = [&](std::string ip, std::string mask, std::string gateway) {
    IdentityFields f = SampleIdentity();
    f.ip = std::move(ip);
    f.netmask = std::move(mask);
    f.gateway = std::move(gateway);
    return CheckNetworkIdentity(f, own);
  };
  EXPECT_EQ(check("10.77.0.50", "255.255.255.0", "10.77.0.254"), P::kNone);
  EXPECT_EQ(check("10.77.0.50", "255.255.255.0", "0.0.0.0"), P::kNone) << "no gateway";
  EXPECT_EQ(check("10.77.0.50", "255.255.255.0", ""), P::kNone);
  EXPECT_EQ(check("0.0.0.0", "255.255.255.0", ""), P::kBadAddress);
  EXPECT_EQ(check("127.0.0.5", "255.0.0.0", ""), P::kBadAddress);
  EXPECT_EQ(check("224.0.0.1", "255.255.255.0", ""), P::kBadAddress);
  EXPECT_EQ(check("10.77.0", "255.255.255.0", ""), P::kBadAddress);
  EXPECT_EQ(check("10.77.0.50", "255.0.255.0", ""), P::kBadNetmask) << "a hole in the ones";
  EXPECT_EQ(check("10.77.0.50", "0.0.0.0", ""), P::kBadNetmask);
  EXPECT_EQ(check("10.77.0.0", "255.255.255.0", ""), P::kSubnetEdge);
  EXPECT_EQ(check("10.77.0.255", "255.255.255.0", ""), P::kSubnetEdge);
  EXPECT_EQ(check("10.77.0.255", "255.255.0.0", ""), P::kNone) << "inside a larger subnet";
  EXPECT_EQ(check("10.77.0.1", "255.255.255.0", ""), P::kOwnAddress);
  EXPECT_EQ(check("10.77.0.50", "255.255.255.0", "10.78.0.1"), P::kGatewayOutside);
  EXPECT_EQ(check("10.77.0.50", "255.255.255.0", "not.an.address"), P::kGatewayOutside);
  for (P p : {P::kBadAddress, P::kBadNetmask, P::kSubnetEdge, P::kOwnAddress, P::kGatewayOutside}) {
    EXPECT_NE(IdentityProblemMessage(p), 0);
  }
}

}  // namespace
}  // namespace sp
