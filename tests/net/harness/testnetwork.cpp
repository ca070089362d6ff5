#include "tests/net/harness/testnetwork.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/net/harness/runcommand.h"

namespace sp::nettest {

namespace {

constexpr const char* kNetnsDir = "/var/run/netns";
// The main veth gets a fixed index in both namespaces; extra interfaces that
// must come first take indices below it, the others above.
constexpr int kMainLinkIndex = 10;

// The process id in a name made by NextPrefix() ("sp<pid><letter>..."),
// 0 when the name is not one of ours.
long OwnerPid(const std::string& name) {
  if (name.size() < 4 || name.compare(0, 2, "sp") != 0) return 0;
  std::size_t i = 2;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
  if (i == 2 || i > 9 || i >= name.size() || name[i] < 'a' || name[i] > 'z') return 0;
  return std::strtol(name.substr(2, i - 2).c_str(), nullptr, 10);
}

bool Dead(long pid) { return pid > 1 && pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

// Kills what still runs inside the network namespace `ns` (programs a
// killed test process had started there, and what they started).
void KillProcessesIn(const std::string& ns) {
  struct stat nsStat {};
  if (stat((std::string(kNetnsDir) + "/" + ns).c_str(), &nsStat) != 0) return;
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* e = readdir(proc)) {
    const long pid = std::strtol(e->d_name, nullptr, 10);
    if (pid <= 1 || pid == getpid()) continue;
    struct stat st {};
    if (stat((std::string("/proc/") + e->d_name + "/ns/net").c_str(), &st) == 0 && st.st_ino == nsStat.st_ino &&
        st.st_dev == nsStat.st_dev) {
      kill(static_cast<pid_t>(pid), SIGKILL);
    }
  }
  closedir(proc);
}

// Removes what test processes left when they ended without tearing down
// (killed by a timeout, a crash): their namespaces with everything running
// in them, and their scratch directories. Names carry the process id.
void RemoveStaleNetworks() {
  std::vector<std::string> stale;
  if (DIR* dir = opendir(kNetnsDir)) {
    while (dirent* e = readdir(dir)) {
      if (Dead(OwnerPid(e->d_name))) stale.push_back(e->d_name);
    }
    closedir(dir);
  }
  for (const auto& name : stale) {
    KillProcessesIn(name);
    RunCommand({"ip", "netns", "del", name});
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/tmp", ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(ec) && name.find('-') != std::string::npos && Dead(OwnerPid(name))) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }
}

std::string NextPrefix() {
  static std::atomic<int> counter{0};
  const int n = counter++;
  return "sp" + std::to_string(getpid()) + static_cast<char>('a' + n % 26);
}

bool Fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

}  // namespace

bool TestNetwork::Available(std::string* why) {
  if (geteuid() != 0) return Fail(why, "network tests need root");
  if (RunCommand({"ip", "-V"}) != 0) return Fail(why, "the ip tool (iproute2) is missing");
  if (RunCommand({"nsenter", "--version"}) != 0) return Fail(why, "nsenter (util-linux) is missing");
  // unshare(CLONE_NEWNET) affects only the calling thread: probe on one.
  int err = 0;
  std::thread probe([&] { err = unshare(CLONE_NEWNET) == 0 ? 0 : errno; });
  probe.join();
  if (err != 0) return Fail(why, std::string("network namespaces unavailable: ") + std::strerror(err));
  return true;
}

std::unique_ptr<TestNetwork> TestNetwork::Create(std::string* why) {
  RemoveStaleNetworks();
  std::unique_ptr<TestNetwork> net(new TestNetwork(NextPrefix()));
  if (!net->Build(why)) return nullptr;  // the destructor removes what was made
  return net;
}

TestNetwork::~TestNetwork() { Teardown(); }

bool TestNetwork::Ip(const std::string& ns, std::vector<std::string> args, std::string* output) const {
  std::vector<std::string> argv{"ip"};
  if (!ns.empty()) argv.insert(argv.end(), {"-n", ns});
  argv.insert(argv.end(), args.begin(), args.end());
  std::string out;
  const int rc = RunCommand(argv, &out);
  if (output) *output = out;
  return rc == 0;
}

bool TestNetwork::Build(std::string* why) {
  std::string dir = "/tmp/" + prefix_ + "-XXXXXX";
  if (!mkdtemp(dir.data())) return Fail(why, std::string("mkdtemp: ") + std::strerror(errno));
  scratch_ = dir;

  for (const auto& ns : {pc(), vbx()}) {
    RunCommand({"ip", "netns", "del", ns});  // a leftover of this very process id
    std::string out;
    if (!Ip("", {"netns", "add", ns}, &out)) return Fail(why, "ip netns add " + ns + ": " + out);
    namespaces_.push_back(ns);
  }
  const std::string index = std::to_string(kMainLinkIndex);
  std::string out;
  if (!Ip("",
          {"link", "add", pcInterface(), "index", index, "netns", pc(), "type", "veth", "peer", "name", vbxInterface(),
           "index", index, "netns", vbx()},
          &out)) {
    return Fail(why, "veth pair: " + out);
  }
  const std::pair<std::string, std::string> ends[] = {{pc(), pcInterface()}, {vbx(), vbxInterface()}};
  const std::string addresses[] = {kPcAddress, kVbxAddress};
  for (int i = 0; i < 2; ++i) {
    const auto& [ns, ifname] = ends[i];
    const std::string cidr = addresses[i] + std::string("/") + std::to_string(kPrefixLength);
    if (!AddAddress(ns, ifname, cidr)) return Fail(why, "address " + cidr + " in " + ns);
    if (!Ip(ns, {"link", "set", "lo", "up"}) || !Ip(ns, {"link", "set", ifname, "up"})) {
      return Fail(why, "links up in " + ns);
    }
    if (!AllowPingSockets(ns, why)) return false;
  }
  return true;
}

bool TestNetwork::AllowPingSockets(const std::string& ns, std::string* why) const {
  // /proc/sys/net is resolved against the network namespace of the thread
  // that opens it.
  std::string error;
  std::thread worker([&] {
    if (!EnterNetworkNamespace(ns, &error)) return;
    const int fd = open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
    const char range[] = "0 2147483647\n";
    if (fd < 0 || write(fd, range, sizeof range - 1) != static_cast<ssize_t>(sizeof range - 1)) {
      error = std::string("ping_group_range in ") + ns + ": " + std::strerror(errno);
    }
    if (fd >= 0) close(fd);
  });
  worker.join();
  if (!error.empty()) return Fail(why, error);
  return true;
}

bool TestNetwork::AddAddress(const std::string& ns, const std::string& ifname, const std::string& cidr) const {
  return Ip(ns, {"addr", "add", cidr, "dev", ifname});
}

std::string TestNetwork::AddDeadEndInterface(const std::string& ns, const std::string& cidr, bool first) {
  const int n = extraLinks_++;
  if (first && n >= kMainLinkIndex - 2) return "";
  const std::string nil = prefix_ + "nil";
  if (!nilCreated_) {
    if (AddNamespace("nil").empty()) return "";
    nilCreated_ = true;
  }
  const std::string name = prefix_ + "x" + std::to_string(n);
  const std::string peer = prefix_ + "y" + std::to_string(n);
  const std::string index = std::to_string(first ? 2 + n : kMainLinkIndex + 10 + n);
  if (!Ip("", {"link", "add", name, "index", index, "netns", ns, "type", "veth", "peer", "name", peer, "netns", nil}) ||
      !AddAddress(ns, name, cidr) || !Ip(ns, {"link", "set", name, "up"}) || !Ip(nil, {"link", "set", peer, "up"})) {
    return "";
  }
  return name;
}

std::string TestNetwork::AddNamespace(const std::string& suffix) {
  const std::string ns = prefix_ + suffix;
  RunCommand({"ip", "netns", "del", ns});
  if (!Ip("", {"netns", "add", ns})) return "";
  namespaces_.push_back(ns);
  if (!Ip(ns, {"link", "set", "lo", "up"}) || !AllowPingSockets(ns, nullptr)) return "";
  return ns;
}

SpawnedProcess* TestNetwork::Spawn(const std::string& ns, const std::vector<std::string>& argv,
                                   const std::string& logName) {
  std::string why;
  auto process = SpawnedProcess::Start(ns, argv, scratch_ + "/" + logName + ".log", &why);
  if (!process) {
    ADD_FAILURE() << why;
    return nullptr;
  }
  processes_.push_back(std::move(process));
  return processes_.back().get();
}

void TestNetwork::StopAll() {
  // Last started first: a later program may depend on an earlier one.
  for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) (*it)->Stop();
}

std::string TestNetwork::SpawnedLogs() const {
  std::string all;
  for (const auto& p : processes_) {
    all += "=== " + p->name() + " (pid " + std::to_string(p->pid()) + ") ===\n" + p->ReadLog();
  }
  return all;
}

void TestNetwork::Teardown() {
  StopAll();
  processes_.clear();
  for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it) RunCommand({"ip", "netns", "del", *it});
  namespaces_.clear();
  if (!scratch_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(scratch_, ec);
  }
}

}  // namespace sp::nettest
