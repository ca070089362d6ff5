#include "platform/netmounts.h"

#include "platform/netdockprotocol.h"

namespace sp {
namespace {

std::string RemoteFromSlashes(std::string_view path) {
  // "host/share" after the leading slashes are removed.
  const std::size_t sep = path.find('/');
  if (sep == std::string_view::npos) return {};
  const std::string_view host = path.substr(0, sep);
  const std::string_view share = path.substr(sep + 1);
  if (!IsValidNetHostName(host) || !IsValidNetShareName(share)) return {};
  return MakeUncPath(host, share);
}

}  // namespace

const MountEntry* TopMountAt(const std::vector<MountEntry>& mounts, std::string_view path) {
  const MountEntry* top = nullptr;
  for (const MountEntry& m : mounts) {
    if (m.mountPoint == path) top = &m;
  }
  return top;
}

bool IsNetworkMount(const MountEntry& entry) {
  return entry.fsType == "cifs" || entry.fsType == "smb3" || entry.fsType == "smbfs" || entry.fsType == "fuse.smbnetfs";
}

std::string RemoteOfMount(const MountEntry& entry) {
  // A bind out of an smbnetfs tree names the share by its subtree; an
  // smbnetfs of one share (root "/") by its source, as CIFS does.
  if (entry.fsType == "fuse.smbnetfs" && entry.root != "/") {
    if (entry.root.size() < 2 || entry.root[0] != '/') return {};
    return RemoteFromSlashes(std::string_view(entry.root).substr(1));
  }
  if (!IsNetworkMount(entry)) return {};
  std::string_view src = entry.source;
  if (src.size() < 3 || src[0] != '/' || src[1] != '/') return {};
  src.remove_prefix(2);
  while (!src.empty() && src.back() == '/') src.remove_suffix(1);
  return RemoteFromSlashes(src);
}

bool KernelListsFilesystem(std::string_view procFilesystems, std::string_view name) {
  while (!procFilesystems.empty()) {
    const std::size_t nl = procFilesystems.find('\n');
    std::string_view line = procFilesystems.substr(0, nl);
    // "nodev\tname" or "\tname".
    const std::size_t tab = line.rfind('\t');
    if (tab != std::string_view::npos) line.remove_prefix(tab + 1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    if (line == name) return true;
    if (nl == std::string_view::npos) break;
    procFilesystems.remove_prefix(nl + 1);
  }
  return false;
}

}  // namespace sp
