#pragma once
// The user's runtime folder: where the single-instance lock, the
// share-mapping agent's socket and its folders live.
//
// $XDG_RUNTIME_DIR when the session set it and it is really this user's
// private folder. Without one (a program started with sudo has none) a
// private folder of the user's own is used instead: /run/user/<uid> when it
// is there, /run/setuppilot for root, else setuppilot under the user's
// cache folder. Never a name in /tmp that someone else could have made
// first: every candidate must be a directory (not a link) owned by the user
// and closed to everyone else (mode 0700), or it is not used.
#include <string>

#include <sys/types.h>

namespace sp {

struct RuntimeDirPlaces {
  std::string xdgRuntimeDir;  // $XDG_RUNTIME_DIR ("" when unset)
  uid_t uid = 0;              // the effective user
  std::string homeDir;        // the user's home from the password database
  std::string runUserDir = "/run/user";
  std::string rootRunDir = "/run/setuppilot";
};

// Checks that `path` is a private folder of `uid`: a directory, not a link,
// owned by `uid`, no access for group or others. With `create` a missing
// folder is made (mode 0700, its parent must exist). False with the reason
// in *why otherwise.
bool PrivateDirOk(const std::string& path, uid_t uid, bool create, std::string* why);

// The runtime folder for `places`; "" with the reason in *why when none of
// the candidates is a private folder of the user.
std::string ResolveRuntimeDir(const RuntimeDirPlaces& places, std::string* why = nullptr);

// The same for this process (its environment, effective user and home).
std::string UserRuntimeDir(std::string* why = nullptr);

}  // namespace sp
