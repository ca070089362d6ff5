#include "pages/disk/core/diskinventory.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/pages/disk/diskrecords.h"
#include "wizardstate/wizardstate.h"

namespace sp {
namespace {

using disktest::DiskOfGb;
using disktest::MakeDisk;
using disktest::ReplyWith;

// Plays back one scripted reply (or none) per call and records the calls.
class ScriptedExchange : public IDeviceExchange {
 public:
  std::vector<std::optional<std::vector<std::uint8_t>>> script;
  std::vector<std::uint8_t> commands;
  std::vector<std::string> macs;
  std::vector<std::size_t> payloadLengths;

  int SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t*, std::size_t payloadLength,
                        std::uint8_t* replyArea) override {
    const std::size_t call = commands.size();
    commands.push_back(command);
    macs.emplace_back(targetMac);
    payloadLengths.push_back(payloadLength);
    if (call >= script.size() || !script[call]) return 0;
    const auto& reply = *script[call];
    std::fill(replyArea, replyArea + kReplyAreaSize, 0);
    std::copy(reply.begin(), reply.end(), replyArea);
    return static_cast<int>(22 + reply.size());
  }
};

TEST(DiskRecord, FieldsAndCapacityRounding) {
  const DiskRecord d = MakeDisk("Seagate", "ST31000528AS", "9VP1ABCD", '0', 953869);
  EXPECT_TRUE(d.Present());
  EXPECT_EQ(d.Manufacturer(), "Seagate");
  EXPECT_EQ(d.Model(), "ST31000528AS");
  EXPECT_EQ(d.SerialNumber(), "9VP1ABCD");
  EXPECT_EQ(d.CapacityMb(), 953869u);
  EXPECT_EQ(d.CapacityGb(), 931);

  // The capacity is MB >> 10: remainders are dropped.
  EXPECT_EQ(MakeDisk("a", "", "", '0', 1023).CapacityGb(), 0);
  EXPECT_EQ(MakeDisk("a", "", "", '0', 1024).CapacityGb(), 1);
  EXPECT_EQ(MakeDisk("a", "", "", '0', 2047).CapacityGb(), 1);
  // The largest capacity still fits the signed GB count.
  EXPECT_EQ(MakeDisk("a", "", "", '0', 0xFFFFFFFFu).CapacityGb(), 4194303);
}

TEST(DiskRecord, ListRowAndSummaryLine) {
  const DiskRecord left = MakeDisk("WDC", "WD5000AAKS", "WCAS123", '0', 476940);
  const auto row = DiskListRow(left);
  EXPECT_EQ(row, (std::array<std::string, 5>{"L", "WDC", "WD5000AAKS", "WCAS123", "465GB"}));
  // Any bay character other than '0' is the right bay, including '1' and NUL.
  EXPECT_EQ(DiskListRow(MakeDisk("WDC", "", "", '1', 1024))[0], "R");
  EXPECT_EQ(DiskListRow(MakeDisk("WDC", "", "", '\0', 1024))[0], "R");
  EXPECT_EQ(DiskListRow(MakeDisk("WDC", "", "", '0', 1023))[4], "0GB");

  EXPECT_EQ(DiskSummaryLine(left), "<font face=Arial size=4 color=white><b>WDC, WCAS123, 465 GB</b></font>");
  // Sixteen bytes from the appliance cannot carry markup into the page: a
  // link, a tag or an entity shows as written.
  const DiskRecord sly = MakeDisk("<a href=x>W</a>", "", "&amp;lt;b&gt;", '0', 1024);
  EXPECT_EQ(DiskSummaryLine(sly),
            "<font face=Arial size=4 color=white><b>&lt;a href=x>W&lt;/a>, &<x>amp;lt;b&<x>gt;, 1 GB</b></font>");
}

TEST(DiskRecord, FullWidthAndInvalidTextsStayInTheirField) {
  // 16 bytes without a NUL end at the field's end, not in the next field.
  const DiskRecord d = MakeDisk("ABCDEFGHIJKLMNOP", "QRSTUVWXYZ012345", "serial", '0', 1024);
  EXPECT_EQ(d.Manufacturer(), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(d.Model(), "QRSTUVWXYZ012345");
  // Bytes that are not UTF-8 are shown as replacement characters.
  const DiskRecord bad = MakeDisk("Caf\xE9", "", "", '0', 1024);
  EXPECT_EQ(bad.Manufacturer(), "Caf\xEF\xBF\xBD");
}

TEST(DiskInventory, SlotsPresenceAndDuplicates) {
  const DiskRecord a = DiskOfGb(465, '0', "A");
  const DiskRecord b = DiskOfGb(931, '1', "B");

  auto both = ReplyWith(&a, &b);
  DiskInventory inv = ParseDiskInventory(both.data());
  EXPECT_EQ(inv.diskCount, 2);
  EXPECT_EQ(inv.first, a);
  EXPECT_EQ(inv.second, b);

  // The same disk reported in both slots counts once.
  auto twice = ReplyWith(&a, &a);
  inv = ParseDiskInventory(twice.data());
  EXPECT_EQ(inv.diskCount, 1);
  EXPECT_EQ(inv.first, a);
  EXPECT_FALSE(inv.second.Present());

  // Differing in one byte beyond the fields that are read still makes two.
  DiskRecord a2 = a;
  a2.bytes[59] ^= 1;
  auto nearly = ReplyWith(&a, &a2);
  EXPECT_EQ(ParseDiskInventory(nearly.data()).diskCount, 2);

  // A slot whose first byte is NUL is no disk, whatever else it holds.
  DiskRecord ghost = b;
  ghost.bytes[0] = 0;
  auto withGhost = ReplyWith(&ghost, &ghost);
  EXPECT_EQ(ParseDiskInventory(withGhost.data()).diskCount, 0);
}

TEST(DiskInventory, OnlyTheSecondSlotFilledMovesThatDiskFirst) {
  const DiskRecord b = DiskOfGb(931, '1', "B");
  auto area = ReplyWith(nullptr, &b);
  const DiskInventory inv = ParseDiskInventory(area.data());
  EXPECT_EQ(inv.diskCount, 1);
  EXPECT_EQ(inv.first, b);
  EXPECT_FALSE(inv.second.Present());
  EXPECT_EQ(DiskListRow(inv.first)[0], "R");
  EXPECT_EQ(inv.first.CapacityGb(), 931);
}

TEST(QueryDisks, SendsFiveQueriesAndTheLastReplyWins) {
  const DiskRecord a = DiskOfGb(465, '0', "A");
  const DiskRecord b = DiskOfGb(931, '1', "B");
  ScriptedExchange ex;
  ex.script = {ReplyWith(&a, &b), std::nullopt, ReplyWith(&b, nullptr), std::nullopt, std::nullopt};
  const DiskInventory inv = QueryDisks(ex, "00:11:22:aa:bb:cc");
  ASSERT_EQ(ex.commands.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(ex.commands[i], kCmdQueryDisks);
    EXPECT_EQ(ex.macs[i], "00:11:22:aa:bb:cc");
    EXPECT_EQ(ex.payloadLengths[i], 0u);
  }
  // The third reply was the last one received; later silence leaves it.
  EXPECT_EQ(inv.diskCount, 1);
  EXPECT_EQ(inv.first, b);
}

TEST(QueryDisks, QueriesEvenAfterAnEarlyReplyAndReadsZerosWithoutOne) {
  const DiskRecord a = DiskOfGb(465);
  ScriptedExchange answered;
  answered.script = {ReplyWith(&a, nullptr)};
  EXPECT_EQ(QueryDisks(answered, kBroadcastMac).diskCount, 1);
  EXPECT_EQ(answered.commands.size(), 5u);

  ScriptedExchange silent;
  const DiskInventory none = QueryDisks(silent, kBroadcastMac);
  EXPECT_EQ(silent.commands.size(), 5u);
  EXPECT_EQ(none.diskCount, 0);
  EXPECT_FALSE(none.first.Present());
}

}  // namespace
}  // namespace sp
