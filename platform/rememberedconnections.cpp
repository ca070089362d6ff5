#include "platform/rememberedconnections.h"

#include "platform/netconnections.h"
#include "platform/netdockprotocol.h"

namespace sp {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void ParseLine(std::string_view line, RememberedConnections* out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() < 3 || line[0] == '#') return;
  const char letter = DriveTextLetter(line.substr(0, 2));
  if (!letter || !IsBlank(line[2])) return;
  std::size_t start = 2;
  while (start < line.size() && IsBlank(line[start])) ++start;
  std::size_t end = line.size();
  while (end > start && IsBlank(line[end - 1])) --end;
  const std::string_view remote = line.substr(start, end - start);
  std::string host, share;
  if (!ParseUncPath(remote, &host, &share)) return;
  (*out)[letter] = std::string(remote);
}

}  // namespace

RememberedConnections ParseRememberedConnections(std::string_view text) {
  if (text.size() > kRememberedConnectionsMaxBytes) text = text.substr(0, kRememberedConnectionsMaxBytes);
  RememberedConnections out;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    ParseLine(text.substr(0, nl), &out);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return out;
}

std::string SerializeRememberedConnections(const RememberedConnections& connections) {
  std::string out = "# Drive letters mapped to network shares (netdock). Drive, tab, share.\n";
  for (const auto& [letter, remote] : connections) {
    // Only what reads back the same: a stray entry must not add lines.
    std::string host, share;
    if (letter < 'A' || letter > 'Z' || !ParseUncPath(remote, &host, &share)) continue;
    out += letter;
    out += ":\t";
    out += remote;
    out += '\n';
  }
  return out;
}

}  // namespace sp
