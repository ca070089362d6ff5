#include "devtools/vbx207-sim/simclient.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace sp::sim {

using nlohmann::json;

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (auto b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

namespace {

constexpr int kIoTimeoutMs = 10000;

int Connect(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, path.c_str(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t w = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

bool ReadLine(int fd, std::string* line) {
  char buf[65536];
  for (;;) {
    const auto eol = line->find('\n');
    if (eol != std::string::npos) {
      line->resize(eol);
      return true;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kIoTimeoutMs) <= 0) return false;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    line->append(buf, static_cast<std::size_t>(n));
  }
}

json Failure(const std::string& text) { return {{"ok", false}, {"error", text}}; }

}  // namespace

bool SimClient::WaitReady(int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const json reply = Request({{"op", "ping"}});
    if (reply.value("ok", false)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

json SimClient::Request(const json& request) const {
  const int fd = Connect(path_);
  if (fd < 0) return Failure("cannot connect to " + path_ + ": " + std::strerror(errno));
  std::string line;
  const bool ok = WriteAll(fd, request.dump() + "\n") && ReadLine(fd, &line);
  close(fd);
  if (!ok) return Failure("no answer from " + path_);
  json reply = json::parse(line, nullptr, false);
  if (reply.is_discarded() || !reply.is_object()) return Failure("unreadable answer");
  return reply;
}

json SimClient::State() const {
  const json reply = Request({{"op", "state"}});
  return reply.value("ok", false) ? reply["state"] : json(nullptr);
}

json SimClient::Appliance(const std::string& mac) const {
  const json state = State();
  if (!state.is_object()) return nullptr;
  for (const auto& a : state["appliances"]) {
    if (strcasecmp(a["mac"].get<std::string>().c_str(), mac.c_str()) == 0) return a;
  }
  return nullptr;
}

bool SimClient::Ok(const json& request) const { return Request(request).value("ok", false); }

bool SimClient::SetFault(const SimFault& f) const {
  json r = {{"op", "fault"},    {"kind", f.kind},        {"command", f.command}, {"item", f.item},
            {"count", f.count}, {"delay_ms", f.delayMs}, {"code", f.code}};
  if (!f.mac.empty()) r["mac"] = f.mac;
  return Ok(r);
}

bool SimClient::ClearFaults(const std::string& mac) const {
  json r = {{"op", "clear_faults"}};
  if (!mac.empty()) r["mac"] = mac;
  return Ok(r);
}

bool SimClient::SetDisks(const std::string& mac, const std::vector<SimDisk>& disks) const {
  json list = json::array();
  for (const auto& d : disks) {
    list.push_back({{"manufacturer", d.manufacturer},
                    {"model", d.model},
                    {"serial", d.serial},
                    {"bay", std::string(1, d.bay)},
                    {"capacity_mb", d.capacityMb}});
  }
  json r = {{"op", "disks"}, {"disks", list}};
  if (!mac.empty()) r["mac"] = mac;
  return Ok(r);
}

bool SimClient::SetProgressSpeed(const std::string& mac, double percentPerSecond) const {
  json r = {{"op", "progress_speed"}, {"percent_per_second", percentPerSecond}};
  if (!mac.empty()) r["mac"] = mac;
  return Ok(r);
}

namespace {
json Addressed(json request, const std::string& mac) {
  if (!mac.empty()) request["mac"] = mac;
  return request;
}
}  // namespace

bool SimClient::Restart(const std::string& mac, int downMs) const {
  return Ok(Addressed({{"op", "restart"}, {"down_ms", downMs}}, mac));
}

bool SimClient::SetServed(const std::string& mac, bool iscsi, bool share) const {
  return Ok(Addressed({{"op", "serve"}, {"iscsi", iscsi}, {"share", share}}, mac));
}

bool SimClient::RemoveTarget(const std::string& mac) const { return Ok(Addressed({{"op", "remove_target"}}, mac)); }

}  // namespace sp::sim
