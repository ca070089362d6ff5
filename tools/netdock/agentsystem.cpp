#include "tools/netdock/agentsystem.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/iscsicontrolclient.h"

namespace sp::netdock {

NetToolResult LinuxAgentSystem::RunTool(const std::vector<std::string>& argv, int timeoutMs,
                                        const std::vector<std::string>& extraEnv) {
  return RunNetTool(argv, timeoutMs, extraEnv);
}

std::string LinuxAgentSystem::ReadText(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[8192];
  ssize_t n;
  // Bounded: these files are small, and a mount table of megabytes would
  // mean something is badly wrong.
  while (text.size() < (8u << 20) && (n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return text;
}

int LinuxAgentSystem::BindMount(const std::string& source, const std::string& target) {
  return mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0 ? 0 : errno;
}

int LinuxAgentSystem::Unmount(const std::string& path, bool detach) {
  return umount2(path.c_str(), detach ? MNT_DETACH : 0) == 0 ? 0 : errno;
}

bool LinuxAgentSystem::ProbeDirectory(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  errno = 0;
  while (readdir(dir) != nullptr) {
  }
  const bool ok = errno == 0;
  closedir(dir);
  return ok;
}

std::string LinuxAgentSystem::ResolveDns(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return {};
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const bool ok = inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr;
  freeaddrinfo(found);
  return ok ? text : std::string();
}

std::uint32_t LinuxAgentSystem::AskService(const ControlRecord& request) {
  IscsiControlClient client(serviceSocket_);
  // A mount of an unreachable server may take mount.cifs its whole time.
  const auto reply = client.Call({request}, 40000);
  return reply ? static_cast<std::uint32_t>((*reply)[0].GetU64Or("status", iscsictl::kInternal))
               : iscsictl::kNotSupported;
}

}  // namespace sp::netdock
