#include "platform/runtimedir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sp {

bool PrivateDirOk(const std::string& path, uid_t uid, bool create, std::string* why) {
  const auto fail = [&](const std::string& reason) {
    if (why) *why = path + ": " + reason;
    return false;
  };
  if (path.empty() || path[0] != '/') return fail("not an absolute path");
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT || !create) return fail(std::strerror(errno));
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return fail(std::strerror(errno));
    if (lstat(path.c_str(), &st) != 0) return fail(std::strerror(errno));
  }
  if (!S_ISDIR(st.st_mode)) return fail("not a directory");
  if (st.st_uid != uid) return fail("owned by another user");
  if (st.st_mode & 077) return fail("open to other users");
  return true;
}

std::string ResolveRuntimeDir(const RuntimeDirPlaces& places, std::string* why) {
  std::string reasons;
  const auto tryDir = [&](const std::string& path, bool create) {
    std::string reason;
    if (PrivateDirOk(path, places.uid, create, &reason)) return true;
    reasons += (reasons.empty() ? "" : "; ") + reason;
    return false;
  };
  if (!places.xdgRuntimeDir.empty() && tryDir(places.xdgRuntimeDir, false)) return places.xdgRuntimeDir;
  const std::string runUser = places.runUserDir + "/" + std::to_string(places.uid);
  if (tryDir(runUser, false)) return runUser;
  // Only root can make folders in /run, so nobody can have put one there.
  if (places.uid == 0 && tryDir(places.rootRunDir, true)) return places.rootRunDir;
  if (!places.homeDir.empty() && places.homeDir[0] == '/') {
    // The user's own cache folder (made as XDG would make it when missing);
    // the folder in it must pass the checks.
    const std::string cache = places.homeDir + "/.cache";
    mkdir(cache.c_str(), 0700);
    const std::string own = cache + "/setuppilot";
    if (tryDir(own, true)) return own;
  }
  if (why) *why = reasons.empty() ? "no runtime folder" : reasons;
  return {};
}

std::string UserRuntimeDir(std::string* why) {
  RuntimeDirPlaces places;
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  places.xdgRuntimeDir = xdg ? xdg : "";
  places.uid = geteuid();
  // The password database, not $HOME: under sudo $HOME may still be the
  // calling user's.
  if (const passwd* pw = getpwuid(places.uid); pw && pw->pw_dir) places.homeDir = pw->pw_dir;
  return ResolveRuntimeDir(places, why);
}

}  // namespace sp
