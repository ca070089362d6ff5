#pragma once
// The agent's own work: mounting a share at a drive letter, taking it away,
// and keeping the list of remembered mappings.
//
// A share is mounted with mount.cifs (the kernel's client, at the link's
// speed; the kernel loads its module when first asked), and where that
// fails out of the user's smbnetfs tree with a bind mount of
// <tree>/<address>/<share> onto the letter's mount point. Both ways connect
// as guest. Once a failed mount.cifs leaves the kernel without CIFS, it is
// not asked again.
//
// An agent that runs as the user (not root) cannot mount CIFS nor bind, nor
// make folders at the drive root: it asks the root service to mount the
// share for it (mount_share), and else has the service hand it the letter's
// empty folder (drive_point) and mounts an smbnetfs of the one share there
// itself. Unmapping is the service's unmount_share for a CIFS mount and
// fusermount3 for its own.
#include <sys/types.h>
#include <string>
#include <vector>

#include "platform/linux/rememberedconnectionstore.h"
#include "platform/netconnections.h"
#include "platform/netdockprotocol.h"
#include "platform/storagetooloutput.h"
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
  // Mounts reachable by other users (an agent running as root mounts for
  // the person at the desktop).
  bool allowOther = false;
  // Mount through the root service (an agent that is not root).
  bool viaService = false;
};

// The mount.cifs command line for the share at `address`, as guest, its
// files owned by uid/gid.
std::vector<std::string> CifsMountCommand(const std::string& address, const std::string& share,
                                          const std::string& point, uid_t uid, gid_t gid);

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
  bool UnmountLayer(char letter, const MountEntry& top);
  std::uint32_t AskService(const char* op, const NetShareTarget& target, const std::string& address = {});

  IAgentSystem& system_;
  MounterOptions options_;
  RememberedConnectionStore store_;
  HostResolver resolver_;
  SmbnetfsInstance smbnetfs_;
  bool noKernelCifs_ = false;
};

}  // namespace sp::netdock
