#include "platform/linux/rememberedconnectionstore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/writeall.h"
#include "platform/netdockprotocol.h"

namespace sp {
namespace {

std::string ReadAll(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[4096];
  ssize_t n;
  while (text.size() < kRememberedConnectionsMaxBytes && (n = read(fd, buf, sizeof buf)) > 0) {
    text.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

bool MakeFolder(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return true;
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  std::filesystem::create_directories(folder.parent_path(), ec);
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool Replace(const std::string& path, const RememberedConnections& list) {
  return ReplaceFile(path, SerializeRememberedConnections(list));
}

}  // namespace

std::string DefaultRememberedConnectionsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/netdock/mappings";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/netdock/mappings";
  return {};
}

RememberedConnections RememberedConnectionStore::Load() const {
  if (path_.empty()) return {};
  return ParseRememberedConnections(ReadAll(path_));
}

std::optional<std::string> RememberedConnectionStore::Find(char letter) const {
  const RememberedConnections list = Load();
  const auto it = list.find(letter);
  if (it == list.end()) return std::nullopt;
  return it->second;
}

template <class Change>
bool RememberedConnectionStore::Update(Change change) {
  if (path_.empty() || !MakeFolder(path_)) return false;
  const std::string lockPath = path_ + ".lock";
  const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return false;
  bool ok = false;
  if (flock(lock, LOCK_EX) == 0) {
    RememberedConnections list = ParseRememberedConnections(ReadAll(path_));
    if (change(list)) ok = Replace(path_, list);
    flock(lock, LOCK_UN);
  }
  close(lock);
  return ok;
}

bool RememberedConnectionStore::Remember(char letter, const std::string& remote) {
  std::string host, share;
  if (letter < 'A' || letter > 'Z' || !ParseUncPath(remote, &host, &share)) return false;
  return Update([&](RememberedConnections& list) {
    list[letter] = remote;
    return true;
  });
}

bool RememberedConnectionStore::Forget(char letter) {
  return Update([&](RememberedConnections& list) { return list.erase(letter) > 0; });
}

}  // namespace sp
