#include "devicelink/datagram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace sp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A reply as an appliance sends it: the request's 22-byte header, a reply
// code, four header bytes, the data.
Bytes Reply(const Bytes& request, std::uint8_t code, const std::string& data = "", std::size_t length = 0) {
  Bytes d(request.begin(), request.begin() + 22);
  d.push_back(code);
  d.insert(d.end(), {0x11, 0x22, 0x33, 0x44});
  d.insert(d.end(), data.begin(), data.end());
  if (length) d.resize(length, 0x5a);
  return d;
}

bool Accepts(const Bytes& request, const Bytes& d) {
  return IsReplyTo(request.data(), request.size(), d.data(), d.size());
}

TEST(RequestTest, LayoutIsMagicMacCommandPayload) {
  const std::uint8_t payload[] = {9, 0, 8};
  const Bytes r = BuildRequest("00:11:22:aa:bb:cc", 7, payload, sizeof payload);
  ASSERT_EQ(r.size(), 26u);
  EXPECT_EQ(std::string(r.begin(), r.begin() + 22), "@k#v$00:11:22:aa:bb:cc");
  EXPECT_EQ(r[22], 7);
  EXPECT_EQ(Bytes(r.begin() + 23, r.end()), Bytes({9, 0, 8}));

  // No payload: exactly 23 bytes; the discovery request is the 22 characters
  // and one zero byte.
  const Bytes discovery = BuildRequest(kBroadcastMac, kCmdQueryIdentity, nullptr, 0);
  EXPECT_EQ(discovery, FromText(std::string("@k#v$ff:ff:ff:ff:ff:ff") + '\0'));
}

TEST(RequestTest, MacTextIsCutAtSeventeenAndZeroPadded) {
  const Bytes longer = BuildRequest("00:11:22:33:44:55:66", 0, nullptr, 0);
  EXPECT_EQ(std::string(longer.begin() + 5, longer.begin() + 22), "00:11:22:33:44:55");
  EXPECT_EQ(longer[22], 0);

  const Bytes shorter = BuildRequest("ab", 9, nullptr, 0);
  EXPECT_EQ(std::string(shorter.begin() + 5, shorter.begin() + 7), "ab");
  for (int i = 7; i < 22; ++i) EXPECT_EQ(shorter[i], 0) << i;
  EXPECT_EQ(shorter[22], 9);

  EXPECT_EQ(BuildRequest(nullptr, 1, nullptr, 0).size(), 23u);
}

TEST(RequestTest, ItemPayloadIsLittleEndianCodeLengthThenData) {
  const Bytes p = BuildItemPayload(kItemIdentity, "xyz", 3);
  EXPECT_EQ(p, Bytes({17, 0, 3, 0, 'x', 'y', 'z'}));
  const Bytes big = BuildItemPayload(0x1234, nullptr, 0x0102);
  ASSERT_EQ(big.size(), 4u + 0x0102);
  EXPECT_EQ(Bytes(big.begin(), big.begin() + 4), Bytes({0x34, 0x12, 0x02, 0x01}));
}

TEST(ReplyConditionsTest, EachConditionAloneRejects) {
  const std::uint8_t payload[] = {17, 0, 4, 0, 1, 2, 3, 4};
  const Bytes request = BuildRequest("00:11:22:aa:bb:cc", kCmdSetItem, payload, sizeof payload);
  const Bytes good = Reply(request, kReplyAccepted);
  EXPECT_TRUE(Accepts(request, good));

  // 1: length 0.
  EXPECT_FALSE(IsReplyTo(request.data(), request.size(), good.data(), 0));
  // 2: the PC's own broadcast coming back.
  EXPECT_FALSE(Accepts(request, request));
  // 3: first byte zero (the rest equal to a good reply).
  Bytes zeroFirst = good;
  zeroFirst[0] = 0;
  EXPECT_FALSE(Accepts(request, zeroFirst));
  // 4: another MAC text (the appliance's own instead of the requested).
  Bytes otherMac = good;
  std::memcpy(otherMac.data() + 5, "00:11:22:aa:bb:cd", 17);
  EXPECT_FALSE(Accepts(request, otherMac));
  Bytes otherMagic = good;
  otherMagic[3] = 'w';
  EXPECT_FALSE(Accepts(request, otherMagic));
}

TEST(ReplyConditionsTest, LengthLimitIsTheReceiveBuffer) {
  const Bytes request = BuildRequest(kBroadcastMac, kCmdQueryIdentity, nullptr, 0);
  EXPECT_TRUE(Accepts(request, Reply(request, kReplyAccepted, "", 8191)));
  EXPECT_FALSE(Accepts(request, Reply(request, kReplyAccepted, "", 8192)));
  EXPECT_FALSE(Accepts(request, Reply(request, kReplyAccepted, "", 9000)));
  EXPECT_TRUE(Accepts(request, Reply(request, 1, "", 23)));
  // The bare 22-byte header: for command 0 it is the own broadcast cut
  // short; for command 9 it differs from the request at byte 22 and counts.
  EXPECT_FALSE(Accepts(request, Reply(request, 1, "", 22)));
  const Bytes disks = BuildRequest(kBroadcastMac, kCmdQueryDisks, nullptr, 0);
  EXPECT_TRUE(Accepts(disks, Reply(disks, 1, "", 22)));
}

TEST(ReplyConditionsTest, ComparisonStopsAtTheFirstCommonZero) {
  // A reply of code 0 to command 0 equals the request up to the request's
  // first zero byte: it passes for the own broadcast and is ignored.
  const Bytes query = BuildRequest(kBroadcastMac, kCmdQueryIdentity, nullptr, 0);
  EXPECT_FALSE(Accepts(query, Reply(query, 0, "data after the zero")));
  // Code 0 to another command differs at byte 22 and is a reply (refused).
  const Bytes login = BuildRequest(kBroadcastMac, kCmdLoginCheck, nullptr, 0);
  EXPECT_TRUE(Accepts(login, Reply(login, 0)));

  // A short MAC text ends both comparisons at its terminating zero: a
  // datagram that repeats the header up to there is taken for the own
  // broadcast, whatever follows, so no reply to it can ever be accepted.
  const Bytes shortMac = BuildRequest("ab", kCmdQueryDisks, nullptr, 0);
  Bytes d = FromText("@k#v$ab");
  d.push_back(0);
  d.insert(d.end(), {kReplyAccepted, 'Y', 'Z'});
  EXPECT_FALSE(Accepts(shortMac, d));
  EXPECT_FALSE(Accepts(shortMac, FromText("@k#v$abc")));

  // A datagram that repeats a request with payload up to the request's first
  // zero byte counts as the own broadcast even though it goes on differently.
  const std::uint8_t payload[] = {15, 0, 32, 0};
  const Bytes set = BuildRequest(kBroadcastMac, kCmdSetItem, payload, sizeof payload);
  Bytes echo(set.begin(), set.begin() + 25);  // ... 2, 15, 0
  echo.insert(echo.end(), {'n', 'e', 'w'});
  EXPECT_FALSE(Accepts(set, echo));
  // Bytes past the datagram's end count as zero.
  const Bytes cut(set.begin(), set.begin() + 24);  // ends after the item code's 15
  EXPECT_FALSE(Accepts(set, cut));
}

TEST(ReplyAreaTest, CopiesFromByte22AtMost1024Bytes) {
  const Bytes request = BuildRequest(kBroadcastMac, kCmdQueryDisks, nullptr, 0);
  Bytes big = Reply(request, kReplyAccepted, "", 1100);
  for (std::size_t i = 23; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  std::uint8_t area[kReplyAreaSize + 16];
  std::memset(area, 0xee, sizeof area);
  CopyReplyArea(big.data(), big.size(), area);
  EXPECT_EQ(area[0], kReplyAccepted);
  EXPECT_EQ(0, std::memcmp(area, big.data() + 22, kReplyAreaSize));  // bytes 22..1045
  EXPECT_EQ(area[kReplyAreaSize], 0xee) << "nothing written past the area";

  // A short reply clears the rest of the area.
  const Bytes small = Reply(request, kReplyAccepted, "42");
  CopyReplyArea(small.data(), small.size(), area);
  EXPECT_EQ(area[0], kReplyAccepted);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(area) + 5), "42");
  for (std::size_t i = 7; i < kReplyAreaSize; ++i) ASSERT_EQ(area[i], 0) << i;
}

TEST(DatagramTextTest, StopsAtZeroFieldEndOrDatagramEnd) {
  const Bytes d = FromText("abcdefgh");
  EXPECT_EQ(DatagramText(d.data(), d.size(), 2, 3), "cde");
  EXPECT_EQ(DatagramText(d.data(), d.size(), 6, 10), "gh");
  EXPECT_EQ(DatagramText(d.data(), d.size(), 20, 10), "");
  const Bytes z = {'a', 'b', 0, 'c'};
  EXPECT_EQ(DatagramText(z.data(), z.size(), 0, 4), "ab");
}

}  // namespace
}  // namespace sp
