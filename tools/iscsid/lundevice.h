#pragma once
// One logged-in LUN seen as a byte-addressed disk: the file the service shows
// for it reads and writes through here.
//
// Reads and writes of any offset and length become whole-block READ/WRITE
// commands; a write that covers part of a block reads the block, merges and
// writes it back. Those merges exclude every other transfer on the LUN, so
// two writers never undo each other's bytes inside a shared block.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "tools/iscsid/scsiexecutor.h"

namespace sp::iscsid {

struct LunIdentity {
  std::uint32_t lun = 0;       // LUN number as libiscsi addresses it
  std::uint64_t lunField = 0;  // 8-byte LUN field from REPORT LUNS
  Bytes inquiry;               // standard INQUIRY data as received
  Capacity capacity;
};

class LunDevice {
 public:
  LunDevice(std::shared_ptr<IScsiExecutor> executor, LunIdentity identity);

  const LunIdentity& identity() const { return identity_; }
  std::uint64_t size() const;  // bytes
  std::uint32_t blockSize() const { return identity_.capacity.blockSize; }

  // Byte I/O. Return the bytes transferred (reads stop at the end of the
  // LUN; a write past the end is cut there and fails with -ENOSPC when
  // nothing fits) or a negative errno: -EIO when the target failed the
  // command or the session is down, -ETIMEDOUT never escapes (reported as
  // -EIO, as a disk would).
  long Read(std::uint64_t offset, std::size_t length, std::uint8_t* buffer);
  long Write(std::uint64_t offset, std::size_t length, const std::uint8_t* buffer);
  // SYNCHRONIZE CACHE over the whole LUN; 0 or -EIO.
  int Flush();

  // After the session is gone the device fails every transfer at once.
  void Detach() { detached_.store(true); }
  bool detached() const { return detached_.load(); }

 private:
  int ReadBlocks(std::uint64_t lba, std::uint32_t blocks, std::uint8_t* out);
  int WriteBlocks(std::uint64_t lba, std::uint32_t blocks, const std::uint8_t* in);
  long WriteUnaligned(std::uint64_t offset, std::size_t length, const std::uint8_t* buffer);
  ScsiResult Run(ScsiCommand command);

  std::shared_ptr<IScsiExecutor> executor_;
  LunIdentity identity_;
  std::atomic<bool> detached_{false};
  std::shared_mutex blocks_;  // shared: whole-block transfers; exclusive: merges
};

// Largest transfer of one command in bytes (a command is also limited to
// kMaxBlocksPerCommand blocks).
inline constexpr std::size_t kMaxTransferBytes = 1u << 20;

}  // namespace sp::iscsid
