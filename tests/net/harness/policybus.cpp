#include "tests/net/harness/policybus.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/net/harness/runcommand.h"

namespace sp::nettest {
namespace {

namespace fs = std::filesystem;

constexpr char kPolkitd[] = "/usr/lib/polkit-1/polkitd";
constexpr char kDbusDaemon[] = "/usr/bin/dbus-daemon";

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
  out.close();
  return out.good() && chmod(path.c_str(), 0644) == 0;
}

// The mounts polkitd is to see, made in the child before it execs.
struct Binds {
  std::vector<std::pair<std::string, std::string>> pairs;  // source, target
};

// Starts `argv` (full path first) in a process group of its own with only
// `env`, its output appended to `log`. With `binds`, in a mount namespace
// of its own with those bind mounts (gone with the process).
pid_t Launch(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
             const Binds* binds) {
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: async-signal-safe calls only until exec.
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int in = open("/dev/null", O_RDONLY);
  if (out < 0 || in < 0) _exit(126);
  dup2(in, 0);
  dup2(out, 1);
  dup2(out, 2);
  if (binds) {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(125);
    for (const auto& [source, target] : binds->pairs) {
      if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) _exit(124);
    }
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(args[0], args.data(), envp.data());
  _exit(127);
}

void StopGroup(pid_t& pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 60; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      kill(-pid, SIGKILL);  // anything it left in its group
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(-pid, SIGKILL);
  waitpid(pid, &status, 0);
  pid = -1;
}

}  // namespace

std::unique_ptr<PolicyBus> PolicyBus::Start(const std::string& rules, const std::vector<std::string>& policyFiles,
                                            std::string* why) {
  char scratch[] = "/tmp/sp-policybus.XXXXXX";
  if (!mkdtemp(scratch) || chmod(scratch, 0755) != 0) {
    if (why) *why = std::string("no scratch directory: ") + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<PolicyBus> bus(new PolicyBus(scratch));
  std::error_code ec;
  for (const char* sub : {"/rules", "/actions", "/no-rules"}) {
    fs::create_directory(bus->dir_ + sub, ec);
    chmod((bus->dir_ + sub).c_str(), 0755);
  }
  bool ok = WriteFile(bus->dir_ + "/rules/00-setuppilot-test.rules", rules);
  for (const auto& file : policyFiles) {
    ok = ok && fs::copy_file(file, bus->dir_ + "/actions/" + fs::path(file).filename().string(), ec) &&
         chmod((bus->dir_ + "/actions/" + fs::path(file).filename().string()).c_str(), 0644) == 0;
  }
  if (!ok) {
    if (why) *why = "cannot write the rules or copy the policy files into " + bus->dir_;
    return nullptr;
  }
  if (!bus->StartBus(why) || !bus->StartPolkitd(why) || !bus->WaitForPolkit(why)) return nullptr;
  return bus;
}

bool PolicyBus::StartBus(std::string* why) {
  const std::string socket = dir_ + "/system_bus_socket";
  address_ = "unix:path=" + socket;
  const std::string config =
      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig>\n  <type>system</type>\n  <listen>" +
      address_ +
      "</listen>\n  <auth>EXTERNAL</auth>\n"
      "  <policy context=\"default\">\n    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
      "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n  </policy>\n</busconfig>\n";
  if (!WriteFile(dir_ + "/bus.conf", config)) {
    if (why) *why = "cannot write the bus configuration";
    return false;
  }
  bus_ = Launch({kDbusDaemon, "--config-file=" + dir_ + "/bus.conf", "--nofork", "--nopidfile", "--print-address"},
                {"PATH=/usr/sbin:/usr/bin:/sbin:/bin"}, dir_ + "/dbus.log", nullptr);
  for (int i = 0; i < 100 && !fs::exists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (bus_ < 0 || !fs::exists(socket)) {
    if (why) *why = "dbus-daemon did not start: " + Logs();
    return false;
  }
  return true;
}

bool PolicyBus::StartPolkitd(std::string* why) {
  Binds binds;
  binds.pairs = {{dir_ + "/rules", "/etc/polkit-1/rules.d"}, {dir_ + "/actions", "/usr/share/polkit-1/actions"}};
  if (fs::is_directory("/usr/share/polkit-1/rules.d"))
    binds.pairs.push_back({dir_ + "/no-rules", "/usr/share/polkit-1/rules.d"});
  polkitd_ =
      Launch({kPolkitd, "--no-debug"}, {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "DBUS_SYSTEM_BUS_ADDRESS=" + address_},
             dir_ + "/polkitd.log", &binds);
  if (polkitd_ < 0 && why) *why = "cannot fork for polkitd";
  return polkitd_ > 0;
}

bool PolicyBus::WaitForPolkit(std::string* why) {
  const std::vector<std::string> ask = {"dbus-send",
                                        "--bus=" + address_,
                                        "--print-reply",
                                        "--dest=org.freedesktop.DBus",
                                        "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus.NameHasOwner",
                                        "string:org.freedesktop.PolicyKit1"};
  for (int i = 0; i < 200; ++i) {
    std::string output;
    if (RunCommand(ask, &output) == 0 && output.find("boolean true") != std::string::npos) return true;
    int status = 0;
    if (waitpid(polkitd_, &status, WNOHANG) == polkitd_) {
      polkitd_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (why) *why = "polkitd did not come onto the bus: " + Logs();
  return false;
}

PolicyBus::~PolicyBus() {
  StopGroup(polkitd_);
  StopGroup(bus_);
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string PolicyBus::Logs() const {
  std::string text;
  for (const char* name : {"/dbus.log", "/polkitd.log"}) {
    std::ifstream in(dir_ + name);
    std::stringstream s;
    s << in.rdbuf();
    text += std::string(name + 1) + ": " + s.str() + "\n";
  }
  return text;
}

std::string PolicyBus::AllowOnly(const std::string& prefix, const std::vector<std::string>& users) {
  std::string list;
  for (const auto& user : users) list += (list.empty() ? "\"" : ", \"") + user + "\"";
  return "polkit.addRule(function(action, subject) {\n"
         "  if (action.id.indexOf(\"" +
         prefix + "\") != 0) return polkit.Result.NOT_HANDLED;\n  return [" + list +
         "].indexOf(subject.user) >= 0 ? polkit.Result.YES : polkit.Result.NO;\n});\n";
}

}  // namespace sp::nettest
