#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "devicelink/datagram.h"
#include "devicelink/devicerowmodel.h"
#include "devicelink/discoveryreply.h"

namespace sp {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kQuery = BuildRequest(kBroadcastMac, kCmdQueryIdentity, nullptr, 0);

// A command-0 reply as an appliance sends it: header with the all-ones MAC,
// code 3, four bytes, the identity record (name, IP, MAC ...).
Bytes IdentityReply(const std::string& name, const std::string& ip, const std::string& mac,
                    const std::string& header = "@k#v$ff:ff:ff:ff:ff:ff") {
  Bytes d(27 + 177, 0);
  std::memcpy(d.data(), header.data(), std::min<std::size_t>(header.size(), 22));
  d[22] = kReplyAccepted;
  std::memcpy(d.data() + 27, name.data(), std::min<std::size_t>(name.size(), 20));
  std::memcpy(d.data() + 47, ip.data(), std::min<std::size_t>(ip.size(), 16));
  std::memcpy(d.data() + 63, mac.data(), std::min<std::size_t>(mac.size(), 20));
  return d;
}

bool Add(DeviceRowModel& m, const Bytes& d) {
  return AddDiscoveryReply(m, kQuery.data(), kQuery.size(), d.data(), d.size());
}

std::string Mac(int i) { return Format("00:1c:c0:00:00:%02x", i); }

TEST(DiscoveryReplyTest, RowsKeepAnswerOrderAndRepeatedAnswersAddNothing) {
  DeviceRowModel m;
  EXPECT_TRUE(Add(m, IdentityReply("second", "10.77.0.3", Mac(2))));
  EXPECT_TRUE(Add(m, IdentityReply("first", "10.77.0.2", Mac(1))));
  EXPECT_FALSE(Add(m, IdentityReply("second again", "10.77.0.9", Mac(2))));
  ASSERT_EQ(m.RowCount(), 2);
  EXPECT_EQ(m.rows()[0].name, u"second");
  EXPECT_EQ(m.rows()[0].ip, u"10.77.0.3");
  EXPECT_EQ(m.rows()[0].mac, Utf8ToUtf16(Mac(2)));
  EXPECT_EQ(m.rows()[1].name, u"first");
}

TEST(DiscoveryReplyTest, OnlyTheFirstTwentyRowsAreSearched) {
  DeviceRowModel m;
  for (int i = 0; i < 21; ++i) ASSERT_TRUE(Add(m, IdentityReply("nas", "10.0.0.1", Mac(i))));
  // Rows 0..19 are found ...
  EXPECT_FALSE(Add(m, IdentityReply("nas", "10.0.0.1", Mac(0))));
  EXPECT_FALSE(Add(m, IdentityReply("nas", "10.0.0.1", Mac(19))));
  // ... row 20 is not, so its appliance is listed again.
  EXPECT_TRUE(Add(m, IdentityReply("nas", "10.0.0.1", Mac(20))));
  EXPECT_EQ(m.RowCount(), 22);
  EXPECT_EQ(m.rows()[21].mac, Utf8ToUtf16(Mac(20)));
}

TEST(DiscoveryReplyTest, RepliesThatAreNotDiscoveryAnswersAreIgnored) {
  DeviceRowModel m;
  // The PC's own query.
  EXPECT_FALSE(Add(m, kQuery));
  // Answered with the appliance's own MAC in the header instead of all ones.
  EXPECT_FALSE(Add(m, IdentityReply("nas", "10.0.0.1", Mac(1), "@k#v$" + Mac(1))));
  // No MAC text in the record.
  EXPECT_FALSE(Add(m, IdentityReply("nas", "10.0.0.1", "")));
  // Cut before the record: the MAC field reads empty.
  Bytes cut = IdentityReply("nas", "10.0.0.1", Mac(1));
  cut.resize(63);
  EXPECT_FALSE(Add(m, cut));
  EXPECT_EQ(m.RowCount(), 0);
}

TEST(DiscoveryReplyTest, FieldsAreReadWithinTheirWidths) {
  DeviceRowModel m;
  // A name filling all 20 bytes runs into the IP field in memory: it is cut
  // at its field; the MAC field's text counts over 17 characters only.
  ASSERT_TRUE(Add(m, IdentityReply("NAME-OF-TWENTY-CHARS", "192.168.100.200", Mac(7) + "xyz")));
  EXPECT_EQ(m.rows()[0].name, u"NAME-OF-TWENTY-CHARS");
  EXPECT_EQ(m.rows()[0].ip, u"192.168.100.200");
  EXPECT_EQ(m.rows()[0].mac, Utf8ToUtf16(Mac(7)));
  EXPECT_FALSE(Add(m, IdentityReply("other", "1.2.3.4", Mac(7) + "abc")));
  // Narrow text is UTF-8.
  ASSERT_TRUE(Add(m, IdentityReply("B\xc3\xbcro", "1.2.3.4", Mac(8))));
  EXPECT_EQ(m.rows()[1].name, u"B\u00fcro");
}

}  // namespace
}  // namespace sp
