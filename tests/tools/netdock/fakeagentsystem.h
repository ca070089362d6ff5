#pragma once
// A model of the system as the agent uses it: a mount table (rendered as
// mountinfo text), smbnetfs and mount.cifs that add mounts, bind mounts and
// unmounts, NetBIOS and DNS names, and which servers can be reached.
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/netmounts.h"
#include "tools/netdock/agentsystem.h"

namespace sp::netdock {

class FakeAgentSystem : public IAgentSystem {
 public:
  static constexpr const char* kMountInfo = "/fake/mountinfo";
  static constexpr const char* kFilesystems = "/fake/filesystems";

  std::vector<MountEntry> mounts;
  bool kernelHasCifs = false;
  bool cifsModule = false;                     // the kernel can load a CIFS client when a cifs mount asks for it
  std::map<std::string, std::string> netbios;  // name -> address (nmblookup answers)
  std::map<std::string, std::string> dns;
  std::set<std::string> reachable;  // server addresses that answer
  std::set<std::string> busy;       // mount points with open files
  bool smbnetfsStarts = true;
  bool smbnetfsAlive = true;  // the tree's process runs
  int cifsExit = 0;
  std::string treeDir;  // where smbnetfs mounts its tree

  struct Call {
    std::vector<std::string> argv;
    std::vector<std::string> env;
  };
  std::vector<Call> tools;

  int Count(const std::string& tool) const {
    int n = 0;
    for (const Call& c : tools) n += c.argv[0] == tool;
    return n;
  }

  NetToolResult RunTool(const std::vector<std::string>& argv, int, const std::vector<std::string>& env) override {
    tools.push_back({argv, env});
    NetToolResult r;
    r.started = true;
    r.exitCode = 0;
    if (argv[0] == "nmblookup") {
      const auto it = netbios.find(argv[1]);
      r.output = it == netbios.end() ? "name_query failed to find name " + argv[1] + "\n"
                                     : it->second + " " + argv[1] + "<00>\n";
      r.exitCode = it == netbios.end() ? 1 : 0;
    } else if (argv[0] == "smbnetfs") {
      if (!smbnetfsStarts) {
        r.exitCode = 1;
        return r;
      }
      smbnetfsAlive = true;
      // One share (subdir=/address/share) or the whole tree.
      const std::size_t subdir = argv[3].find("subdir=/");
      if (subdir == std::string::npos) treeDir = argv[1];
      const std::string share =
          subdir == std::string::npos ? "" : argv[3].substr(subdir + 7, argv[3].find(',', subdir) - subdir - 7);
      mounts.push_back({argv[1], "fuse.smbnetfs", share.empty() ? "smbnetfs" : "/" + share, "/"});
    } else if (argv[0] == "mount.cifs") {
      kernelHasCifs = kernelHasCifs || cifsModule;
      r.exitCode = kernelHasCifs ? cifsExit : 32;
      if (r.exitCode == 0) mounts.push_back({argv[2], "cifs", argv[1], "/"});
    } else if (argv[0] == "fusermount3") {
      r.exitCode = Unmount(argv.back(), argv[2] == "-z") == 0 ? 0 : 1;
    }
    return r;
  }

  std::string ReadText(const std::string& path) override {
    if (path == kFilesystems) return kernelHasCifs ? "nodev\tproc\n\tcifs\n" : "nodev\tproc\n\text4\n";
    if (path != kMountInfo) return {};
    std::string text = "22 1 0:21 / / rw - overlay overlay rw\n";
    int id = 100;
    for (const MountEntry& m : mounts) {
      text += std::to_string(id++) + " 22 0:40 " + m.root + " " + m.mountPoint + " rw - " + m.fsType + " " + m.source +
              " rw\n";
    }
    return text;
  }

  int BindMount(const std::string& source, const std::string& target) override {
    if (treeDir.empty() || source.compare(0, treeDir.size() + 1, treeDir + "/") != 0) return ENOENT;
    mounts.push_back({target, "fuse.smbnetfs", "smbnetfs", source.substr(treeDir.size())});
    return 0;
  }

  int Unmount(const std::string& path, bool detach) override {
    if (busy.count(path) && !detach) return EBUSY;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
      if (it->mountPoint == path) {
        mounts.erase(std::next(it).base());
        return 0;
      }
    }
    return EINVAL;
  }

  bool ProbeDirectory(const std::string& path) override {
    if (!treeDir.empty() && path == treeDir) return smbnetfsAlive;
    std::string inTree;
    if (!treeDir.empty() && path.compare(0, treeDir.size() + 1, treeDir + "/") == 0) {
      inTree = path.substr(treeDir.size());
    } else if (const MountEntry* top = TopMountAt(mounts, path); top && top->fsType == "fuse.smbnetfs") {
      inTree = top->root == "/" ? top->source.substr(1) : top->root;
    } else {
      return true;
    }
    if (!smbnetfsAlive) return false;
    const std::string server = inTree.substr(1, inTree.find('/', 1) - 1);
    return reachable.count(server) > 0;
  }

  // The root service, for an agent that is not root: mounts CIFS where the
  // kernel has it, hands over drive folders, and takes its CIFS mounts away.
  std::string serviceRoot;
  std::vector<ControlRecord> serviceRequests;
  std::uint32_t AskService(const ControlRecord& request) override {
    serviceRequests.push_back(request);
    const std::string op = request.Get("op"), point = serviceRoot + "/" + request.Get("letter");
    if (op == iscsictl::op::kMountShare) {
      if (!kernelHasCifs) return iscsictl::kConnectionFailed;
      mounts.push_back({point, "cifs", "//" + request.Get("address") + "/" + request.Get("share"), "/"});
    } else if (op == iscsictl::op::kUnmountShare) {
      const MountEntry* top = TopMountAt(mounts, point);
      if (top && top->fsType == "cifs") Unmount(point, true);
    }
    return iscsictl::kOk;
  }

  std::string ResolveDns(const std::string& host) override {
    const auto it = dns.find(host);
    return it == dns.end() ? std::string() : it->second;
  }

  // Mount points (in order) of what is mounted at or under `prefix`.
  std::vector<std::string> PointsUnder(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const MountEntry& m : mounts) {
      if (m.mountPoint.compare(0, prefix.size(), prefix) == 0)
        out.push_back(m.fsType + " " + m.root + " " + m.mountPoint);
    }
    return out;
  }
};

}  // namespace sp::netdock
