#pragma once
// Drive letters: letter X: is the mount point <root>/x (by default /mnt/x).
// A letter is in use when something is mounted there.
#include <cstdint>
#include <string>

namespace sp {

inline constexpr const char kDriveMountRoot[] = "/mnt";

// Bit of a letter in the logical-drive mask (bit 0 for A); 0 for a non-letter.
inline std::uint32_t DriveLetterBit(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return (letter >= 'A' && letter <= 'Z') ? (1u << (letter - 'A')) : 0u;
}

class IDriveLetters {
 public:
  virtual ~IDriveLetters() = default;
  // One bit per letter in use, bit 0 for A (as GetLogicalDrives reports).
  virtual std::uint32_t LogicalDrives() = 0;
  // The mount point that stands for `letter` (either case); empty for a
  // character that is not a letter.
  virtual std::string MountPoint(char letter) = 0;
  // The device mounted at the letter (the mount's source, e.g. /dev/loop3);
  // empty when nothing is mounted there.
  virtual std::string DeviceAtLetter(char letter) = 0;
};

}  // namespace sp
