#pragma once
// The appliance's share as a drive of the person at the desktop: the
// service mounts it with the kernel's CIFS client for the caller, or hands
// the caller an empty folder at the letter for the caller's own FUSE mount.
// Root stays here; the agent and the wizard run as the user.
//
// Operations and their fields:
//   mount_share address share letter [host] [user password]
//       mounts //address/share (address: IPv4 dotted text) at
//       <drive root>/<letter>, files owned by the caller (uid/gid of the
//       connection), read and write for the caller only. Without user: as
//       guest. `host` is the name the caller knows the server by (default:
//       the address); it is what the record keeps.
//   unmount_share letter [detach] [forget]
//       takes the CIFS mount at the letter away (only CIFS, only there);
//       `detach` unmounts lazily when files are open there; `forget` drops
//       the caller's record of the letter (also when nothing is mounted, as
//       after the caller's own FUSE mount went).
//   drive_point letter host share
//       makes <drive root>/<letter> the caller's (owner, mode 0700), only
//       when it is free: no mount there and nothing in it.
//
// Names (share, host, user): not empty, bounded, no '/', '\\', ',', '=' or
// control characters. A password goes to mount.cifs in its environment
// (PASSWD, which only root can read) and nowhere else: not on its command
// line, not in the log, not in the record.
//
// What was mapped for whom is recorded (uid, letter, host, share; never a
// credential) in a root-only file beside the service's state. A request that
// puts back a mapping the caller's uid has on record (the agent restoring
// drives at login) is done without asking the authority; anything else is
// asked for.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/iscsicontrolmessage.h"
#include "platform/linux/toolrunner.h"
#include "tools/iscsid/caller.h"

namespace sp::iscsid {

bool IsShareOperation(std::string_view op);

inline constexpr std::size_t kMaxShareName = 80;
inline constexpr std::size_t kMaxHostName = 255;

// A share, host or user name as the rules above allow.
bool ValidShareName(std::string_view name, std::size_t maxLength);
// Dotted IPv4 text only (no names, no leading zeros).
bool ValidIpv4Address(std::string_view text);

struct ShareRecord {
  std::uint32_t uid = 0;
  char letter = 0;
  std::string host;
  std::string share;
  bool operator==(const ShareRecord&) const = default;
};

// The record file's text and back; a malformed file fails as a whole.
std::string EncodeShareRecords(const std::vector<ShareRecord>& records);
bool DecodeShareRecords(std::string_view text, std::vector<ShareRecord>& records);

// The mount.cifs command line (no credential in it) and the environment
// that carries the credentials (empty for a guest).
std::vector<std::string> CifsMountArguments(const std::string& address, const std::string& share,
                                            const std::string& point, uid_t uid, gid_t gid, bool guest);
std::vector<std::string> CifsCredentialEnvironment(const std::string& user, const std::string& password);

// What the operations need of the system; a model of it in the tests.
class IShareSystem {
 public:
  virtual ~IShareSystem() = default;
  virtual ToolResult MountCifs(const std::vector<std::string>& argv, const std::vector<std::string>& env) = 0;
  // 0 or the errno value.
  virtual int Unmount(const std::string& point, bool detach) = 0;
  virtual std::string MountInfo() = 0;
};

class LinuxShareSystem : public IShareSystem {
 public:
  ToolResult MountCifs(const std::vector<std::string>& argv, const std::vector<std::string>& env) override;
  int Unmount(const std::string& point, bool detach) override;
  std::string MountInfo() override;
};

// Decides whether a caller may have an operation done (kOk or the status to
// answer with).
using ShareAuthority = std::function<std::uint32_t(std::string_view op, const Caller& caller)>;

class ShareOps {
 public:
  ShareOps(IShareSystem& system, std::string driveRoot, std::string recordPath);

  // The status to answer with; `ask` is called when the request is not the
  // return of a mapping on record.
  std::uint32_t Handle(std::string_view op, const ControlRecord& request, const Caller& caller,
                       const ShareAuthority& ask);

  std::vector<ShareRecord> Records();
  std::string PointOf(char letter) const;

 private:
  std::uint32_t MountShare(const ControlRecord& r, const Caller& caller);
  std::uint32_t UnmountShare(const ControlRecord& r, const Caller& caller);
  std::uint32_t PreparePoint(char letter, const Caller& caller);
  bool OnRecord(const ShareRecord& wanted, bool sameShare);
  bool Record(const ShareRecord& record, bool remove);
  std::vector<ShareRecord> LoadLocked();

  IShareSystem& system_;
  std::string driveRoot_;
  std::string recordPath_;
  std::mutex mutex_;
};

}  // namespace sp::iscsid
