#pragma once
// The user's smbnetfs tree: one FUSE mount per user that shows every reachable
// SMB server as <tree>/<host>/<share>. Started on first need, kept running
// after the agent ends (the drive mappings are bind mounts out of it).
//
// Its configuration is ~/.smb/smbnetfs.conf (mode 0600). The agent writes one
// when there is none: guest access, no network browsing (only hosts asked
// for by address), short timeouts. An existing file is left as the user made
// it.
#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/netdock/agentsystem.h"

namespace sp::netdock {

// The smbnetfs command line for a tree at `treeDir`. FUSE hands it writes of
// 128 KiB (not 4 KiB: each request is a round trip through smbnetfs and its
// worker to the server, so small ones cost the share most of its speed).
// `allowOther` lets other users reach the tree, for a tree mounted by root
// on a person's behalf.
std::vector<std::string> SmbnetfsCommand(const std::string& treeDir, const std::string& configPath, bool allowOther);

// The command line of an smbnetfs that shows one share at `point` (for an
// agent that runs as the user and so cannot bind a share out of its tree).
std::vector<std::string> SmbnetfsShareCommand(const std::string& point, const std::string& configPath,
                                              const std::string& address, const std::string& share, uid_t uid,
                                              gid_t gid);

class SmbnetfsInstance {
 public:
  SmbnetfsInstance(IAgentSystem& system, std::string treeDir, std::string home,
                   std::string mountInfoPath = "/proc/self/mountinfo", bool allowOther = false);

  // The tree's directory with a live smbnetfs on it; "" when none can be
  // had. A dead instance (its process gone, the mount left) is cleared first.
  std::string Ensure();

  // Mounts the share alone at `point` (a folder of the user's). True when
  // the mount is there.
  bool MountShareAt(const std::string& point, const std::string& address, const std::string& share, uid_t uid,
                    gid_t gid);

  std::string configPath() const { return home_ + "/.smb/smbnetfs.conf"; }
  const std::string& treeDir() const { return treeDir_; }

 private:
  bool Mounted();
  bool WriteConfig();

  IAgentSystem& system_;
  std::string treeDir_;
  std::string home_;
  std::string mountInfoPath_;
  bool allowOther_;
};

}  // namespace sp::netdock
