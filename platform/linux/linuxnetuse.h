#pragma once
// "Delete the drive's network use" on Linux: `umount` of the network file
// system mounted at the letter's mount point. Nothing is run for a letter
// that holds no network mount, so a local volume is never touched.
#include <string>

#include "platform/netconnections.h"
#include "platform/netuse.h"

namespace sp {

class LinuxNetUse : public INetUse {
 public:
  // `timeoutMs` bounds the wait for the command: an unmount of a share
  // whose server has gone can hang.
  explicit LinuxNetUse(std::string mountRoot = kNetDriveMountRoot, int timeoutMs = 30000,
                       std::string mountInfoPath = "/proc/self/mountinfo");

  bool DeleteUse(std::string_view drive) override;

 private:
  std::string mountRoot_;
  int timeoutMs_;
  std::string mountInfoPath_;
};

}  // namespace sp
