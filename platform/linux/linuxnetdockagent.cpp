#include "platform/linux/linuxnetdockagent.h"

#include "platform/linux/detachedspawn.h"
#include "platform/runtimedir.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/netdockprotocol.h"

namespace sp {
namespace {

constexpr int kSendTimeoutMs = 5000;
constexpr int kCloseTimeoutMs = 5000;

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAnswer(int fd, int timeoutMs, std::int64_t* answer) {
  std::uint8_t buf[kNetDockReplySize];
  std::size_t have = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (have < sizeof buf) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = recv(fd, buf + have, sizeof buf - have, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    have += static_cast<std::size_t>(n);
  }
  *answer = DecodeNetDockReply(buf);
  return true;
}

}  // namespace

std::string NetDockSocketPath() {
  const std::string dir = UserRuntimeDir();
  return dir.empty() ? std::string() : dir + "/NetDock";
}

LinuxNetDockAgent::LinuxNetDockAgent(std::string socketPath, int answerTimeoutMs)
    : socketPath_(std::move(socketPath)), answerTimeoutMs_(answerTimeoutMs) {}

int LinuxNetDockAgent::Connect() const {
  sockaddr_un addr;
  if (!FillAddress(socketPath_, &addr)) return -1;
  struct stat st;
  if (lstat(socketPath_.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != geteuid()) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  ucred peer{};
  socklen_t len = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != geteuid()) {
    close(fd);
    return -1;
  }
  timeval tv{kSendTimeoutMs / 1000, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  return fd;
}

bool LinuxNetDockAgent::Exchange(const std::vector<std::uint8_t>& request, int timeoutMs, std::int64_t* answer) const {
  const int fd = Connect();
  if (fd < 0) return false;
  const bool ok = SendAll(fd, request) && ReadAnswer(fd, timeoutMs, answer);
  close(fd);
  return ok;
}

bool LinuxNetDockAgent::Find() {
  const int fd = Connect();
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::int64_t LinuxNetDockAgent::SendRequest(std::uint32_t dwData, std::u16string_view text) {
  const std::vector<std::uint8_t> request = EncodeNetDockRequest(dwData, text);
  std::int64_t answer = 0;
  if (request.empty() || !Exchange(request, answerTimeoutMs_, &answer)) return 0;
  return answer;
}

bool LinuxNetDockAgent::Close() {
  const int fd = Connect();
  if (fd < 0) return false;
  std::int64_t answer = 0;
  // The agent answers before it ends; it was there either way.
  if (SendAll(fd, EncodeNetDockClose())) ReadAnswer(fd, kCloseTimeoutMs, &answer);
  close(fd);
  return true;
}

bool StartAgentIfAbsent(const std::string& programDir, const std::string& socketPath) {
  if (LinuxNetDockAgent(socketPath).Find()) return true;
  const std::string program = programDir + "/netdock";
  if (access(program.c_str(), X_OK) != 0) return false;
  // The agent outlives the wizard.
  return SpawnDetached(program, {program, "--socket", socketPath}) > 0;
}

bool WaitForAgent(const std::string& socketPath, int waitMs) {
  LinuxNetDockAgent agent(socketPath);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (agent.Find()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return agent.Find();
}

bool EnsureAgentRunning(const std::string& programDir, const std::string& socketPath, int startWaitMs) {
  return StartAgentIfAbsent(programDir, socketPath) && WaitForAgent(socketPath, startWaitMs);
}

}  // namespace sp
