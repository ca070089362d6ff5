#pragma once
// The file that keeps one user's remembered network connections, shared by
// the wizard and the share-mapping agent. Changes are made under a lock
// (flock on "<file>.lock") and written whole to a temporary file that then
// replaces the list, so a reader never sees half a list. The folder is
// created with mode 0700, the list with 0600.
#include <optional>
#include <string>

#include "platform/rememberedconnections.h"

namespace sp {

// $XDG_CONFIG_HOME/netdock/mappings, else $HOME/.config/netdock/mappings;
// empty when neither variable is set.
std::string DefaultRememberedConnectionsPath();

class RememberedConnectionStore {
 public:
  explicit RememberedConnectionStore(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The list as it is now; empty when there is no file.
  RememberedConnections Load() const;
  // The share path remembered for `letter`.
  std::optional<std::string> Find(char letter) const;
  // Remembers (or replaces) the mapping. False when the path cannot be
  // written or the mapping is not a valid drive and share path.
  bool Remember(char letter, const std::string& remote);
  // Forgets the mapping; true when there was one.
  bool Forget(char letter);

 private:
  template <class Change>
  bool Update(Change change);

  std::string path_;
};

}  // namespace sp
