// Byte I/O over block commands: whatever offsets and lengths come in, the
// disk ends up as if written byte by byte, and failures surface as errno.
#include "tools/iscsid/lundevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <thread>

#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/lunscan.h"

namespace sp::iscsid {
namespace {

using testing::FakeScsiTarget;

struct Fixture {
  explicit Fixture(std::uint64_t blocks = 2048, std::uint32_t blockSize = 512) {
    target = std::make_shared<FakeScsiTarget>();
    target->AddDisk(1, {blocks, blockSize, "KORVA"});
    LunIdentity identity;
    identity.lun = 1;
    identity.capacity = {blocks, blockSize};
    device = std::make_shared<LunDevice>(target, identity);
  }
  std::shared_ptr<FakeScsiTarget> target;
  std::shared_ptr<LunDevice> device;
};

TEST(LunDevice, RandomUnalignedWritesMatchAPlainByteArray) {
  Fixture f(256, 512);
  Bytes model(256 * 512, 0);
  std::mt19937 random(42);
  for (int round = 0; round < 300; ++round) {
    const std::uint64_t offset = random() % model.size();
    const std::size_t length = 1 + random() % 3000;
    Bytes data(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    const long written = f.device->Write(offset, length, data.data());
    const std::size_t expected = std::min<std::size_t>(length, model.size() - offset);
    ASSERT_EQ(written, static_cast<long>(expected));
    std::copy_n(data.begin(), expected, model.begin() + static_cast<long>(offset));
  }
  Bytes back(model.size());
  ASSERT_EQ(f.device->Read(0, back.size(), back.data()), static_cast<long>(back.size()));
  EXPECT_EQ(back, model);
  // And unaligned reads see the same bytes.
  Bytes piece(777);
  ASSERT_EQ(f.device->Read(1001, piece.size(), piece.data()), 777);
  EXPECT_TRUE(std::equal(piece.begin(), piece.end(), model.begin() + 1001));
}

TEST(LunDevice, EndOfDiskBoundsBothDirections) {
  Fixture f(8, 512);
  Bytes buf(4096, 0xAB);
  EXPECT_EQ(f.device->Read(4096, 10, buf.data()), 0) << "reading at the end gives end of file";
  EXPECT_EQ(f.device->Read(4000, 500, buf.data()), 96);
  const Bytes ab(100, 0xAB);
  EXPECT_EQ(f.device->Write(4096, 10, ab.data()), -ENOSPC);
  EXPECT_EQ(f.device->Write(4090, 100, ab.data()), 6) << "a write is cut at the end of the disk";
  EXPECT_EQ(f.target->BlockOf(1, 7)[511], 0xAB);
}

TEST(LunDevice, LargeTransfersAreSplitAndFarBlocksUseSixteenByteCommands) {
  Fixture f(0x200000000ull, 512);  // 4 TiB, sparse
  std::vector<std::size_t> sizes;
  std::vector<std::size_t> cdbLengths;
  f.target->observe = [&](const ScsiCommand& c) {
    sizes.push_back(c.direction == ScsiDirection::kIn ? c.inLength : c.outLength);
    cdbLengths.push_back(c.cdb.size());
  };
  Bytes big(3 * kMaxTransferBytes + 512, 1);
  ASSERT_EQ(f.device->Write(0, big.size(), big.data()), static_cast<long>(big.size()));
  for (std::size_t s : sizes) EXPECT_LE(s, kMaxTransferBytes);
  EXPECT_EQ(sizes.size(), 4u);
  cdbLengths.clear();
  const std::uint64_t far = 0x1FFFFFFF0ull * 512;
  Bytes tail(512, 7);
  ASSERT_EQ(f.device->Write(far + 100, 512, tail.data()), 512);
  for (std::size_t n : cdbLengths) EXPECT_EQ(n, 16u);
  Bytes back(512);
  ASSERT_EQ(f.device->Read(far + 100, 512, back.data()), 512);
  EXPECT_EQ(back, tail);
}

TEST(LunDevice, FailuresBecomeEioAndUnitAttentionsAreRepeated) {
  Fixture f;
  Bytes buf(512, 3);
  f.target->unitAttentions = 2;  // a target that just came back
  EXPECT_EQ(f.device->Write(0, 512, buf.data()), 512);
  EXPECT_EQ(f.device->Flush(), 0);
  f.target->failTransport = true;
  EXPECT_EQ(f.device->Read(0, 512, buf.data()), -EIO);
  EXPECT_EQ(f.device->Write(10, 20, buf.data()), -EIO);
  EXPECT_EQ(f.device->Flush(), -EIO);
  f.target->failTransport = false;
  f.target->unitAttentions = 10;  // never settles
  EXPECT_EQ(f.device->Read(0, 512, buf.data()), -EIO);
  f.target->unitAttentions = 0;
  f.device->Detach();
  const int before = f.target->commands();
  EXPECT_EQ(f.device->Read(0, 512, buf.data()), -EIO);
  EXPECT_EQ(f.target->commands(), before) << "a detached LUN sends nothing";
}

TEST(LunDevice, ConcurrentPartialWritesToSharedBlocksLoseNothing) {
  Fixture f(16, 512);
  // Eight writers, each owning every eighth byte of the first four blocks,
  // each byte written on its own: every write is a read-merge-write of a
  // block the others are writing too.
  std::vector<std::thread> writers;
  for (int w = 0; w < 8; ++w) {
    writers.emplace_back([&, w] {
      for (std::size_t at = static_cast<std::size_t>(w); at < 2048; at += 8) {
        const std::uint8_t value = static_cast<std::uint8_t>(w + 1);
        ASSERT_EQ(f.device->Write(at, 1, &value), 1);
      }
    });
  }
  for (auto& t : writers) t.join();
  Bytes back(2048);
  ASSERT_EQ(f.device->Read(0, back.size(), back.data()), 2048);
  for (std::size_t at = 0; at < back.size(); ++at) ASSERT_EQ(back[at], at % 8 + 1) << at;
}

TEST(LunScan, FindsDisksSkipsTheControllerAndHandlesOddTargets) {
  FakeScsiTarget target;
  target.AddDisk(1, {4096, 512, "KORVA"});
  target.AddDisk(3, {0x100000010ull, 512, "OTHER"});  // needs READ CAPACITY(16)
  std::vector<LunIdentity> luns;
  ASSERT_TRUE(ScanLuns(target, luns));
  ASSERT_EQ(luns.size(), 2u);
  EXPECT_EQ(luns[0].lun, 1u);
  EXPECT_EQ(luns[0].lunField, 0x0001000000000000ull);
  EXPECT_EQ(luns[0].capacity.blocks, 4096u);
  EXPECT_GE(luns[0].inquiry.size(), 36u);
  EXPECT_EQ(std::string(luns[0].inquiry.begin() + 8, luns[0].inquiry.begin() + 16), "KORVA   ");
  EXPECT_EQ(luns[1].capacity.blocks, 0x100000010ull);

  // A target without REPORT LUNS is asked about LUN 0 alone.
  FakeScsiTarget plain;
  plain.reportLunsUnsupported = true;
  plain.AddDisk(0, {64, 4096, "KORVA"});
  ASSERT_TRUE(ScanLuns(plain, luns));
  ASSERT_EQ(luns.size(), 1u);
  EXPECT_EQ(luns[0].capacity.blockSize, 4096u);

  // A session that fails mid-scan says so, so the scan is repeated later.
  target.failTransport = true;
  EXPECT_FALSE(ScanLuns(target, luns));
  target.failTransport = false;
  target.unitAttentions = 1;
  EXPECT_TRUE(ScanLuns(target, luns));
  EXPECT_EQ(luns.size(), 2u) << "a unit attention on the first command does not hide the LUNs";
}

}  // namespace
}  // namespace sp::iscsid
