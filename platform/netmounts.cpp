#include "platform/netmounts.h"

#include "platform/netdockprotocol.h"

namespace sp {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// The kernel writes blank, tab, newline and backslash in paths as \ooo.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && IsOctal(s[i + 1]) && IsOctal(s[i + 2]) && IsOctal(s[i + 3])) {
      const int v = (s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0');
      if (v < 256) {
        out.push_back(static_cast<char>(v));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

bool ParseLine(std::string_view line, NetMountEntry* entry) {
  const std::vector<std::string_view> f = SplitFields(line);
  // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
  if (f.size() < 9) return false;
  std::size_t dash = 6;
  while (dash < f.size() && f[dash] != "-") ++dash;
  if (dash + 2 >= f.size()) return false;
  entry->root = Unescape(f[3]);
  entry->mountPoint = Unescape(f[4]);
  entry->fsType = Unescape(f[dash + 1]);
  entry->source = Unescape(f[dash + 2]);
  return true;
}

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

std::vector<NetMountEntry> ParseNetMountInfo(std::string_view text) {
  std::vector<NetMountEntry> out;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    NetMountEntry entry;
    if (ParseLine(text.substr(0, nl), &entry)) out.push_back(std::move(entry));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return out;
}

const NetMountEntry* TopMountAt(const std::vector<NetMountEntry>& mounts, std::string_view path) {
  const NetMountEntry* top = nullptr;
  for (const NetMountEntry& m : mounts) {
    if (m.mountPoint == path) top = &m;
  }
  return top;
}

bool IsNetworkMount(const NetMountEntry& entry) {
  return entry.fsType == "cifs" || entry.fsType == "smb3" || entry.fsType == "smbfs" ||
         entry.fsType == "fuse.smbnetfs";
}

std::string RemoteOfMount(const NetMountEntry& entry) {
  if (entry.fsType == "fuse.smbnetfs") {
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
