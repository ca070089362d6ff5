#include "hoststorage/iscsicli/arguments.h"

#include <gtest/gtest.h>

#include <sstream>

namespace sp {
namespace {

TEST(Arguments, Numbers32ReadHexOnlyWhenWhollyHex) {
  EXPECT_EQ(ParseNumber32(u"3260"), 3260u);
  EXPECT_EQ(ParseNumber32(u"0x1F"), 0x1Fu);
  EXPECT_EQ(ParseNumber32(u"0Xff"), 0xFFu);
  EXPECT_EQ(ParseNumber32(u"0xg1"), 0u) << "0x then a non-digit reads as 0";
  EXPECT_EQ(ParseNumber32(u"0x1g"), 0u) << "any non-hex character spoils the whole value";
  EXPECT_EQ(ParseNumber32(u"0x"), 0u) << "just 0x is the decimal 0 followed by x";
  EXPECT_EQ(ParseNumber32(u"*"), 0u);
  EXPECT_EQ(ParseNumber32(u"12abc"), 12u) << "decimal stops at the first non-digit";
  EXPECT_EQ(ParseNumber32(u" +7"), 7u);
  EXPECT_EQ(ParseNumber32(u"-1"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseNumber32(u"99999999999"), 0x7FFFFFFFu) << "held to the signed range";
  EXPECT_EQ(ParseNumber32(u"-99999999999"), 0x80000000u);
}

TEST(Arguments, Numbers64) {
  EXPECT_EQ(ParseNumber64(u"0x0001000000000000"), 0x0001000000000000u);
  EXPECT_EQ(ParseNumber64(u"0x12zz"), 0x12u) << "hex stops at the first non-hex character";
  EXPECT_EQ(ParseNumber64(u"0xffffffffffffffff1"), UINT64_MAX);
  EXPECT_EQ(ParseNumber64(u"18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(ParseNumber64(u"99999999999999999999"), UINT64_MAX);
  EXPECT_EQ(ParseNumber64(u"42"), 42u);
}

TEST(Arguments, SessionIds) {
  const auto id = ParseSessionId(u"ffffe0000b4c5010-4000013700000002");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->adapterUnique, 0xffffe0000b4c5010u);
  EXPECT_EQ(id->adapterSpecific, 0x4000013700000002u);
  EXPECT_EQ(SessionIdText(*id), "ffffe0000b4c5010-4000013700000002");

  const auto prefixed = ParseSessionId(u"0x1-0X2");
  ASSERT_TRUE(prefixed);
  EXPECT_EQ(*prefixed, (IscsiUniqueSessionId{1, 2}));
  const auto longPart = ParseSessionId(u"123456789abcdef012-5");
  ASSERT_TRUE(longPart);
  EXPECT_EQ(longPart->adapterUnique, 0x123456789abcdef0u) << "digits beyond the sixteenth are ignored";

  for (const char16_t* bad : {u"", u"12345", u"1-", u"-1", u"0x-1", u"1-0x", u"g-1", u"1-2-3", u"1 -2"}) {
    EXPECT_FALSE(ParseSessionId(bad)) << std::u16string(bad).size();
  }
}

TEST(Arguments, TargetLunsAreExactlyEighteenCharacters) {
  EXPECT_EQ(ParseTargetLun(u"0x0001000000000000"), 0x0001000000000000u);
  EXPECT_EQ(ParseTargetLun(u"0XABCDEF0123456789"), 0xABCDEF0123456789u);
  EXPECT_FALSE(ParseTargetLun(u"0x000000000000000"));    // 17
  EXPECT_FALSE(ParseTargetLun(u"0x00000000000000000"));  // 19
  EXPECT_FALSE(ParseTargetLun(u"000000000000000000"));
  EXPECT_FALSE(ParseTargetLun(u"0x000000000000000g"));
}

TEST(Arguments, FlagsAndSecrets) {
  EXPECT_TRUE(ParseFlag(u"T"));
  EXPECT_TRUE(ParseFlag(u"t"));
  EXPECT_TRUE(ParseFlag(u"*"));
  EXPECT_FALSE(ParseFlag(u"F"));
  EXPECT_FALSE(ParseFlag(u"true"));

  std::vector<std::uint8_t> secret;
  EXPECT_TRUE(ParseSecret(u"0x6869", secret));
  EXPECT_EQ(secret, (std::vector<std::uint8_t>{0x68, 0x69}));
  EXPECT_TRUE(ParseSecret(u"abc", secret));
  EXPECT_EQ(secret, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_FALSE(ParseSecret(u"0x686", secret));
  EXPECT_TRUE(secret.empty());
  EXPECT_FALSE(ParseSecret(u"0x6g", secret));
  EXPECT_EQ(TextBytes(u"k", true), (std::vector<std::uint8_t>{'k', 0}));
}

TEST(Arguments, LoginOptionsSetOneMaskBitPerGivenValue) {
  const std::u16string all[] = {u"2", u"1", u"0", u"4", u"5", u"20", u"admin", u"0x6869", u"1"};
  const IscsiLoginOptions o = ParseLoginOptions(all);
  EXPECT_EQ(o.informationSpecified, 0xFFu) << "a given 0 is still given";
  EXPECT_EQ(o.loginFlags, 2u);
  EXPECT_EQ(o.headerDigest, 1u);
  EXPECT_EQ(o.maximumConnections, 4u);
  EXPECT_EQ(o.defaultTime2Wait, 5u);
  EXPECT_EQ(o.defaultTime2Retain, 20u);
  EXPECT_EQ(o.username, (std::vector<std::uint8_t>{'a', 'd', 'm', 'i', 'n'}));
  EXPECT_EQ(o.password, (std::vector<std::uint8_t>{'h', 'i'}));
  EXPECT_EQ(o.authType, 1u);

  const std::u16string some[] = {u"*", u"*", u"1", u"*", u"*", u"*", u"-", u"0x123", u"*"};
  const IscsiLoginOptions p = ParseLoginOptions(some);
  EXPECT_EQ(p.informationSpecified, 0x02u | 0x20 | 0x40) << "login flags have no bit";
  EXPECT_EQ(p.loginFlags, 0u);
  EXPECT_TRUE(p.username.empty()) << "- is an empty user name";
  EXPECT_TRUE(p.password.empty()) << "an odd hex password stays empty";
}

TEST(Arguments, MappingsShareOneBusAndTarget) {
  std::ostringstream out;
  IscsiTargetMapping m;
  const std::u16string two[] = {u"0x0000000000000000", u"0", u"3", u"0", u"0x0001000000000000", u"0", u"3", u"1"};
  ASSERT_EQ(ParseMappings(two, 2, m, out), 0u);
  EXPECT_EQ(m.osBusNumber, 0u);
  EXPECT_EQ(m.osTargetNumber, 3u);
  ASSERT_EQ(m.luns.size(), 2u);
  EXPECT_EQ(m.luns[1].targetLun, 0x0001000000000000u);
  EXPECT_EQ(m.luns[1].osLun, 1u);

  const std::u16string busDiffers[] = {u"0x0000000000000000", u"0", u"3", u"0",
                                       u"0x0001000000000000", u"1", u"3", u"1"};
  EXPECT_EQ(ParseMappings(busDiffers, 2, m, out), 87u);
  const std::u16string targetDiffers[] = {u"0x0000000000000000", u"0", u"3", u"0",
                                          u"0x0001000000000000", u"0", u"4", u"1"};
  EXPECT_EQ(ParseMappings(targetDiffers, 2, m, out), 87u);
  EXPECT_EQ(out.str(), "OSBus number must be the same for all LUNs\nOSTarget number must be the same for all LUNs\n");
}

}  // namespace
}  // namespace sp
