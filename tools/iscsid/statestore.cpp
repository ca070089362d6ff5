#include "tools/iscsid/statestore.h"

#include "platform/linux/writeall.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace sp::iscsid {
namespace {

using namespace iscsictl;

constexpr std::size_t kMaxStateFile = 16u << 20;

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool ReadFile(const std::string& path, std::string& text, bool& missing) {
  missing = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT;
    return false;
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<std::size_t>(n) > kMaxStateFile) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

ControlRecord StaticTargetRecord(const StaticTarget& target) {
  ControlRecord record("target");
  record.Set("name", target.name).Set("alias", target.alias).SetHex("flags", target.flags);
  PutOptions(record, target.options);
  return record;
}

bool DecodeRecords(const ControlMessage& message, PersistentState& state, std::string* error) {
  // Portal and mapping records belong to the target or login before them.
  enum class Owner { kNone, kTarget, kLogin } owner = Owner::kNone;
  for (std::size_t i = 1; i < message.size(); ++i) {
    const ControlRecord& r = message[i];
    const std::string& type = r.type();
    if (type == "portal") {
      SendTargetsPortal portal;
      if (!GetSendTargetsPortal(r, portal)) return Fail(error, "bad portal record");
      state.portals.push_back(std::move(portal));
      owner = Owner::kNone;
    } else if (type == "target") {
      StaticTarget target;
      std::uint32_t flags = 0;
      if (!GetOptions(r, target.options) || !GetU32(r, "flags", flags, 0)) return Fail(error, "bad target record");
      target.name = r.Get("name");
      target.alias = r.Get("alias");
      target.flags = flags;
      target.persist = true;
      if (target.name.empty() || target.name.size() > kMaxNameLength) return Fail(error, "bad target name");
      state.staticTargets.push_back(std::move(target));
      owner = Owner::kTarget;
    } else if (type == "target_portal") {
      Portal portal;
      if (owner != Owner::kTarget || !GetPortal(r, portal)) return Fail(error, "stray target portal");
      state.staticTargets.back().portals.push_back(std::move(portal));
    } else if (type == "login") {
      StoredLogin login;
      if (!GetLoginRequest(r, login.request) || login.request.target.empty()) return Fail(error, "bad login record");
      login.request.persistent = true;
      if (r.Has("resolved_address")) {
        std::uint32_t socket = 0;
        if (!GetU32(r, "resolved_socket", socket, 3260) || socket > 0xFFFF) return Fail(error, "bad resolved portal");
        login.resolved = Portal{{}, r.Get("resolved_address"), static_cast<std::uint16_t>(socket)};
      }
      state.persistentLogins.push_back(std::move(login));
      owner = Owner::kLogin;
    } else if (type == "mapping") {
      LunMapping mapping;
      if (owner == Owner::kNone || !GetMapping(r, mapping)) return Fail(error, "stray mapping");
      if (owner == Owner::kTarget)
        state.staticTargets.back().mappings.push_back(mapping);
      else
        state.persistentLogins.back().request.mappings.push_back(mapping);
    } else if (type == "volume") {
      RememberedVolume volume;
      if (!GetVolume(r, volume)) return Fail(error, "bad volume record");
      state.volumes.push_back(std::move(volume));
      owner = Owner::kNone;
    } else if (type == "device") {
      state.persistentDevices.push_back(r.Get("path"));
      owner = Owner::kNone;
    } else {
      owner = Owner::kNone;  // written by a newer service: skipped
    }
  }
  return true;
}

}  // namespace

std::string EncodeState(const PersistentState& state) {
  ControlMessage message;
  ControlRecord head("state");
  head.SetU64("v", 1).Set("node_name", state.nodeName).Set("chap_secret", state.chapSecret);
  message.push_back(std::move(head));
  for (const auto& portal : state.portals) {
    ControlRecord record("portal");
    PutSendTargetsPortal(record, portal);
    message.push_back(std::move(record));
  }
  for (const auto& target : state.staticTargets) {
    message.push_back(StaticTargetRecord(target));
    for (const auto& portal : target.portals) {
      ControlRecord record("target_portal");
      PutPortal(record, portal);
      message.push_back(std::move(record));
    }
    for (const auto& mapping : target.mappings) message.push_back(MappingRecord(mapping));
  }
  for (const auto& login : state.persistentLogins) {
    ControlRecord record("login");
    PutLoginRequest(record, login.request);
    if (login.resolved) {
      record.Set("resolved_address", login.resolved->address).SetU64("resolved_socket", login.resolved->socket);
    }
    message.push_back(std::move(record));
    for (const auto& mapping : login.request.mappings) message.push_back(MappingRecord(mapping));
  }
  for (const auto& device : state.persistentDevices) {
    ControlRecord record("device");
    record.Set("path", device);
    message.push_back(std::move(record));
  }
  for (const auto& volume : state.volumes) {
    ControlRecord record("volume");
    PutVolume(record, volume);
    message.push_back(std::move(record));
  }
  return EncodeControlMessage(message);
}

bool DecodeState(const std::string& text, PersistentState& state, std::string* error) {
  auto message = DecodeControlMessage(text, error);
  if (!message) return false;
  if (message->empty() || message->front().type() != "state" || message->front().GetU64Or("v", 0) != 1) {
    return Fail(error, "not a state file of version 1");
  }
  PersistentState loaded;
  loaded.nodeName = message->front().Get("node_name");
  loaded.chapSecret = message->front().Get("chap_secret");
  if (!DecodeRecords(*message, loaded, error)) return false;
  state = std::move(loaded);
  return true;
}

StateStore::LoadResult StateStore::Load(PersistentState& state, std::string* error) {
  std::string text;
  bool missing = false;
  if (!ReadFile(path_, text, missing)) {
    if (missing) return LoadResult::kMissing;
    if (error) *error = std::string("cannot read: ") + std::strerror(errno);
    return LoadResult::kUnreadable;
  }
  if (DecodeState(text, state, error)) return LoadResult::kLoaded;
  std::error_code ec;
  std::filesystem::rename(path_, path_ + ".corrupt", ec);
  return LoadResult::kCorrupt;
}

bool StateStore::Save(const PersistentState& state, std::string* error) {
  std::error_code ec;
  const std::filesystem::path target(path_);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  if (!ReplaceFile(path_, EncodeState(state)))
    return Fail(error, std::string("cannot replace: ") + std::strerror(errno));
  // The rename itself must reach the disk before the caller reports success.
  const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
  const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

}  // namespace sp::iscsid
