// setuppilot-iscsi-anchor: what the link and the target give a client that
// talks to the LUN straight through libiscsi, with no file system, FUSE or
// loop device in between; the yardstick for the iSCSI drive's figures.
//   PORTAL TARGET LUN write BYTES SEED          1 MiB WRITE(16)s, 8 in flight,
//                                               then SYNCHRONIZE CACHE
//   PORTAL TARGET LUN read BYTES SEED           1 MiB READ(16)s, 8 in flight,
//                                               every block checked
//   PORTAL TARGET LUN mix BYTES SEED SECONDS    4 KiB random reads and writes,
//                                               half each, one at a time
// It writes the LUN from block 0: give it a scratch LUN, never one in use.
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/drives/pattern.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kRequest = 1u << 20;
constexpr int kDepth = 8;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Run {
  iscsi_context* context = nullptr;
  int lun = 0;
  std::uint32_t blockSize = 512;
  const sp::bench::Pattern* pattern = nullptr;
  bool writing = false;
  std::uint64_t bytes = 0;
  std::uint64_t next = 0;  // offset of the next request to issue
  int inFlight = 0;
  bool failed = false;
  bool intact = true;
};

struct Slot {
  Run* run;
  std::uint64_t offset;
  std::vector<std::uint8_t> buffer;
};

void Issue(Run& run, Slot& slot);

void Done(iscsi_context*, int status, void* data, void* opaque) {
  auto& slot = *static_cast<Slot*>(opaque);
  Run& run = *slot.run;
  auto* task = static_cast<scsi_task*>(data);
  --run.inFlight;
  if (status != SCSI_STATUS_GOOD) {
    std::fprintf(stderr, "anchor: command at %llu failed: %s\n", static_cast<unsigned long long>(slot.offset),
                 iscsi_get_error(run.context));
    run.failed = true;
  } else if (!run.writing) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kRequest, run.bytes - slot.offset));
    if (static_cast<std::size_t>(task->datain.size) != n || !run.pattern->Matches(slot.offset, task->datain.data, n))
      run.intact = false;
  }
  scsi_free_scsi_task(task);
  if (!run.failed) Issue(run, slot);
}

void Issue(Run& run, Slot& slot) {
  if (run.next >= run.bytes) return;
  slot.offset = run.next;
  const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kRequest, run.bytes - run.next));
  run.next += n;
  const std::uint64_t lba = slot.offset / run.blockSize;
  scsi_task* task = nullptr;
  if (run.writing) {
    run.pattern->Fill(slot.offset, slot.buffer.data(), n);
    task = iscsi_write16_task(run.context, run.lun, lba, slot.buffer.data(), n, static_cast<int>(run.blockSize), 0, 0,
                              0, 0, 0, Done, &slot);
  } else {
    task = iscsi_read16_task(run.context, run.lun, lba, n, static_cast<int>(run.blockSize), 0, 0, 0, 0, 0, Done, &slot);
  }
  if (!task) {
    run.failed = true;
    return;
  }
  ++run.inFlight;
}

bool Service(Run& run) {
  while (run.inFlight > 0 && !run.failed) {
    pollfd fd{iscsi_get_fd(run.context), static_cast<short>(iscsi_which_events(run.context)), 0};
    if (poll(&fd, 1, 15000) <= 0 || iscsi_service(run.context, fd.revents) < 0) {
      std::fprintf(stderr, "anchor: %s\n", iscsi_get_error(run.context));
      return false;
    }
  }
  return !run.failed;
}

int Sequential(Run& run) {
  std::vector<Slot> slots(kDepth);
  const auto start = Clock::now();
  for (Slot& slot : slots) {
    slot.run = &run;
    slot.buffer.resize(kRequest);
    Issue(run, slot);
  }
  if (!Service(run)) return 1;
  if (run.writing) {
    scsi_task* sync = iscsi_synchronizecache16_sync(run.context, run.lun, 0, 0, 0, 0);
    const bool ok = sync && sync->status == SCSI_STATUS_GOOD;
    if (sync) scsi_free_scsi_task(sync);
    if (!ok) return 1;
  }
  const double s = Seconds(start);
  std::printf("%s bytes=%llu seconds=%.3f mbps=%.1f%s\n", run.writing ? "write" : "read",
              static_cast<unsigned long long>(run.bytes), s, run.bytes / s / 1e6,
              run.writing ? "" : (run.intact ? " data=ok" : " data=BAD"));
  return run.intact ? 0 : 1;
}

int Mix(Run& run, double seconds) {
  std::mt19937_64 random(12345);
  const std::uint64_t blocks = run.bytes / sp::bench::kPatternBlock;
  std::vector<std::uint8_t> buffer(sp::bench::kPatternBlock);
  const auto bs = static_cast<int>(run.blockSize);
  unsigned long long ops = 0;
  const auto start = Clock::now();
  while (run.intact && Seconds(start) < seconds) {
    const std::uint64_t offset = random() % blocks * sp::bench::kPatternBlock;
    scsi_task* task = nullptr;
    const bool write = random() & 1;
    if (write) {
      run.pattern->Fill(offset, buffer.data(), buffer.size());
      task = iscsi_write16_sync(run.context, run.lun, offset / run.blockSize, buffer.data(), 4096, bs, 0, 0, 0, 0, 0);
    } else {
      task = iscsi_read16_sync(run.context, run.lun, offset / run.blockSize, 4096, bs, 0, 0, 0, 0, 0);
    }
    if (!task || task->status != SCSI_STATUS_GOOD) return 1;
    if (!write) run.intact = task->datain.size == 4096 && run.pattern->Matches(offset, task->datain.data, 4096);
    scsi_free_scsi_task(task);
    ++ops;
  }
  const double s = Seconds(start);
  std::printf("mix ops=%llu seconds=%.3f iops=%.0f data=%s\n", ops, s, ops / s, run.intact ? "ok" : "BAD");
  return run.intact ? 0 : 1;
}

bool Capacity(Run& run, std::uint64_t& lunBytes) {
  scsi_task* task = iscsi_readcapacity16_sync(run.context, run.lun);
  if (!task || task->status != SCSI_STATUS_GOOD) return false;
  auto* rc16 = static_cast<scsi_readcapacity16*>(scsi_datain_unmarshall(task));
  if (rc16) {
    run.blockSize = rc16->block_length;
    lunBytes = (rc16->returned_lba + 1) * rc16->block_length;
  }
  scsi_free_scsi_task(task);
  return rc16 != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: %s PORTAL TARGET LUN write|read|mix BYTES SEED [SECONDS]\n", argv[0]);
    return 2;
  }
  const std::string what = argv[4];
  const sp::bench::Pattern pattern(std::strtoull(argv[6], nullptr, 10));
  Run run;
  run.lun = std::atoi(argv[3]);
  run.pattern = &pattern;
  run.writing = what == "write";
  run.bytes = std::strtoull(argv[5], nullptr, 10) / sp::bench::kPatternBlock * sp::bench::kPatternBlock;
  run.context = iscsi_create_context("iqn.2024-01.org.setuppilot:bench-anchor");
  if (!run.context) return 1;
  iscsi_set_targetname(run.context, argv[2]);
  iscsi_set_session_type(run.context, ISCSI_SESSION_NORMAL);
  iscsi_set_header_digest(run.context, ISCSI_HEADER_DIGEST_NONE_CRC32C);
  std::uint64_t lunBytes = 0;
  if (iscsi_full_connect_sync(run.context, argv[1], run.lun) != 0 || !Capacity(run, lunBytes)) {
    std::fprintf(stderr, "anchor: cannot reach LUN %d of %s at %s: %s\n", run.lun, argv[2], argv[1],
                 iscsi_get_error(run.context));
    iscsi_destroy_context(run.context);
    return 1;
  }
  if (run.bytes == 0 || run.bytes > lunBytes || run.bytes % run.blockSize != 0) {
    std::fprintf(stderr, "anchor: %llu bytes do not fit the LUN (%llu)\n", static_cast<unsigned long long>(run.bytes),
                 static_cast<unsigned long long>(lunBytes));
    iscsi_destroy_context(run.context);
    return 2;
  }
  int rc = 2;
  if (what == "write" || what == "read") rc = Sequential(run);
  if (what == "mix") rc = Mix(run, argc > 7 ? std::atof(argv[7]) : 10.0);
  iscsi_logout_sync(run.context);
  iscsi_destroy_context(run.context);
  return rc;
}
