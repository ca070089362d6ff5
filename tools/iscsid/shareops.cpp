#include "tools/iscsid/shareops.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "platform/linux/writeall.h"
#include "platform/netmounts.h"
#include "platform/storagetooloutput.h"
#include "tools/iscsid/log.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;

constexpr int kMountTimeoutMs = 30000;
constexpr std::size_t kMaxUser = 256;
constexpr std::size_t kMaxPassword = 512;
constexpr std::size_t kMaxRecordFile = 1u << 20;
constexpr std::size_t kMaxRecords = 4096;
constexpr std::array<std::string_view, 1> kMountTools = {"mount.cifs"};

bool IsCifs(const MountEntry& m) { return m.fsType == "cifs" || m.fsType == "smb3"; }

std::string ReadSmallFile(const std::string& path, bool& ok) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ok = fd >= 0 || errno == ENOENT;
  if (fd < 0) return text;
  char buf[8192];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0 && text.size() < kMaxRecordFile) text.append(buf, std::size_t(n));
  ok = n == 0;
  close(fd);
  return text;
}

// Whether the open directory has nothing in it.
bool EmptyDirectory(int fd) {
  const int copy = dup(fd);
  DIR* dir = copy >= 0 ? fdopendir(copy) : nullptr;
  if (!dir) {
    if (copy >= 0) close(copy);
    return false;
  }
  bool empty = true;
  while (const dirent* e = readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") empty = false;
  }
  closedir(dir);
  return empty;
}

}  // namespace

bool IsShareOperation(std::string_view op) {
  return op == op::kMountShare || op == op::kUnmountShare || op == op::kDrivePoint;
}

bool ValidShareName(std::string_view name, std::size_t maxLength) {
  if (name.empty() || name.size() > maxLength) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ',' || c == '=') return false;
  }
  return true;
}

bool ValidIpv4Address(std::string_view text) {
  if (text.empty() || text.size() > 15) return false;
  in_addr address{};
  // inet_pton takes only four dotted decimals, without leading zeros.
  return inet_pton(AF_INET, std::string(text).c_str(), &address) == 1;
}

std::string EncodeShareRecords(const std::vector<ShareRecord>& records) {
  ControlMessage message{ControlRecord("shares").SetU64("v", 1)};
  for (const auto& r : records) {
    ControlRecord record("share");
    record.SetU64("uid", r.uid).Set("letter", std::string(1, r.letter)).Set("host", r.host).Set("share", r.share);
    message.push_back(std::move(record));
  }
  return EncodeControlMessage(message);
}

bool DecodeShareRecords(std::string_view text, std::vector<ShareRecord>& records) {
  const auto message = DecodeControlMessage(text);
  if (!message || message->empty() || (*message)[0].type() != "shares" || (*message)[0].GetU64Or("v", 0) != 1) {
    return false;
  }
  std::vector<ShareRecord> read;
  for (std::size_t i = 1; i < message->size(); ++i) {
    const ControlRecord& r = (*message)[i];
    if (r.type() != "share") continue;  // written by a newer service
    ShareRecord record;
    record.letter = GetLetter(r, "letter");
    record.host = r.Get("host");
    record.share = r.Get("share");
    if (!GetU32(r, "uid", record.uid, 0xFFFFFFFFu) || record.uid == 0xFFFFFFFFu || !record.letter ||
        !ValidShareName(record.host, kMaxHostName) || !ValidShareName(record.share, kMaxShareName) ||
        read.size() >= kMaxRecords) {
      return false;
    }
    read.push_back(std::move(record));
  }
  records = std::move(read);
  return true;
}

std::vector<std::string> CifsMountArguments(const std::string& address, const std::string& share,
                                            const std::string& point, uid_t uid, gid_t gid, bool guest) {
  std::string options = "uid=" + std::to_string(uid) + ",forceuid,gid=" + std::to_string(gid) +
                        ",forcegid,file_mode=0600,dir_mode=0700,nosuid,nodev";
  if (guest) options = "guest," + options;
  return {"mount.cifs", "//" + address + "/" + share, point, "-o", options};
}

std::vector<std::string> CifsCredentialEnvironment(const std::string& user, const std::string& password) {
  if (user.empty()) return {};
  return {"USER=" + user, "PASSWD=" + password};
}

ToolResult LinuxShareSystem::MountCifs(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  ToolRunOptions options;
  options.timeoutMs = kMountTimeoutMs;
  options.extraEnv = env;
  return RunAllowedTool(kMountTools, argv, options);
}

int LinuxShareSystem::Unmount(const std::string& point, bool detach) {
  return umount2(point.c_str(), detach ? MNT_DETACH : 0) == 0 ? 0 : errno;
}

std::string LinuxShareSystem::MountInfo() {
  bool ok = false;
  return ReadSmallFile("/proc/self/mountinfo", ok);
}

ShareOps::ShareOps(IShareSystem& system, std::string driveRoot, std::string recordPath)
    : system_(system), recordPath_(std::move(recordPath)) {
  std::error_code ec;
  const auto root = std::filesystem::weakly_canonical(driveRoot, ec);
  driveRoot_ = ec ? driveRoot : root.string();
}

std::string ShareOps::PointOf(char letter) const { return driveRoot_ + "/" + letter; }

std::vector<ShareRecord> ShareOps::Records() {
  std::lock_guard lock(mutex_);
  return LoadLocked();
}

std::vector<ShareRecord> ShareOps::LoadLocked() {
  bool ok = false;
  const std::string text = ReadSmallFile(recordPath_, ok);
  std::vector<ShareRecord> records;
  if (!text.empty() && !DecodeShareRecords(text, records)) {
    LogAt(LogLevel::kWarning, "share records in %s are damaged: starting over", recordPath_.c_str());
  }
  return records;
}

bool ShareOps::OnRecord(const ShareRecord& wanted, bool sameShare) {
  for (const auto& r : LoadLocked()) {
    if (r.uid == wanted.uid && r.letter == wanted.letter &&
        (!sameShare || (r.host == wanted.host && r.share == wanted.share))) {
      return true;
    }
  }
  return false;
}

bool ShareOps::Record(const ShareRecord& record, bool remove) {
  std::vector<ShareRecord> records = LoadLocked();
  std::erase_if(records, [&](const ShareRecord& r) { return r.uid == record.uid && r.letter == record.letter; });
  if (!remove) records.push_back(record);
  std::error_code ec;
  const std::filesystem::path path(recordPath_);
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (ReplaceFile(recordPath_, EncodeShareRecords(records))) return true;
  LogAt(LogLevel::kError, "cannot write %s", recordPath_.c_str());
  return false;
}

std::uint32_t ShareOps::PreparePoint(char letter, const Caller& caller) {
  const std::string point = PointOf(letter);
  const auto mounts = ParseMountInfo(system_.MountInfo());
  if (TopMountAt(mounts, point)) return kDeviceBusy;
  std::error_code ec;
  std::filesystem::create_directories(driveRoot_, ec);
  const int rootFd = open(driveRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (rootFd < 0) return kInternal;
  const char name[2] = {letter, 0};
  if (mkdirat(rootFd, name, 0700) != 0 && errno != EEXIST) {
    close(rootFd);
    return kInternal;
  }
  // Opened without following a link, and checked and changed through that
  // descriptor: what is handed over is the folder that was looked at.
  const int fd = openat(rootFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat rootStat {
  }, st{};
  const bool same = fd >= 0 && fstat(rootFd, &rootStat) == 0 && fstat(fd, &st) == 0 && st.st_dev == rootStat.st_dev;
  close(rootFd);
  std::uint32_t status = kOk;
  if (!same || !EmptyDirectory(fd)) {
    status = fd < 0 ? kInvalidParameter : kDeviceBusy;
  } else if (fchown(fd, caller.uid, caller.gid) != 0 || fchmod(fd, 0700) != 0) {
    status = kInternal;
  }
  if (fd >= 0) close(fd);
  return status;
}

std::uint32_t ShareOps::MountShare(const ControlRecord& r, const Caller& caller) {
  const std::string address = r.Get("address"), share = r.Get("share"), user = r.Get("user");
  const std::string host = r.Has("host") ? r.Get("host") : address;
  const char letter = GetLetter(r, "letter");
  const std::string* password = r.Find("password");
  const std::string point = PointOf(letter);
  const auto mounts = ParseMountInfo(system_.MountInfo());
  if (const MountEntry* top = TopMountAt(mounts, point)) {
    const bool same = IsCifs(*top) && top->source == "//" + address + "/" + share &&
                      OnRecord({caller.uid, letter, host, share}, true);
    return same ? kOk : kAlreadyExists;
  }
  if (const std::uint32_t prepared = PreparePoint(letter, caller); prepared != kOk) return prepared;
  const ToolResult result =
      system_.MountCifs(CifsMountArguments(address, share, point, caller.uid, caller.gid, user.empty()),
                        CifsCredentialEnvironment(user, password ? *password : ""));
  if (!result.started) return kNotSupported;
  if (result.exitCode != 0) {
    // mount.cifs prints nothing secret: the password is not echoed.
    LogAt(LogLevel::kInfo, "%c: mount.cifs //%s/%s for uid %u failed: %s", letter, address.c_str(), share.c_str(),
          caller.uid, result.output.c_str());
    return result.timedOut ? kTimedOut : kConnectionFailed;
  }
  Log("%c: //%s/%s mounted for uid %u", letter, address.c_str(), share.c_str(), caller.uid);
  Record({caller.uid, letter, host, share}, false);
  return kOk;
}

std::uint32_t ShareOps::UnmountShare(const ControlRecord& r, const Caller& caller) {
  const char letter = GetLetter(r, "letter");
  const std::string point = PointOf(letter);
  bool done = false;
  const auto mounts = ParseMountInfo(system_.MountInfo());
  if (const MountEntry* top = TopMountAt(mounts, point); top && IsCifs(*top)) {
    int err = system_.Unmount(point, false);
    if (err == EBUSY && r.GetBool("detach")) err = system_.Unmount(point, true);
    if (err == EBUSY) return kDeviceBusy;
    if (err) return kInternal;
    done = true;
  }
  if (r.GetBool("forget") && OnRecord({caller.uid, letter, {}, {}}, false)) {
    done = Record({caller.uid, letter, {}, {}}, true) || done;
  }
  return done ? kOk : kDeviceNotFound;
}

std::uint32_t ShareOps::Handle(std::string_view op, const ControlRecord& r, const Caller& caller,
                               const ShareAuthority& ask) {
  const char letter = GetLetter(r, "letter");
  if (!letter) return kInvalidParameter;
  const bool mount = op == op::kMountShare;
  ShareRecord wanted{caller.uid, letter, r.Get("host"), r.Get("share")};
  if (mount) {
    const std::string* password = r.Find("password");
    if (!ValidIpv4Address(r.Get("address")) || !ValidShareName(wanted.share, kMaxShareName) ||
        (r.Has("host") && !ValidShareName(wanted.host, kMaxHostName)) ||
        (r.Has("user") && !ValidShareName(r.Get("user"), kMaxUser)) ||
        (password && (password->size() > kMaxPassword || password->find('\0') != std::string::npos))) {
      return kInvalidParameter;
    }
    if (!r.Has("host")) wanted.host = r.Get("address");
  } else if (op == op::kDrivePoint &&
             (!ValidShareName(wanted.host, kMaxHostName) || !ValidShareName(wanted.share, kMaxShareName))) {
    return kInvalidParameter;
  }
  std::unique_lock lock(mutex_);
  // Putting back what this uid had is its own business; all else is asked,
  // without holding up other callers while the person answers.
  const bool onRecord = OnRecord(wanted, op != op::kUnmountShare);
  if (!onRecord) {
    lock.unlock();
    if (const std::uint32_t allowed = ask(op, caller); allowed != kOk) return allowed;
    lock.lock();
  }
  if (mount) return MountShare(r, caller);
  if (op == op::kUnmountShare) return UnmountShare(r, caller);
  const std::uint32_t status = PreparePoint(letter, caller);
  if (status == kOk && !onRecord) Record(wanted, false);
  return status;
}

}  // namespace sp::iscsid
