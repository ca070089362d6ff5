#pragma once
// The FUSE directory of LUN files: one regular file per logged-in LUN, as big
// as the LUN, read and written through its session; the LUN's INQUIRY data
// as the extended attribute "user.scsi.inquiry". Nothing else can be made
// there: no new files, no renames, no resizing.
//
// Open files keep their LUN object; once the LUN is withdrawn (logout,
// replaced after a change) they fail with EIO instead of reaching another
// disk's blocks.
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/iscsid/lunpublisher.h"

struct fuse;

namespace sp::iscsid {

inline constexpr const char* kInquiryAttribute = "user.scsi.inquiry";
inline constexpr const char* kLunAttribute = "user.iscsi.lun";

class LunFileSystem : public ILunPublisher {
 public:
  explicit LunFileSystem(std::string mountPoint);
  ~LunFileSystem() override;
  LunFileSystem(const LunFileSystem&) = delete;
  LunFileSystem& operator=(const LunFileSystem&) = delete;

  // Mounts and starts serving. A dead mount left at the mount point by an
  // earlier run that did not end cleanly is detached first. Returns false
  // with `error` set when mounting fails.
  bool Mount(std::string* error);
  // Stops serving and detaches the mount; files still open then fail.
  void Unmount();

  std::string Publish(const std::string& name, std::shared_ptr<LunDevice> device) override;
  void Withdraw(const std::string& name) override;
  bool InUse(const std::string& name) const override;

  const std::string& mountPoint() const { return mountPoint_; }

  // The file system's operations, reached from the FUSE callbacks.
  struct Entry {
    std::shared_ptr<LunDevice> device;
  };
  int GetAttr(const std::string& name, struct stat* st, std::uint64_t handle, bool hasHandle);
  int List(std::map<std::string, std::uint64_t>& sizes) const;
  int Open(const std::string& name, int flags, std::uint64_t& handle);
  int Release(std::uint64_t handle);
  std::shared_ptr<LunDevice> DeviceOf(std::uint64_t handle) const;
  std::shared_ptr<LunDevice> DeviceNamed(const std::string& name) const;

 private:
  struct Handle {
    std::string name;
    std::shared_ptr<LunDevice> device;
  };

  // Ends the kernel's side of the mount, which a lazy unmount leaves alive
  // while anything (a loop device under a busy volume) holds a file open.
  void AbortConnection() const;

  std::string mountPoint_;
  fuse* fuse_ = nullptr;
  std::thread loop_;
  std::atomic<bool> loopEnded_{false};
  unsigned connection_ = 0;  // the mount's FUSE connection number; 0: unknown
  uid_t uid_;
  gid_t gid_;
  time_t mountTime_ = 0;

  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  std::map<std::uint64_t, Handle> handles_;
  std::uint64_t nextHandle_ = 1;
};

}  // namespace sp::iscsid
