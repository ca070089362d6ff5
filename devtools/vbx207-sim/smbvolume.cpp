#include "devtools/vbx207-sim/smbvolume.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace sp::sim {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kStartCheckMs = 150;
constexpr int kStopGraceMs = 2000;

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// A word for smb.conf: only characters that cannot end the line or start a
// section, since names come from whoever configured the appliance.
std::string ConfWord(const std::string& text, std::size_t max, const char* fallback) {
  std::string out;
  for (char c : text) {
    if (out.size() >= max) break;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
      out.push_back(c);
    }
  }
  return out.empty() ? fallback : out;
}

bool IsIpv4(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// Starts `argv` with its output appended to `logPath`. The simulator blocks
// SIGTERM (it reads it from a signalfd) and ignores SIGPIPE; the daemons must
// not inherit either.
pid_t SpawnDaemon(const std::vector<std::string>& argv, const std::string& logPath) {
  std::vector<std::string> args = argv;
  std::vector<char*> cargv;
  for (std::string& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  const int logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const pid_t pid = fork();
  if (pid == 0) {
    // A group of its own: a daemon that signals its whole group as it shuts
    // down (smbd does) must not reach the simulator, which keeps running
    // when one appliance's share is withdrawn.
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    if (logFd >= 0) {
      dup2(logFd, STDOUT_FILENO);
      dup2(logFd, STDERR_FILENO);
    }
    close_range(3, ~0u, 0);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  if (logFd >= 0) close(logFd);
  return pid;
}

// Processes whose command line names `config` (smbd's own children carry
// "-s CONF", samba-dcerpcd and the rpcd_* helpers "--configfile=CONF").
std::set<pid_t> ProcessesUsing(const std::string& config) {
  std::set<pid_t> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == getpid()) continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline");
    std::string arg;
    while (std::getline(in, arg, '\0')) {
      if (arg == config || arg == "--configfile=" + config) {
        found.insert(static_cast<pid_t>(pid));
        break;
      }
    }
  }
  closedir(proc);
  return found;
}

// Gone, or only a zombie waiting for a parent that is not us.
bool Gone(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return true;
  const std::size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
}

void StopChild(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStopGraceMs);
  while (Clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

void StopOther(pid_t pid) {
  kill(pid, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStopGraceMs);
  while (Clock::now() < deadline) {
    if (Gone(pid)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
}

std::string ReadTail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string all = text.str();
  return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

}  // namespace

std::string NetbiosNameOf(const std::string& name) {
  std::string out = ConfWord(name, 15, "VBX-207");
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

SmbVolume::SmbVolume(std::string dir) : dir_(std::move(dir)) {}

SmbVolume::~SmbVolume() { Stop(); }

bool SmbVolume::WriteConfig(const Identity& identity, std::string* why) {
  const passwd* pw = getpwuid(geteuid());
  const std::string user = pw && pw->pw_name ? pw->pw_name : "root";
  const std::string netmask = IsIpv4(identity.netmask) ? identity.netmask : "255.255.255.0";
  netbiosName_ = NetbiosNameOf(identity.name);
  std::ofstream conf(configPath());
  conf << "# SMB share of a simulated VBX-207 (vbx207-sim).\n"
       << "[global]\n"
       << "  netbios name = " << netbiosName_ << "\n"
       << "  workgroup = " << ConfWord(identity.workgroup, 15, "WORKGROUP") << "\n"
       << "  server string = VBX-207 2-Bay Vaultline\n"
       << "  server role = standalone server\n"
       << "  interfaces = " << identity.ip << "/" << netmask << "\n"
       << "  bind interfaces only = yes\n"
       << "  disable netbios = no\n"
       << "  map to guest = Bad User\n"
       << "  guest account = " << user << "\n"
       << "  state directory = " << dir_ << "/state\n"
       << "  cache directory = " << dir_ << "/cache\n"
       << "  lock directory = " << dir_ << "/lock\n"
       << "  private dir = " << dir_ << "/private\n"
       << "  pid directory = " << dir_ << "/pid\n"
       << "  ncalrpc dir = " << dir_ << "/ncalrpc\n"
       << "  binddns dir = " << dir_ << "/binddns\n"
       << "  usershare path = " << dir_ << "/usershares\n"
       << "  log file = " << dir_ << "/log/log.%m\n"
       << "  load printers = no\n"
       << "  printing = bsd\n"
       << "  printcap name = /dev/null\n"
       << "  disable spoolss = yes\n"
       << "[Volume1]\n"
       << "  path = " << shareDir() << "\n"
       << "  guest ok = yes\n"
       << "  guest only = yes\n"
       << "  read only = no\n"
       << "  force user = " << user << "\n"
       << "  create mask = 0664\n"
       << "  directory mask = 0775\n";
  conf.close();
  if (!conf) *why = "cannot write " + configPath();
  return static_cast<bool>(conf);
}

bool SmbVolume::Start(const Identity& identity, std::string* why) {
  Stop();
  if (!IsIpv4(identity.ip)) {
    *why = "no address to serve on";
    return false;
  }
  const std::string smbd = FindProgram("smbd"), nmbd = FindProgram("nmbd");
  if (smbd.empty() || nmbd.empty()) {
    *why = "smbd or nmbd is not installed";
    return false;
  }
  // A format leaves an empty volume.
  std::error_code ec;
  fs::remove_all(dir_, ec);
  for (const char* sub :
       {"Volume1", "state", "cache", "lock", "private", "pid", "ncalrpc", "binddns", "usershares", "log"}) {
    fs::create_directories(dir_ + "/" + sub, ec);
  }
  fs::permissions(dir_ + "/private", fs::perms::owner_all, ec);
  if (!WriteConfig(identity, why)) return false;
  smbd_ = SpawnDaemon({smbd, "-F", "--no-process-group", "-s", configPath()}, dir_ + "/log/smbd.out");
  nmbd_ = SpawnDaemon({nmbd, "-F", "--no-process-group", "-s", configPath()}, dir_ + "/log/nmbd.out");
  // The simulator answers the format request on its only thread: no waiting
  // for the daemons to be ready, only a look whether they died at once (a
  // configuration they reject, an address they cannot bind).
  std::this_thread::sleep_for(std::chrono::milliseconds(kStartCheckMs));
  const bool smbdDied = waitpid(smbd_, nullptr, WNOHANG) == smbd_;
  const bool nmbdDied = waitpid(nmbd_, nullptr, WNOHANG) == nmbd_;
  if (!smbdDied && !nmbdDied) return true;
  if (smbdDied) smbd_ = -1;
  if (nmbdDied) nmbd_ = -1;
  *why = std::string(smbdDied ? "smbd" : "nmbd") + " ended at once: " + ReadTail(dir_ + "/log/smbd.out") +
         ReadTail(dir_ + "/log/nmbd.out");
  Stop();
  return false;
}

void SmbVolume::Stop() {
  if (smbd_ <= 0 && nmbd_ <= 0) return;
  const std::set<pid_t> before = ProcessesUsing(configPath());
  StopChild(smbd_);
  StopChild(nmbd_);
  smbd_ = nmbd_ = -1;
  std::set<pid_t> helpers = ProcessesUsing(configPath());
  helpers.insert(before.begin(), before.end());
  for (pid_t pid : helpers) {
    if (!Gone(pid)) StopOther(pid);
  }
}

SmbVolumeProvider::SmbVolumeProvider(IVolumeProvider& next, std::FILE* log) : next_(next), log_(log) {
  const char* base = std::getenv("VBX207_SIM_SMB_DIR");
  if (base && *base == '/') {
    baseDir_ = base;
    return;
  }
  char templ[] = "/tmp/vbx207-smb-XXXXXX";
  if (mkdtemp(templ)) {
    baseDir_ = templ;
    ownBase_ = true;
  }
}

SmbVolumeProvider::~SmbVolumeProvider() {
  volumes_.clear();  // stops the daemons
  if (ownBase_) {
    std::error_code ec;
    fs::remove_all(baseDir_, ec);
  }
}

const SmbVolume* SmbVolumeProvider::Volume(const std::string& mac) const {
  const auto it = volumes_.find(mac);
  return it == volumes_.end() ? nullptr : it->second.get();
}

bool SmbVolumeProvider::FormatRequested(const FormatProfile& profile) {
  if (!next_.FormatRequested(profile)) return false;
  auto& volume = volumes_[profile.mac];
  if (profile.nasPercent <= 0 || !profile.serveShare) {
    volume.reset();
    return true;
  }
  std::string folder;
  for (char c : profile.mac) {
    if (c != ':') folder.push_back(c);
  }
  if (baseDir_.empty() || folder.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return true;
  if (!volume) volume = std::make_unique<SmbVolume>(baseDir_ + "/" + folder);
  Identity identity;
  identity.mac = profile.mac;
  if (lookup_) {
    if (auto found = lookup_(profile.mac)) identity = *found;
  }
  identity.ip = profile.ip;
  std::string why;
  // The appliance formats either way; a share that does not come up is for
  // the PC to notice when it maps it.
  if (volume->Start(identity, &why)) {
    std::fprintf(log_, "smb: %s shares \\\\%s\\Volume1 on %s from %s (smbd %d, nmbd %d)\n", profile.mac.c_str(),
                 volume->netbiosName().c_str(), identity.ip.c_str(), volume->shareDir().c_str(),
                 static_cast<int>(volume->smbdPid()), static_cast<int>(volume->nmbdPid()));
  } else {
    std::fprintf(log_, "smb: %s: no share: %s\n", profile.mac.c_str(), why.c_str());
  }
  std::fflush(log_);
  return true;
}

void SmbVolumeProvider::Withdraw(const std::string& mac, bool iscsi, bool share) {
  next_.Withdraw(mac, iscsi, share);
  if (share && volumes_.erase(mac)) {
    std::fprintf(log_, "smb: %s: share withdrawn\n", mac.c_str());
    std::fflush(log_);
  }
}

}  // namespace sp::sim
