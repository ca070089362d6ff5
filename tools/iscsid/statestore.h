#pragma once
// What the service keeps across restarts: the node name, the CHAP secret,
// the send-targets portals, static targets, persistent logins and
// persistent devices and the prepared volumes to mount again. Kept as control-protocol records in one file that is
// replaced atomically (written beside, synced, renamed), readable by root
// only because it holds CHAP secrets.
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/iscsicontroltypes.h"

namespace sp::iscsid {

// A persistent login and, when it names no portal, the portal its target was
// found at when it was made: after a restart the login goes there at once,
// before any discovery has run.
struct StoredLogin {
  iscsictl::LoginRequest request;
  std::optional<iscsictl::Portal> resolved;
};

struct PersistentState {
  std::string nodeName;    // empty: the default name
  std::string chapSecret;  // bytes
  std::vector<iscsictl::SendTargetsPortal> portals;
  std::vector<iscsictl::StaticTarget> staticTargets;  // only the ones to persist
  std::vector<StoredLogin> persistentLogins;
  std::vector<std::string> persistentDevices;
  std::vector<iscsictl::RememberedVolume> volumes;
};

// Text form and back. Unknown record types are skipped (a newer service may
// have written them); a malformed file fails as a whole.
std::string EncodeState(const PersistentState& state);
bool DecodeState(const std::string& text, PersistentState& state, std::string* error = nullptr);

class StateStore {
 public:
  explicit StateStore(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  enum class LoadResult { kLoaded, kMissing, kCorrupt, kUnreadable };
  // A corrupt file is moved aside to "<path>.corrupt" so it is neither lost
  // nor overwritten, and the service starts empty. A file that exists but
  // cannot be read is left alone: the service must not start and overwrite
  // it.
  LoadResult Load(PersistentState& state, std::string* error = nullptr);
  bool Save(const PersistentState& state, std::string* error = nullptr);

 private:
  std::string path_;
};

}  // namespace sp::iscsid
