#include "platform/linux/linuxfilebookmarks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/linux/writeall.h"

namespace sp {

namespace {

std::string BaseFolder(const char* variable, const char* underHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return home && home[0] == '/' ? std::string(home) + underHome : std::string();
}

// The file's text; nothing when it cannot be read, "" when it is missing.
std::optional<std::string> ReadAll(const std::string& path, bool* exists) {
  *exists = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  *exists = true;
  std::string text;
  char buf[8192];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

// The owner for a new file: that of the folder it goes in (the user's,
// under their home).
bool WriteReplacing(const std::string& path, const std::string& text) {
  const std::string folder = path.substr(0, path.rfind('/'));
  struct stat old {};
  const bool existed = stat(path.c_str(), &old) == 0;
  if (!existed && stat(folder.c_str(), &old) != 0) return false;
  const std::string temp = path + ".setuppilot-tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text);
  ok = fchmod(fd, existed ? (old.st_mode & 07777) : 0644) == 0 && ok;
  if (geteuid() == 0) ok = fchown(fd, old.st_uid, old.st_gid) == 0 && ok;
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

// Makes the folders of `path` that are missing below `home`-like bases,
// owned like the nearest one that is there.
bool MakeParent(const std::string& path) {
  const std::string folder = path.substr(0, path.rfind('/'));
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!MakeParent(folder)) return false;
  struct stat parent {};
  if (stat(folder.substr(0, folder.rfind('/')).c_str(), &parent) != 0) return false;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  if (geteuid() == 0 && chown(folder.c_str(), parent.st_uid, parent.st_gid) != 0) return false;
  return true;
}

template <typename Edit>
bool EditFile(const std::string& path, bool createMissing, Edit edit) {
  if (path.empty()) return false;
  bool exists = false;
  const std::optional<std::string> text = ReadAll(path, &exists);
  if (!text) return false;
  if (!exists && !createMissing) return true;  // nothing to change there
  const std::optional<std::string> changed = edit(*text);
  if (!changed) return false;  // not a file of that kind: left alone
  if (exists && *changed == *text) return true;
  if (!exists && !MakeParent(path)) return false;
  return WriteReplacing(path, *changed);
}

}  // namespace

LinuxFileBookmarks::LinuxFileBookmarks(Options options) : options_(std::move(options)) {
  if (options_.gtkFile.empty()) {
    const std::string base = BaseFolder("XDG_CONFIG_HOME", "/.config");
    if (!base.empty()) options_.gtkFile = base + "/gtk-3.0/bookmarks";
  }
  if (options_.kdeFile.empty()) {
    const std::string base = BaseFolder("XDG_DATA_HOME", "/.local/share");
    if (!base.empty()) options_.kdeFile = base + "/user-places.xbel";
  }
}

std::string LinuxFileBookmarks::Uri(char letter) const {
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  return FileUri(options_.mountRoot + "/" + letter);
}

bool LinuxFileBookmarks::AddDrive(char letter, const std::string& name) {
  if (DriveLetterBit(letter) == 0) return false;
  const std::string uri = Uri(letter);
  const bool gtk = EditFile(options_.gtkFile, true, [&](const std::string& t) {
    return std::optional<std::string>(WithGtkBookmark(t, uri, name));
  });
  const bool kde =
      EditFile(options_.kdeFile, false, [&](const std::string& t) { return WithXbelBookmark(t, uri, name); });
  return gtk && kde;
}

bool LinuxFileBookmarks::RemoveDrive(char letter) {
  if (DriveLetterBit(letter) == 0) return false;
  const std::string uri = Uri(letter);
  const bool gtk = EditFile(options_.gtkFile, false, [&](const std::string& t) {
    return std::optional<std::string>(WithoutGtkBookmark(t, uri));
  });
  const bool kde = EditFile(options_.kdeFile, false, [&](const std::string& t) { return WithoutXbelBookmark(t, uri); });
  return gtk && kde;
}

}  // namespace sp
