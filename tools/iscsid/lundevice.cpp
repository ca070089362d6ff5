#include "tools/iscsid/lundevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "tools/iscsid/lunscan.h"

namespace sp::iscsid {

LunDevice::LunDevice(std::shared_ptr<IScsiExecutor> executor, LunIdentity identity)
    : executor_(std::move(executor)), identity_(std::move(identity)) {}

std::uint64_t LunDevice::size() const { return identity_.capacity.blocks * identity_.capacity.blockSize; }

ScsiResult LunDevice::Run(ScsiCommand command) {
  command.lun = identity_.lun;
  if (detached_.load()) return ScsiResult{EIO, 0, {}, {}};
  // A target answers the first commands after a reset or a new login with
  // UNIT ATTENTION; those are repeated, other failures are not.
  return ExecuteSettled(*executor_, command);
}

int LunDevice::ReadBlocks(std::uint64_t lba, std::uint32_t blocks, std::uint8_t* out) {
  const std::size_t bytes = std::size_t{blocks} * blockSize();
  ScsiCommand command;
  command.cdb = CdbRead(lba, blocks);
  command.direction = ScsiDirection::kIn;
  command.inLength = static_cast<std::uint32_t>(bytes);
  const ScsiResult result = Run(std::move(command));
  if (!result.Good() || result.data.size() != bytes) return -EIO;
  std::memcpy(out, result.data.data(), bytes);
  return 0;
}

int LunDevice::WriteBlocks(std::uint64_t lba, std::uint32_t blocks, const std::uint8_t* in) {
  ScsiCommand command;
  command.cdb = CdbWrite(lba, blocks);
  command.direction = ScsiDirection::kOut;
  command.out = in;
  command.outLength = std::size_t{blocks} * blockSize();
  return Run(std::move(command)).Good() ? 0 : -EIO;
}

long LunDevice::Read(std::uint64_t offset, std::size_t length, std::uint8_t* buffer) {
  if (detached_.load()) return -EIO;
  const std::uint64_t total = size();
  if (offset >= total || length == 0) return 0;
  length = static_cast<std::size_t>(std::min<std::uint64_t>(length, total - offset));
  const std::uint32_t bs = blockSize();
  const std::uint32_t chunkBlocks = static_cast<std::uint32_t>(
      std::min<std::size_t>(kMaxBlocksPerCommand, std::max<std::size_t>(1, kMaxTransferBytes / bs)));

  std::shared_lock lock(blocks_);
  Bytes temp;
  std::size_t done = 0;
  while (done < length) {
    const std::uint64_t pos = offset + done;
    const std::uint64_t lba = pos / bs;
    const std::size_t skip = static_cast<std::size_t>(pos % bs);
    const std::uint64_t lastLba = (offset + length - 1) / bs;
    const auto blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkBlocks, lastLba - lba + 1));
    const std::size_t take = std::min<std::size_t>(std::size_t{blocks} * bs - skip, length - done);
    if (skip == 0 && take == std::size_t{blocks} * bs) {
      if (const int rc = ReadBlocks(lba, blocks, buffer + done); rc < 0) return done ? static_cast<long>(done) : rc;
    } else {
      temp.resize(std::size_t{blocks} * bs);
      if (const int rc = ReadBlocks(lba, blocks, temp.data()); rc < 0) return done ? static_cast<long>(done) : rc;
      std::memcpy(buffer + done, temp.data() + skip, take);
    }
    done += take;
  }
  return static_cast<long>(done);
}

long LunDevice::Write(std::uint64_t offset, std::size_t length, const std::uint8_t* buffer) {
  if (detached_.load()) return -EIO;
  if (length == 0) return 0;
  const std::uint64_t total = size();
  if (offset >= total) return -ENOSPC;
  length = static_cast<std::size_t>(std::min<std::uint64_t>(length, total - offset));
  const std::uint32_t bs = blockSize();
  if (offset % bs != 0 || length % bs != 0) return WriteUnaligned(offset, length, buffer);

  const std::uint32_t chunkBlocks = static_cast<std::uint32_t>(
      std::min<std::size_t>(kMaxBlocksPerCommand, std::max<std::size_t>(1, kMaxTransferBytes / bs)));
  std::shared_lock lock(blocks_);
  std::size_t done = 0;
  while (done < length) {
    const std::uint64_t lba = (offset + done) / bs;
    const auto blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkBlocks, (length - done) / bs));
    if (const int rc = WriteBlocks(lba, blocks, buffer + done); rc < 0) return done ? static_cast<long>(done) : rc;
    done += std::size_t{blocks} * bs;
  }
  return static_cast<long>(done);
}

long LunDevice::WriteUnaligned(std::uint64_t offset, std::size_t length, const std::uint8_t* buffer) {
  const std::uint32_t bs = blockSize();
  std::unique_lock lock(blocks_);
  Bytes block(bs);
  std::size_t done = 0;
  while (done < length) {
    const std::uint64_t pos = offset + done;
    const std::uint64_t lba = pos / bs;
    const std::size_t skip = static_cast<std::size_t>(pos % bs);
    if (skip == 0 && length - done >= bs) {
      // Whole blocks in the middle go out as they are, in bounded chunks.
      const std::size_t whole = std::min<std::size_t>((length - done) / bs, kMaxBlocksPerCommand);
      const auto blocks =
          static_cast<std::uint32_t>(std::min<std::size_t>(whole, std::max<std::size_t>(1, kMaxTransferBytes / bs)));
      if (const int rc = WriteBlocks(lba, blocks, buffer + done); rc < 0) return done ? static_cast<long>(done) : rc;
      done += std::size_t{blocks} * bs;
      continue;
    }
    // A partial block: read it, merge, write it back.
    const std::size_t take = std::min<std::size_t>(bs - skip, length - done);
    if (const int rc = ReadBlocks(lba, 1, block.data()); rc < 0) return done ? static_cast<long>(done) : rc;
    std::memcpy(block.data() + skip, buffer + done, take);
    if (const int rc = WriteBlocks(lba, 1, block.data()); rc < 0) return done ? static_cast<long>(done) : rc;
    done += take;
  }
  return static_cast<long>(done);
}

int LunDevice::Flush() {
  if (detached_.load()) return -EIO;
  ScsiCommand command;
  command.cdb = CdbSynchronizeCache(0, 0);  // zero blocks: everything from LBA 0
  return Run(std::move(command)).Good() ? 0 : -EIO;
}

}  // namespace sp::iscsid
