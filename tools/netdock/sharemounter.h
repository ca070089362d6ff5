#pragma once
// The agent's own work: mounting a share at a drive letter, taking it away,
// and keeping the list of remembered mappings.
//
// A share is mounted with mount.cifs where the kernel has CIFS, otherwise
// out of the user's smbnetfs tree with a bind mount of <tree>/<address>/<share>
// onto the letter's mount point. Both ways connect as guest.
#include <sys/types.h>
#include <string>
#include <vector>

#include "platform/linux/rememberedconnectionstore.h"
#include "platform/netconnections.h"
#include "platform/netdockprotocol.h"
#include "tools/netdock/agentsystem.h"
#include "tools/netdock/hostresolver.h"
#include "tools/netdock/smbnetfsinstance.h"

namespace sp::netdock {

class IShareMounter {
 public:
  virtual ~IShareMounter() = default;
  // Mounts the share at the letter and remembers it. True when it is there.
  virtual bool Map(const NetShareTarget& target) = 0;
  // Unmounts the network mount at the letter (never a local volume) and
  // forgets the mapping. True when there was something to take away.
  virtual bool Unmap(char letter) = 0;
};

struct MounterOptions {
  std::string mountRoot = kNetDriveMountRoot;
  std::string rememberedPath;
  std::string smbnetfsDir;
  std::string home;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string mountInfoPath = "/proc/self/mountinfo";
  std::string filesystemsPath = "/proc/filesystems";
};

class SmbShareMounter : public IShareMounter {
 public:
  SmbShareMounter(IAgentSystem& system, MounterOptions options);

  bool Map(const NetShareTarget& target) override;
  bool Unmap(char letter) override;

  // Mounts again every remembered mapping whose mount is missing (as at the
  // start of a session). Returns the letters that stay remembered but
  // unavailable.
  std::vector<char> RestoreRemembered();

 private:
  // Resolve and mount, without touching the remembered list.
  bool Mount(const NetShareTarget& target);
  bool MountCifs(const std::string& address, const NetShareTarget& target, const std::string& point);
  bool MountFromTree(const std::string& address, const NetShareTarget& target, const std::string& point);
  std::string PointOf(char letter) const;

  IAgentSystem& system_;
  MounterOptions options_;
  RememberedConnectionStore store_;
  HostResolver resolver_;
  SmbnetfsInstance smbnetfs_;
};

}  // namespace sp::netdock
