#include "devtools/vbx207-sim/tgtvolume.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "hoststorage/iscsi/iscsitarget.h"

extern char** environ;

namespace sp::sim {
namespace {

using Clock = std::chrono::steady_clock;

// Children start with no blocked signals and default handlers, whatever the
// simulator's own threads have set up.
struct CleanSpawnAttributes {
  // `ownGroup`: the child leads a process group of its own, so that nothing
  // a daemon sends its group as it shuts down reaches the simulator, which
  // keeps running when one appliance's target is withdrawn.
  explicit CleanSpawnAttributes(bool ownGroup = false) {
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownGroup) {
      posix_spawnattr_setpgroup(&attr, 0);
      flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attr, flags);
  }
  ~CleanSpawnAttributes() { posix_spawnattr_destroy(&attr); }
  posix_spawnattr_t attr;
};

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// Runs a tool with an argument vector, collects its output and waits at most
// `timeoutMs` for it (then kills it). True when it exits with 0.
bool RunTool(std::vector<std::string> args, std::string* output, int timeoutMs) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  pid_t pid = -1;
  auto argv = Argv(args);
  CleanSpawnAttributes attributes;
  const int rc = posix_spawnp(&pid, argv[0], &actions, &attributes.attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return false;
  }
  std::string text;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fds[0], POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output) *output = text;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::atomic<int> g_launches{0};

}  // namespace

std::uint64_t IscsiVolumeBytes(const std::vector<std::uint32_t>& diskSizesMb, int nasPercent, int levelCode,
                               std::uint64_t capBytes) {
  if (diskSizesMb.empty()) return 0;
  std::uint64_t usableMb = 0;
  if (levelCode == 4) {
    usableMb = *std::min_element(diskSizesMb.begin(), diskSizesMb.end());  // mirrored
  } else {
    for (const std::uint32_t mb : diskSizesMb) usableMb += mb;
  }
  const int iscsiPercent = 100 - std::clamp(nasPercent, 0, 100);
  std::uint64_t bytes = usableMb * iscsiPercent / 100 * 1024 * 1024;
  if (capBytes && bytes > capBytes) bytes = capBytes;
  return bytes / 512 * 512;  // whole blocks
}

TgtVolume::TgtVolume(TgtVolumeConfig config) : config_(std::move(config)) {}

TgtVolume::~TgtVolume() { Stop(); }

bool TgtVolume::Admin(std::vector<std::string> args, std::string* output) const {
  std::vector<std::string> argv = {config_.tgtadm, "-C", std::to_string(controlPort_), "--lld", "iscsi"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunTool(std::move(argv), output, 10000);
}

bool TgtVolume::Exited(int waitMs) {
  if (pid_ <= 0) return true;
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno == ECHILD)) {
      pid_ = -1;
      return true;
    }
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool TgtVolume::Launch(int port, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(config_.backingDir, ec);
  const std::string log = config_.backingDir + "/tgtd-" + std::to_string(port) + ".log";
  std::vector<std::string> args = {
      config_.tgtd,         "-f",      "-C",
      std::to_string(port), "--iscsi", "portal=" + config_.portalAddress + ":" + std::to_string(config_.portalPort)};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  auto argv = Argv(args);
  CleanSpawnAttributes attributes(/*ownGroup=*/true);
  const int rc = posix_spawnp(&pid_, argv[0], &actions, &attributes.attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    SetError(error, std::string("cannot start tgtd: ") + std::strerror(rc));
    return false;
  }
  controlPort_ = port;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < deadline) {
    if (Exited(0)) {
      SetError(error, "tgtd ended at once (control port " + std::to_string(port) + " or portal in use)");
      return false;
    }
    if (Admin({"--op", "show", "--mode", "sys"})) {
      // Another tgtd on the same control port would also answer; ours is
      // the one still alive after losing that race.
      if (!Exited(150)) return true;
      SetError(error, "control port " + std::to_string(port) + " belongs to another tgtd");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid_, SIGKILL);
  Exited(2000);
  SetError(error, "tgtd did not answer");
  return false;
}

bool TgtVolume::Start(std::string* error) {
  if (pid_ > 0 && !Exited(0)) return true;
  if (config_.controlPort >= 0) return Launch(config_.controlPort, error);
  // Ports spread by process and launch, so concurrent simulators rarely meet.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int port = 1000 + static_cast<int>((getpid() * 13 + g_launches++ * 7919) % 30000);
    if (Launch(port, error)) return true;
  }
  return false;
}

bool TgtVolume::CreateTarget(const std::string& targetName, std::uint64_t sizeBytes, std::string* error) {
  if (!Start(error)) return false;
  RemoveTarget();
  backingFile_ = config_.backingDir + "/lun-" + std::to_string(controlPort_) + ".img";
  const int fd = open(backingFile_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(sizeBytes)) != 0) {
    SetError(error, "cannot make " + backingFile_ + ": " + std::strerror(errno));
    if (fd >= 0) close(fd);
    return false;
  }
  close(fd);
  targetName_ = targetName;
  if (!AddTarget(error)) {
    RemoveTarget();
    return false;
  }
  return true;
}

bool TgtVolume::AddTarget(std::string* error) {
  std::string output;
  const bool ok =
      Admin({"--op", "new", "--mode", "target", "--tid", "1", "-T", targetName_}, &output) &&
      Admin({"--op", "new", "--mode", "logicalunit", "--tid", "1", "--lun", "1", "-b", backingFile_}, &output) &&
      Admin({"--op", "update", "--mode", "logicalunit", "--tid", "1", "--lun", "1", "--params",
             "vendor_id=" + config_.vendor},
            &output) &&
      Admin({"--op", "bind", "--mode", "target", "--tid", "1", "-I", "ALL"}, &output);
  if (!ok) SetError(error, "tgtadm failed: " + output);
  return ok;
}

void TgtVolume::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  Exited(5000);
  pid_ = -1;
}

bool TgtVolume::Revive(std::string* error) {
  if (targetName_.empty() || backingFile_.empty()) {
    SetError(error, "no target to bring back");
    return false;
  }
  if (pid_ <= 0 && !Launch(controlPort_, error)) return false;
  return AddTarget(error);
}

void TgtVolume::RemoveTarget() {
  if (!targetName_.empty() && pid_ > 0) Admin({"--op", "delete", "--mode", "target", "--tid", "1", "--force"});
  targetName_.clear();
  if (!backingFile_.empty()) unlink(backingFile_.c_str());
  backingFile_.clear();
}

void TgtVolume::Stop() {
  if (pid_ <= 0) {
    RemoveTarget();
    return;
  }
  RemoveTarget();
  std::vector<std::string> argv = {config_.tgtadm, "-C",    std::to_string(controlPort_), "--op", "delete",
                                   "--mode",       "system"};
  RunTool(std::move(argv), nullptr, 10000);
  if (!Exited(5000)) {
    kill(pid_, SIGKILL);
    Exited(5000);
  }
  pid_ = -1;
  // tgtd leaves its control socket and lock file behind.
  const std::string socket = "/var/run/tgtd/socket." + std::to_string(controlPort_);
  unlink(socket.c_str());
  unlink((socket + ".lock").c_str());
}

TgtVolumeProvider::TgtVolumeProvider(IVolumeProvider& next, std::FILE* log, std::string backingDir)
    : next_(next), log_(log), backingDir_(std::move(backingDir)) {
  if (backingDir_.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    backingDir_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vbx207-sim-" + std::to_string(getpid());
    ownsDir_ = true;
  }
  if (const char* cap = std::getenv("VBX207_SIM_ISCSI_MAX_MB")) {
    capBytes_ = std::strtoull(cap, nullptr, 10) * 1024 * 1024;
  }
}

TgtVolumeProvider::~TgtVolumeProvider() {
  volumes_.clear();  // each stops its tgtd and drops its file
  std::error_code ec;
  if (ownsDir_) std::filesystem::remove_all(backingDir_, ec);
}

const TgtVolume* TgtVolumeProvider::VolumeOf(const std::string& mac) const {
  std::string key = mac;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto it = volumes_.find(key);
  return it == volumes_.end() ? nullptr : it->second.get();
}

bool TgtVolumeProvider::FormatRequested(const FormatProfile& profile) {
  if (!next_.FormatRequested(profile)) return false;
  std::string key = profile.mac;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::uint64_t bytes =
      profile.serveIscsi ? IscsiVolumeBytes(profile.diskSizesMb, profile.nasPercent, profile.levelCode, capBytes_) : 0;
  auto& volume = volumes_[key];
  if (bytes == 0) {
    volume.reset();  // no iSCSI in this profile: the old target goes
    volumes_.erase(key);
    return true;
  }
  // A target stays bound to the address it was made at; an appliance that
  // moved gets a new tgtd at its new address.
  if (!volume || volume->portalAddress() != profile.ip) {
    TgtVolumeConfig config;
    config.backingDir = backingDir_ + "/" + key.substr(key.size() >= 8 ? key.size() - 8 : 0);
    for (char& c : config.backingDir)
      if (c == ':') c = '-';
    config.portalAddress = profile.ip;
    volume = std::make_unique<TgtVolume>(config);
  }
  const std::string name = ComposeTargetName(profile.mac);
  std::string error;
  if (!volume->CreateTarget(name, bytes, &error)) {
    if (log_) std::fprintf(log_, "volumes: %s: no iSCSI target: %s\n", profile.mac.c_str(), error.c_str());
    volumes_.erase(key);
    return false;
  }
  if (log_) {
    std::fprintf(log_, "volumes: %s: iSCSI target %s at %s:3260, %llu MB (tgtd control port %d)\n", profile.mac.c_str(),
                 name.c_str(), profile.ip.c_str(), static_cast<unsigned long long>(bytes >> 20), volume->controlPort());
    std::fflush(log_);
  }
  return true;
}

void TgtVolumeProvider::Withdraw(const std::string& mac, bool iscsi, bool share) {
  next_.Withdraw(mac, iscsi, share);
  if (!iscsi) return;
  std::string key = mac;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (volumes_.erase(key) && log_) {
    std::fprintf(log_, "volumes: %s: iSCSI target withdrawn\n", mac.c_str());
    std::fflush(log_);
  }
}

}  // namespace sp::sim
