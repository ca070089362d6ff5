#pragma once
// "Delete the drive's network use" on Linux: the network file system
// mounted at the letter's mount point is unmounted. Nothing is done for a
// letter that holds no network mount, so a local volume is never touched.
//
// Root unmounts itself. Anyone else cannot: a CIFS mount is taken away by
// the root service (setuppilot-iscsid, which mounted it for this user), and
// the user's own smbnetfs mount with fusermount3.
#include <string>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/netconnections.h"
#include "platform/netuse.h"
#include "platform/storagetooloutput.h"

namespace sp {

// Takes the network mount `top` off `point` (the mount point of `letter`):
// 0, EBUSY when files are open there (and not `detach`), or another errno
// value. `forget` has the service drop its record of the mapping.
int UnmountNetworkDrive(const std::string& point, char letter, const MountEntry& top, bool detach, bool forget,
                        const std::string& serviceSocket, int timeoutMs = 30000);

class LinuxNetUse : public INetUse {
 public:
  // `timeoutMs` bounds the wait for the command: an unmount of a share
  // whose server has gone can hang.
  explicit LinuxNetUse(std::string mountRoot = kNetDriveMountRoot, int timeoutMs = 30000,
                       std::string mountInfoPath = "/proc/self/mountinfo",
                       std::string serviceSocket = iscsictl::kDefaultSocket);

  bool DeleteUse(std::string_view drive) override;

 private:
  std::string mountRoot_;
  int timeoutMs_;
  std::string mountInfoPath_;
  std::string serviceSocket_;
};

}  // namespace sp
