#include "platform/linux/linuxdriveletters.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sp {
namespace {

char LowerLetter(char letter) {
  const auto c = static_cast<unsigned char>(letter);
  return std::isalpha(c) && c < 0x80 ? static_cast<char>(std::tolower(c)) : '\0';
}

}  // namespace

LinuxDriveLetters::LinuxDriveLetters(std::string mountRoot, std::string mountInfoPath)
    : mountRoot_(std::move(mountRoot)), mountInfoPath_(std::move(mountInfoPath)) {
  while (mountRoot_.size() > 1 && mountRoot_.back() == '/') mountRoot_.pop_back();
}

std::vector<MountEntry> LinuxDriveLetters::Mounts() const {
  std::ifstream in(mountInfoPath_);
  std::stringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

std::string LinuxDriveLetters::ResolvedRoot() const {
  std::error_code ec;
  const auto resolved = std::filesystem::weakly_canonical(mountRoot_, ec);
  return ec ? mountRoot_ : resolved.string();
}

std::string LinuxDriveLetters::MountPoint(char letter) {
  const char lower = LowerLetter(letter);
  if (!lower) return {};
  return (mountRoot_ == "/" ? "" : mountRoot_) + "/" + lower;
}

std::uint32_t LinuxDriveLetters::LogicalDrives() {
  const std::string root = ResolvedRoot();
  const std::string prefix = (root == "/" ? "" : root) + "/";
  std::uint32_t mask = 0;
  for (const MountEntry& m : Mounts()) {
    if (m.mountPoint.size() == prefix.size() + 1 && m.mountPoint.compare(0, prefix.size(), prefix) == 0) {
      const char c = m.mountPoint.back();
      if (c >= 'a' && c <= 'z') mask |= DriveLetterBit(c);
    }
  }
  return mask;
}

std::string LinuxDriveLetters::DeviceAtLetter(char letter) {
  const char lower = LowerLetter(letter);
  if (!lower) return {};
  const std::string root = ResolvedRoot();
  const std::string point = (root == "/" ? "" : root) + "/" + lower;
  std::string device;
  // The last mount at a place is the one that is seen there.
  for (const MountEntry& m : Mounts()) {
    if (m.mountPoint == point) device = m.source;
  }
  return device;
}

}  // namespace sp
