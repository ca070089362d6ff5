#pragma once
// Network connections on Linux: the mount table says what is mounted at a
// letter's mount point, the agent's list of remembered connections says what
// should be.
#include <string>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/rememberedconnectionstore.h"
#include "platform/netconnections.h"

namespace sp {

class LinuxNetConnections : public INetConnections {
 public:
  explicit LinuxNetConnections(std::string mountRoot = kNetDriveMountRoot,
                               std::string rememberedPath = DefaultRememberedConnectionsPath(),
                               std::string mountInfoPath = "/proc/self/mountinfo",
                               std::string serviceSocket = iscsictl::kDefaultSocket);

  int GetConnection(std::string_view drive, std::string* remote) override;
  int CancelConnection(std::string_view drive, bool updateProfile, bool force) override;

 private:
  std::string MountPointOf(char letter) const;

  std::string mountRoot_;
  RememberedConnectionStore store_;
  std::string mountInfoPath_;
  std::string serviceSocket_;  // unmounts for a user who is not root (linuxnetuse.h)
};

// The mount table as text ("" when it cannot be read).
std::string ReadMountInfo(const std::string& path = "/proc/self/mountinfo");

}  // namespace sp
