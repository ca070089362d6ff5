// Command blocks and the parsers of what a target sends back.
#include <gtest/gtest.h>

#include "tools/iscsid/discovery.h"
#include "tools/iscsid/scsiformat.h"

namespace sp::iscsid {
namespace {

TEST(ScsiFormat, ReadAndWriteUseTheShortFormWhileItFits) {
  EXPECT_EQ(CdbRead(0, 1), (Bytes{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(CdbWrite(0x01020304, 0x0506), (Bytes{0x2A, 0, 1, 2, 3, 4, 0, 5, 6, 0}));
  // The last block of a 10-byte command is LBA 0xFFFFFFFF.
  EXPECT_EQ(CdbRead(0xFFFFFFFFull, 1).size(), 10u);
  EXPECT_EQ(CdbRead(0xFFFFFFFFull, 2).size(), 16u) << "would run past the 32-bit address space";
  EXPECT_EQ(CdbRead(0, 0x10000).size(), 16u) << "more blocks than a 16-bit count";
  const Bytes long16 = CdbWrite(0x0000000100000000ull, 8);
  ASSERT_EQ(long16.size(), 16u);
  EXPECT_EQ(long16[0], 0x8A);
  EXPECT_EQ(long16[5], 1);   // LBA bit 32
  EXPECT_EQ(long16[13], 8);  // count
  EXPECT_EQ(CdbSynchronizeCache(0, 0), (Bytes{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(CdbInquiry(false, 0, 255), (Bytes{0x12, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(CdbReportLuns(0x1234)[8], 0x12);
}

TEST(ScsiFormat, ReadCapacityReplies) {
  bool needs16 = true;
  auto c = ParseReadCapacity10({0, 0, 0x1F, 0xFF, 0, 0, 2, 0}, &needs16);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->blocks, 0x2000u);
  EXPECT_EQ(c->blockSize, 512u);
  EXPECT_FALSE(needs16);
  EXPECT_TRUE(ParseReadCapacity10({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0}, &needs16));
  EXPECT_TRUE(needs16) << "an all-ones last LBA sends us to the 16-byte form";
  EXPECT_FALSE(ParseReadCapacity10({0, 0, 0, 1, 0, 0, 0, 0})) << "block size 0";
  EXPECT_FALSE(ParseReadCapacity10({0, 0, 0, 1, 0, 0, 2}));
  Bytes rc16(32, 0);
  rc16[3] = 1;  // last LBA 0x100000000: beyond what the 10-byte form can tell
  rc16[10] = 0x10;
  c = ParseReadCapacity16(rc16);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->blocks, 0x100000001ull);
  EXPECT_EQ(c->blockSize, 4096u);
  EXPECT_FALSE(ParseReadCapacity16(Bytes(11, 0)));
}

TEST(ScsiFormat, ReportLunsTrustsNeitherLengthAlone) {
  Bytes data = {0, 0, 0, 24, 0, 0, 0, 0};
  data.insert(data.end(), {0, 0, 0, 0, 0, 0, 0, 0});        // LUN 0
  data.insert(data.end(), {0, 1, 0, 0, 0, 0, 0, 0});        // LUN 1
  data.insert(data.end(), {0x40, 0x10, 0, 0, 0, 0, 0, 0});  // flat LUN 16
  EXPECT_EQ(ParseReportLuns(data).size(), 3u);
  data[3] = 16;  // the list says two
  EXPECT_EQ(ParseReportLuns(data).size(), 2u);
  data[3] = 200;  // the list says more than arrived
  EXPECT_EQ(ParseReportLuns(data).size(), 3u);
  data.resize(8 + 8 + 5);  // a cut entry is dropped
  EXPECT_EQ(ParseReportLuns(data).size(), 1u);
  EXPECT_TRUE(ParseReportLuns({0, 0, 0}).empty());
}

TEST(ScsiFormat, LunNumbersAndFields) {
  for (std::uint32_t lun : {0u, 1u, 255u, 256u, 0x3FFFu}) {
    EXPECT_EQ(LunNumberFromField(LunFieldFromNumber(lun)), lun) << lun;
  }
  EXPECT_EQ(LunFieldFromNumber(1), 0x0001000000000000ull);
  EXPECT_EQ(LunFieldFromNumber(300), 0x412C000000000000ull);
  EXPECT_FALSE(LunNumberFromField(0x0101000000000000ull)) << "peripheral addressing on bus 1";
  EXPECT_FALSE(LunNumberFromField(0x0001000100000000ull)) << "second level";
  EXPECT_FALSE(LunNumberFromField(0x8001000000000000ull)) << "logical unit addressing";
}

TEST(ScsiFormat, InquiryAndSense) {
  Bytes inquiry(36, ' ');
  inquiry[0] = 0x00;
  std::copy_n("KORVA   ", 8, inquiry.begin() + 8);
  const auto info = ParseInquiry(inquiry);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->vendor, "KORVA   ");
  EXPECT_EQ(info->deviceType, 0);
  inquiry[0] = 0x7F;
  EXPECT_EQ(ParseInquiry(inquiry)->qualifier, 3);
  EXPECT_FALSE(ParseInquiry(Bytes(35, 0)));

  Bytes fixed(18, 0);
  fixed[0] = 0xF0;  // valid bit plus current fixed format
  fixed[2] = 0x16;  // ILI plus UNIT ATTENTION
  fixed[12] = 0x29;
  const auto sense = ParseSense(fixed);
  ASSERT_TRUE(sense);
  EXPECT_EQ(sense->key, 6);
  EXPECT_EQ(sense->asc, 0x29);
  EXPECT_EQ(ParseSense({0x72, 0x05, 0x24, 0x00})->key, 5);
  EXPECT_FALSE(ParseSense({0x70, 0, 6}));
  EXPECT_FALSE(ParseSense({0x7F, 0, 0, 0}));
}

TEST(TargetAddress, FormsASendTargetsReplyUses) {
  auto p = ParseTargetAddress("10.77.0.2:3260,1");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->address, "10.77.0.2");
  EXPECT_EQ(p->port, 3260);
  EXPECT_EQ(p->group, 1);
  p = ParseTargetAddress("[fe80::1]:3261,7");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->address, "fe80::1");
  EXPECT_EQ(p->port, 3261);
  EXPECT_EQ(p->group, 7);
  p = ParseTargetAddress("nas.local");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->port, 3260) << "the well-known port when none is given";
  for (const char* bad : {"", ":3260", "a:", "a:70000", "a:1,", "a:1,x", "[fe80::1", "[fe80::1]x", "fe80::1", "[]:1"}) {
    EXPECT_FALSE(ParseTargetAddress(bad)) << bad;
  }
  EXPECT_EQ(PortalText("10.0.0.1", 3260), "10.0.0.1:3260");
  EXPECT_EQ(PortalText("fe80::1", 3260), "[fe80::1]:3260");
}

}  // namespace
}  // namespace sp::iscsid
