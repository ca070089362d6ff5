// The Linux process launcher against real processes: detached starts, the
// allow-list, exec failures, finding a process by an argument and ending it
// with what it started.
#include "platform/linux/linuxprocesslauncher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace sp {
namespace {

std::string Marker(const char* what) { return std::string("sp-launcher-") + what + "-" + std::to_string(getpid()); }

// Waits (bounded) until no process has `argument` any more.
bool GoneWithin(LinuxProcessLauncher& launcher, const std::string& argument, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (launcher.FindByArgument(argument).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(LinuxProcessLauncher, StartsDetachedFindsAndEndsWithItsChildren) {
  LinuxProcessLauncher launcher;
  const std::string outer = Marker("outer"), inner = Marker("inner");
  const std::string innerScript = "sh -c 'sleep 60; :' " + inner + "; :";
  const long pid = launcher.Start({"sh", "-c", innerScript, outer});
  ASSERT_GT(pid, 0);
  // Not our child (nothing to reap) and in a session of its own.
  EXPECT_EQ(waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG), -1);
  EXPECT_EQ(getsid(static_cast<pid_t>(pid)), pid);
  // (A child the shell has forked carries the same arguments until it execs.)
  const auto found = launcher.FindByArgument(outer);
  EXPECT_NE(std::find(found.begin(), found.end(), pid), found.end());
  // The inner shell comes up a moment later.
  for (int i = 0; i < 250 && launcher.FindByArgument(inner).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_FALSE(launcher.FindByArgument(inner).empty());

  EXPECT_TRUE(launcher.Terminate(pid));
  EXPECT_TRUE(GoneWithin(launcher, outer, 5000));
  EXPECT_TRUE(GoneWithin(launcher, inner, 5000));
}

TEST(LinuxProcessLauncher, RefusesWhatItMayNotOrCannotStart) {
  LinuxProcessLauncher launcher;
  EXPECT_EQ(launcher.Start({}), -1);
  EXPECT_EQ(launcher.Start({"sleep", "1"}), -1);  // not on the allow-list
  EXPECT_EQ(launcher.Start({"/bin/sleep", "1"}), -1);

  LinuxProcessLauncher missing({"sp-no-such-program"});
  EXPECT_EQ(missing.Start({"sp-no-such-program"}), -1);

  // Executable, but nothing the kernel can run: the exec failure comes back.
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / Marker("bin");
  fs::create_directories(dir);
  const fs::path bogus = dir / "bogus-tool";
  std::ofstream(bogus) << "\x7f"
                          "ELF not really";
  chmod(bogus.c_str(), 0755);
  LinuxProcessLauncher allowsBogus({"bogus-tool"});
  EXPECT_EQ(allowsBogus.Start({bogus.string()}), -1);
  fs::remove_all(dir);
}

TEST(LinuxProcessLauncher, FindsProgramsInPath) {
  LinuxProcessLauncher launcher;
  const std::string sh = launcher.FindProgram("sh");
  ASSERT_FALSE(sh.empty());
  EXPECT_EQ(sh.back(), 'h');
  EXPECT_EQ(access(sh.c_str(), X_OK), 0);
  EXPECT_EQ(launcher.FindProgram("sp-no-such-program"), "");
  EXPECT_EQ(launcher.FindProgram("bin/sh"), "");  // names only
  EXPECT_EQ(launcher.IsSuperUser(), geteuid() == 0);
}

TEST(LinuxProcessLauncher, SplitsCommandLines) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine(std::string("sh\0-c\0x\0", 8)), (V{"sh", "-c", "x"}));
  EXPECT_EQ(SplitCommandLine(std::string("sh\0last", 7)), (V{"sh", "last"}));
  EXPECT_EQ(SplitCommandLine(std::string("a\0\0b\0", 5)), (V{"a", "", "b"}));
  EXPECT_EQ(SplitCommandLine(""), V{});
}

}  // namespace
}  // namespace sp
