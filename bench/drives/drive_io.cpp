// setuppilot-drive-io: one measured transfer on a mounted drive, as a person's
// copy would do it, with every byte read checked.
//   write FILE BYTES SEED        sequential 1 MiB writes, ended by fsync
//   read FILE BYTES SEED         sequential 1 MiB reads (drop caches first)
//   mix FILE BYTES SEED SECONDS  4 KiB random reads and writes, half each,
//                                one at a time, past the page cache
// Prints one line of key=value figures; exits 1 when a transfer fails or
// the data read back is not what was written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "bench/drives/pattern.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kChunk = 1u << 20;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct AlignedBuffer {
  explicit AlignedBuffer(std::size_t size) {
    if (posix_memalign(&data, 4096, size) != 0) data = nullptr;
  }
  ~AlignedBuffer() { std::free(data); }
  std::uint8_t* bytes() const { return static_cast<std::uint8_t*>(data); }
  void* data = nullptr;
};

int Fail(const char* what, const std::string& file) {
  std::printf("error=%s file=%s errno=%s\n", what, file.c_str(), std::strerror(errno));
  return 1;
}

int Write(const std::string& file, std::uint64_t bytes, const sp::bench::Pattern& pattern) {
  AlignedBuffer buffer(kChunk);
  const auto start = Clock::now();
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail("open", file);
  for (std::uint64_t done = 0; done < bytes;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done));
    pattern.Fill(done, buffer.bytes(), n);
    const ssize_t w = write(fd, buffer.bytes(), n);
    if (w != static_cast<ssize_t>(n)) return Fail("write", file);
    done += n;
  }
  const double written = Seconds(start);
  if (fsync(fd) != 0) return Fail("fsync", file);
  if (close(fd) != 0) return Fail("close", file);
  const double s = Seconds(start);
  // Where the time went: handing the bytes over, and making them durable.
  std::printf("write bytes=%llu seconds=%.3f mbps=%.1f fsync_seconds=%.3f\n", static_cast<unsigned long long>(bytes), s,
              bytes / s / 1e6, s - written);
  return 0;
}

int Read(const std::string& file, std::uint64_t bytes, const sp::bench::Pattern& pattern) {
  AlignedBuffer buffer(kChunk);
  const auto start = Clock::now();
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail("open", file);
  std::uint64_t done = 0;
  bool intact = true;
  while (done < bytes) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done));
    std::size_t got = 0;
    while (got < n) {
      const ssize_t r = read(fd, buffer.bytes() + got, n - got);
      if (r < 0) return Fail("read", file);
      if (r == 0) break;
      got += static_cast<std::size_t>(r);
    }
    if (got != n || !pattern.Matches(done, buffer.bytes(), n)) {
      intact = false;
      break;
    }
    done += n;
  }
  close(fd);
  const double s = Seconds(start);
  std::printf("read bytes=%llu seconds=%.3f mbps=%.1f data=%s\n", static_cast<unsigned long long>(done), s,
              done / s / 1e6, intact ? "ok" : "BAD");
  if (!intact) std::printf("first_bad_offset=%llu\n", static_cast<unsigned long long>(done));
  return intact ? 0 : 1;
}

int Mix(const std::string& file, std::uint64_t bytes, const sp::bench::Pattern& pattern, double seconds) {
  // Past the page cache where the drive allows it; synchronous writes
  // otherwise, so that each write still reaches the drive.
  const char* mode = "direct";
  int fd = open(file.c_str(), O_RDWR | O_DIRECT | O_CLOEXEC);
  if (fd < 0 && errno == EINVAL) {
    mode = "dsync";
    fd = open(file.c_str(), O_RDWR | O_DSYNC | O_CLOEXEC);
  }
  if (fd < 0) return Fail("open", file);
  AlignedBuffer buffer(sp::bench::kPatternBlock);
  std::mt19937_64 random(12345);
  const std::uint64_t blocks = bytes / sp::bench::kPatternBlock;
  unsigned long long ops = 0;
  bool intact = true;
  const auto start = Clock::now();
  while (intact && Seconds(start) < seconds) {
    const std::uint64_t offset = random() % blocks * sp::bench::kPatternBlock;
    if (random() & 1) {
      pattern.Fill(offset, buffer.bytes(), sp::bench::kPatternBlock);
      if (pwrite(fd, buffer.bytes(), sp::bench::kPatternBlock, static_cast<off_t>(offset)) != 4096)
        return Fail("pwrite", file);
    } else {
      if (pread(fd, buffer.bytes(), sp::bench::kPatternBlock, static_cast<off_t>(offset)) != 4096)
        return Fail("pread", file);
      intact = pattern.Matches(offset, buffer.bytes(), sp::bench::kPatternBlock);
    }
    ++ops;
  }
  close(fd);
  const double s = Seconds(start);
  std::printf("mix ops=%llu seconds=%.3f iops=%.0f mode=%s data=%s\n", ops, s, ops / s, mode, intact ? "ok" : "BAD");
  return intact ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s write|read|mix FILE BYTES SEED [SECONDS]\n", argv[0]);
    return 2;
  }
  const std::string what = argv[1];
  const std::string file = argv[2];
  const std::uint64_t bytes = std::strtoull(argv[3], nullptr, 10) / sp::bench::kPatternBlock * sp::bench::kPatternBlock;
  const sp::bench::Pattern pattern(std::strtoull(argv[4], nullptr, 10));
  if (bytes == 0) return 2;
  if (what == "write") return Write(file, bytes, pattern);
  if (what == "read") return Read(file, bytes, pattern);
  if (what == "mix") return Mix(file, bytes, pattern, argc > 5 ? std::atof(argv[5]) : 10.0);
  return 2;
}
