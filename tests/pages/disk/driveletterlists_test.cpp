// The drive letter lists: which letters are offered and which entry each
// list selects, over fakes and over the real Linux backends.
#include "pages/disk/core/driveletterlists.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pages/disk/core/diskpagesteps.h"
#include "platform/fake/fakenetwork.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxnetconnections.h"

namespace sp {
namespace {

class MaskLetters : public IDriveLetters {
 public:
  explicit MaskLetters(std::uint32_t mask) : mask_(mask) {}
  std::uint32_t LogicalDrives() override { return mask_; }
  std::string MountPoint(char) override { return {}; }
  std::string DeviceAtLetter(char) override { return {}; }

 private:
  std::uint32_t mask_;
};

// Every letter in use except the given ones.
std::uint32_t AllBut(const std::string& freeLetters) {
  std::uint32_t mask = 0x03FFFFFF;
  for (char c : freeLetters) mask &= ~DriveLetterBit(c);
  return mask;
}

TEST(DriveLetterLists, FreeLettersAscendingFromCToZ) {
  FakeNetConnections connections;
  MaskLetters eFZ(AllBut("EFZ"));
  EXPECT_EQ(FreeDriveLetterEntries(eFZ, connections), (std::vector<std::string>{"E:\\", "F:\\", "Z:\\"}));

  // A and B are never offered, even when free.
  MaskLetters none(0);
  const auto all = FreeDriveLetterEntries(none, connections);
  ASSERT_EQ(all.size(), 24u);
  EXPECT_EQ(all.front(), "C:\\");
  EXPECT_EQ(all.back(), "Z:\\");

  MaskLetters full(AllBut(""));
  EXPECT_TRUE(FreeDriveLetterEntries(full, connections).empty());
}

TEST(DriveLetterLists, RememberedButUnavailableConnectionsAreSkipped) {
  FakeNetConnections connections;
  // Remembered, not connected: the mapping would come back under F:.
  connections.entries['F'] = {"\\\\old\\Volume1", true, false};
  // Connected: the letter is in use anyway, and would be skipped by the mask;
  // here it is free in the mask, so only the 1201 answer counts.
  connections.entries['E'] = {"\\\\nas\\Volume1", true, true};
  MaskLetters letters(AllBut("EFZ"));
  EXPECT_EQ(FreeDriveLetterEntries(letters, connections), (std::vector<std::string>{"E:\\", "Z:\\"}));
}

TEST(DriveLetterLists, DriveLetterTextIsTheFirstTwoCharacters) {
  EXPECT_EQ(DriveLetterText("Z:\\"), "Z:");
  EXPECT_EQ(DriveLetterText(""), "");
}

TEST(DriveLetterLists, ShareAndVolumeNeverShareALetter) {
  EXPECT_TRUE(LettersClash(ServiceType::Both, "X:\\", "X:\\"));
  EXPECT_FALSE(LettersClash(ServiceType::Both, "Y:\\", "X:\\"));
  EXPECT_FALSE(LettersClash(ServiceType::Both, "", "")) << "no letter at all is not a clash";
  EXPECT_FALSE(LettersClash(ServiceType::NasOnly, "X:\\", "X:\\")) << "one service uses one list";
}

TEST(DriveLetterLists, DefaultSelections) {
  // E:\, F:\, Z:\ with Both: NAS F:\ (next-to-last), iSCSI Z:\ (last).
  LetterSelection s = InitialLetterSelection(ServiceType::Both, 3, 0, 0);
  EXPECT_EQ(s.nas, 1);
  EXPECT_EQ(s.iscsi, 2);
  // One letter: the NAS list selects nothing; none: neither does.
  s = InitialLetterSelection(ServiceType::Both, 1, 0, 0);
  EXPECT_EQ(s.nas, -1);
  EXPECT_EQ(s.iscsi, 0);
  s = InitialLetterSelection(ServiceType::Both, 0, 0, 0);
  EXPECT_EQ(s.nas, -1);
  EXPECT_EQ(s.iscsi, -1);
  // A single service's list takes the last entry; the other list none.
  s = InitialLetterSelection(ServiceType::NasOnly, 3, 0, 0);
  EXPECT_EQ(s.nas, 2);
  EXPECT_EQ(s.iscsi, -1);
  s = InitialLetterSelection(ServiceType::IscsiOnly, 3, 0, 0);
  EXPECT_EQ(s.nas, -1);
  EXPECT_EQ(s.iscsi, 2);
}

TEST(DriveLetterLists, KeptIndexWinsOnlyWhenItIsARealChoice) {
  // Z:\ (index 2) kept for NAS survives.
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, 2, 0).nas, 2);
  // E:\ (index 0) is no choice: F:\ comes back.
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, 0, 0).nas, 1);
  // A kept index past the end of a shorter list is dropped.
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, 3, 5).nas, 1);
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, 3, 5).iscsi, 2);
  // "Nothing selected" kept from a visit with too few letters is no choice
  // either: the default applies once letters are free again.
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, -1, -1).nas, 1);
  EXPECT_EQ(InitialLetterSelection(ServiceType::Both, 3, -1, -1).iscsi, 2);
  // The hidden list of a single service takes its kept index too.
  EXPECT_EQ(InitialLetterSelection(ServiceType::NasOnly, 3, 0, 1).iscsi, 1);
  EXPECT_EQ(InitialLetterSelection(ServiceType::IscsiOnly, 3, 1, 0).nas, 1);
}

TEST(DiskPageSteps, EnterAndTabMoveThroughTheShownRowAndWrap) {
  const auto& row3 = kDiskStepControls[2];
  EXPECT_EQ(NextFocusInRow(row3, diskpage::kSlider), diskpage::kRatioLabel);
  EXPECT_EQ(NextFocusInRow(row3, diskpage::kNasLetterList), diskpage::kIscsiLetterList);
  EXPECT_EQ(NextFocusInRow(row3, diskpage::kIscsiLetterList), diskpage::kSlider);  // onto a 0: wrap
  const auto& row1 = kDiskStepControls[0];
  EXPECT_EQ(NextFocusInRow(row1, diskpage::kRadioIscsiOnly), diskpage::kRadioBoth);
  // A control of another row, or none, is not found.
  EXPECT_EQ(NextFocusInRow(row1, diskpage::kRadioNormal), 0);
  EXPECT_EQ(NextFocusInRow(kDiskStepControls[3], diskpage::kNext), 0);
  EXPECT_EQ(NextFocusInRow(kDiskStepControls[3], 0), 0);
}

// The real backends: letters in use are mounts at <root>/<letter>, and a
// remembered mapping without its mount is "remembered but unavailable".
// Runs in a child process with a mount namespace of its own (root only).
TEST(DriveLetterListsLinux, MountsAndRememberedMappingsDecide) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace";
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("sp-letters-" + std::to_string(getpid()));
  fs::create_directories(dir / "mnt");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(3);
    for (char c = 'c'; c <= 'z'; ++c) {
      if (c == 'e' || c == 'f' || c == 'z') continue;
      const fs::path point = dir / "mnt" / std::string(1, c);
      fs::create_directories(point);
      if (mount("tmpfs", point.c_str(), "tmpfs", 0, "size=64k") != 0) _exit(4);
    }
    // G is mounted (in use), E is remembered without a mount (1201).
    std::ofstream(dir / "mappings") << "E:\t\\\\old\\Volume1\nG:\t\\\\other\\Volume1\n";
    LinuxDriveLetters letters((dir / "mnt").string());
    LinuxNetConnections connections((dir / "mnt").string(), (dir / "mappings").string());
    std::string joined;
    for (const auto& e : FreeDriveLetterEntries(letters, connections)) joined += e;
    (void)!write(fds[1], joined.data(), joined.size());
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  fs::remove_all(dir);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "no private mount namespace here";
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  EXPECT_EQ(out, "F:\\Z:\\");
}

}  // namespace
}  // namespace sp
