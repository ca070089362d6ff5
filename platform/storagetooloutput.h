#pragma once
// Parsers for what the storage tools and the kernel tell us: mount tables,
// blkid's export format, losetup's device line and mkntfs's progress output.
// Pure functions over text, kept apart from running the tools.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// One line of /proc/<pid>/mountinfo.
struct MountEntry {
  std::string mountPoint;
  std::string fsType;  // "ntfs-3g" is "fuseblk", "cifs", "fuse.smbnetfs", ...
  std::string source;  // "/dev/loop3", "//10.77.0.2/Volume1", "smbnetfs", ...
  std::string root;    // path inside the mounted file system ("/" or a bind's subtree)
};

// Parses /proc/<pid>/mountinfo. Octal escapes (\040 and the like) in the
// paths and the source are decoded. Malformed lines are skipped; the
// result keeps the table's order (a later entry hides an earlier one at the
// same mount point).
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Parses `blkid -o export` output (KEY=value lines, backslash escapes).
std::map<std::string, std::string> ParseBlkidExport(std::string_view text);

// The loop device named by `losetup --show` ("/dev/loopN"); empty when the
// output does not start with one.
std::string ParseLosetupDevice(std::string_view text);

// Follows mkntfs's output as it arrives (stdout and stderr together, in any
// chunks) and turns it into a percentage: the zeroing pass of a full format
// (its "NN%" counter, backspace-separated) covers 0..80, the volume
// structures (each "Creating"/"Syncing"/"Updating" step of the verbose
// output) move on from there, and the final success line is 100.
class MkntfsProgress {
 public:
  // Returns true when the percentage went up.
  bool Feed(std::string_view chunk);
  int percent() const { return percent_; }
  bool reportedSuccess() const { return success_; }

 private:
  void Segment(std::string_view segment);
  void Raise(int value);

  std::string pending_;
  int percent_ = 0;
  int steps_ = 0;
  bool zeroing_ = false;
  bool structures_ = false;
  bool success_ = false;
};

// Orders names with their digit runs compared as numbers (sda < sdb,
// nvme2n1 < nvme10n1), as a listing of disks reads naturally.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace sp
