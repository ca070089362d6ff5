#pragma once
// The bytes the drive measurements write and check: every 4 KiB block holds
// fixed random-looking bytes with its own offset (and the run's seed) in its
// first eight, so a block that lands at the wrong place, an old block, or a
// block of zeros is told apart from the right one, and filling a buffer
// costs almost nothing next to the transfer being measured.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sp::bench {

inline constexpr std::size_t kPatternBlock = 4096;

class Pattern {
 public:
  explicit Pattern(std::uint64_t seed) : seed_(seed), noise_(kPatternBlock) {
    std::uint64_t x = seed ^ 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < noise_.size(); i += 8) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      std::memcpy(noise_.data() + i, &x, 8);
    }
  }

  // The bytes at [offset, offset + length); offset and length whole blocks.
  void Fill(std::uint64_t offset, std::uint8_t* out, std::size_t length) const {
    for (std::size_t done = 0; done < length; done += kPatternBlock) {
      std::memcpy(out + done, noise_.data(), kPatternBlock);
      StampBytes(offset + done, out + done);
    }
  }

  // Whether `data` holds the bytes for [offset, offset + length).
  bool Matches(std::uint64_t offset, const std::uint8_t* data, std::size_t length) const {
    std::uint8_t stamp[8];
    for (std::size_t done = 0; done < length; done += kPatternBlock) {
      StampBytes(offset + done, stamp);
      if (std::memcmp(data + done, stamp, 8) != 0) return false;
      if (std::memcmp(data + done + 8, noise_.data() + 8, kPatternBlock - 8) != 0) return false;
    }
    return true;
  }

 private:
  void StampBytes(std::uint64_t offset, std::uint8_t* out) const {
    const std::uint64_t v = offset ^ seed_;
    std::memcpy(out, &v, 8);
  }
  std::uint64_t seed_;
  std::vector<std::uint8_t> noise_;
};

}  // namespace sp::bench
