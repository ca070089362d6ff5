// The built program itself: started twice offscreen, the second copy ends
// at once and silently while the first keeps running; once the first has
// ended, the program starts again. The first copy starts the share-mapping
// agent beside it when none runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/csetuppilotapp.h"
#include "platform/instancelock.h"
#include "platform/linux/linuxnetdockagent.h"
#include "version.h"

namespace sp {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-program-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    ::chmod(dir_.c_str(), 0700);
  }
  void TearDown() override {
    for (pid_t pid : running_) Stop(pid);
    // The agent the program started outlives it by design.
    Agent().Close();
    WaitFor([&] { return !Agent().Find(); }, 10s);
    std::filesystem::remove_all(dir_);
  }

  // Starts the program offscreen with its runtime directory (and so its
  // single-instance lock) in the test's folder; output to `log`.
  pid_t Start(const std::string& log) {
    const std::string out = (dir_ / log).string();
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
      setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
      setenv("XDG_STATE_HOME", dir_.c_str(), 1);  // its setup report
      setenv("XDG_DATA_HOME", dir_.c_str(), 1);
      freopen(out.c_str(), "w", stdout);
      freopen(out.c_str(), "a", stderr);
      // Tests run as root here; the program refuses that unless told.
      if (geteuid() == 0)
        execl(SP_SETUPPILOT_PATH, "setuppilot", "--allow-root", static_cast<char*>(nullptr));
      else
        execl(SP_SETUPPILOT_PATH, "setuppilot", static_cast<char*>(nullptr));
      _exit(127);
    }
    running_.push_back(pid);
    return pid;
  }

  LinuxNetDockAgent Agent() const { return LinuxNetDockAgent((dir_ / "NetDock").string()); }

  // Whether some process holds the program's lock in the test's folder.
  bool LockHeld() { return InstanceLock::Acquire(CSetupPilotApp::kLockName, dir_.string()) == nullptr; }

  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  // Exit status once `pid` ends within `limit`, -1 while it runs, -2 when
  // it was killed by a signal.
  int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
    if (!ended) return -1;
    std::erase(running_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
  }

  void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::erase(running_, pid);
  }

  std::string Read(const std::string& log) {
    std::ifstream in(dir_ / log);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path dir_;
  std::vector<pid_t> running_;
};

TEST_F(ProgramTest, SecondStartEndsSilentlyAndTheFirstRunsOn) {
  const pid_t first = Start("first.log");
  ASSERT_TRUE(WaitFor([&] { return LockHeld(); }, 15s)) << Read("first.log");
  // The first copy shows its window and waits for the user.
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(WaitExit(first, 0ms), -1) << Read("first.log");
  EXPECT_TRUE(WaitFor([&] { return Agent().Find(); }, 10s)) << "the program started the share-mapping agent";

  const pid_t second = Start("second.log");
  EXPECT_EQ(WaitExit(second, 15s), 0);
  EXPECT_EQ(Read("second.log"), "") << "no window, no message";
  EXPECT_EQ(WaitExit(first, 0ms), -1) << "the first copy still runs";

  // The lock goes with the process, however it ends.
  Stop(first);
  EXPECT_FALSE(LockHeld());
  const pid_t third = Start("third.log");
  EXPECT_TRUE(WaitFor([&] { return LockHeld(); }, 15s)) << Read("third.log");
  EXPECT_EQ(WaitExit(third, 300ms), -1) << Read("third.log");
}

// Runs the program to its end with `args`, without any display (Qt would
// abort if it tried to open one); returns its exit status and output.
std::pair<int, std::string> RunWithoutDisplay(const std::vector<std::string>& args, const std::string& out) {
  const pid_t pid = fork();
  if (pid == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    freopen(out.c_str(), "w", stdout);
    freopen(out.c_str(), "a", stderr);
    std::vector<char*> argv = {const_cast<char*>("setuppilot")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(SP_SETUPPILOT_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TEST_F(ProgramTest, AnswersOnTheTerminalWithoutADisplayAndRefusesRoot) {
  const std::string out = (dir_ / "terminal.log").string();
  auto [status, text] = RunWithoutDisplay({"--version"}, out);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text, "setuppilot " SP_VERSION_TEXT "\n");
  std::tie(status, text) = RunWithoutDisplay({"--help"}, out);
  EXPECT_EQ(status, 0);
  EXPECT_NE(text.find("usage: setuppilot"), std::string::npos) << text;
  std::tie(status, text) = RunWithoutDisplay({"--no-such-option"}, out);
  EXPECT_EQ(status, 2);
  EXPECT_NE(text.find("unknown argument --no-such-option"), std::string::npos) << text;
  // An answer file others could read is refused before it is read.
  const std::string answers = (dir_ / "answers.toml").string();
  std::ofstream(answers) << "[disk]\n";
  chmod(answers.c_str(), 0644);
  std::tie(status, text) = RunWithoutDisplay({"--allow-root", "--answers", answers}, out);
  EXPECT_EQ(status, 3) << text;
  std::tie(status, text) = RunWithoutDisplay({"--allow-root", "--answers", answers + ".missing"}, out);
  EXPECT_EQ(status, 2) << text;
  if (geteuid() == 0) {
    std::tie(status, text) = RunWithoutDisplay({"--answers", answers}, out);
    EXPECT_EQ(status, 1) << "the root rule holds without a window too";
    std::tie(status, text) = RunWithoutDisplay({}, out);
    EXPECT_EQ(status, 1) << "refused before any window system is touched";
    EXPECT_NE(text.find("--allow-root"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace sp
