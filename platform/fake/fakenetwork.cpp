#include "platform/fake/fakenetwork.h"

#include "base/text.h"
#include "platform/netdockprotocol.h"

namespace sp {
namespace {

void Note(NetJournal* journal, std::string line) {
  if (journal) journal->push_back(std::move(line));
}

}  // namespace

int FakeNetConnections::GetConnection(std::string_view drive, std::string* remote) {
  const char letter = DriveTextLetter(drive);
  if (!letter) return kNetErrorBadDevice;
  const auto it = entries.find(letter);
  if (it == entries.end() || (!it->second.connected && !it->second.remembered)) return kNetErrorNotConnected;
  if (remote) *remote = it->second.remote;
  return it->second.connected ? kNetNoError : kNetErrorConnectionUnavail;
}

int FakeNetConnections::CancelConnection(std::string_view drive, bool updateProfile, bool force) {
  Note(journal_, "cancel " + std::string(drive) + (updateProfile ? " profile" : "") + (force ? " force" : ""));
  const char letter = DriveTextLetter(drive);
  if (!letter) return kNetErrorBadDevice;
  const auto it = entries.find(letter);
  if (it == entries.end()) return kNetErrorNotConnected;
  Entry& e = it->second;
  if (e.connected && e.openFiles && !force) return kNetErrorOpenFiles;
  const bool dropped = e.connected || (updateProfile && e.remembered);
  e.connected = false;
  if (updateProfile) e.remembered = false;
  if (!e.remembered) entries.erase(it);
  return dropped ? kNetNoError : kNetErrorNotConnected;
}

bool FakeNetUse::DeleteUse(std::string_view drive) {
  if (!commandAvailable) {
    Note(journal_, "net not started");
    return false;
  }
  Note(journal_, "net use " + std::string(drive) + " delete");
  deleted.emplace_back(drive);
  if (connections_) {
    const auto it = connections_->entries.find(DriveTextLetter(drive));
    if (it != connections_->entries.end()) it->second.connected = false;
  }
  return true;
}

std::int64_t FakeNetDockAgent::SendRequest(std::uint32_t dwData, std::u16string_view text) {
  const std::string kind = dwData == kNetDockMapRequest ? "map" : dwData == kNetDockUnmapRequest ? "unmap" : "request";
  std::string line = "agent " + kind + " " + Utf16ToUtf8(text);
  if (!present) {
    Note(journal_, line + " (no agent)");
    return 0;
  }
  Note(journal_, line);
  received.push_back({dwData, std::u16string(text), NetDockCbData(text)});
  if (dwData == kNetDockMapRequest) return mapAnswer;
  if (dwData == kNetDockUnmapRequest) return unmapAnswer;
  return 0;
}

bool FakeNetDockAgent::Close() {
  if (!present) return false;
  Note(journal_, "agent close");
  ++closes;
  present = false;
  return true;
}

}  // namespace sp
