#include "platform/instancelock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

namespace sp {
namespace {

// Runs `body` in a child process and returns its exit status.
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-lock-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstProcessEnds) {
  const std::string dir = dir_.string();
  auto first = InstanceLock::Acquire("KORVABPX", dir);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->path(), dir + "/KORVABPX.lock");

  // Another process cannot take it while this one holds it.
  EXPECT_EQ(InChild([&] { return InstanceLock::Acquire("KORVABPX", dir) ? 1 : 0; }), 0);
  // A different name is a different lock.
  EXPECT_EQ(InChild([&] { return InstanceLock::Acquire("OTHER", dir) ? 1 : 0; }), 1);

  first.reset();
  EXPECT_EQ(InChild([&] { return InstanceLock::Acquire("KORVABPX", dir) ? 1 : 0; }), 1);
}

TEST_F(InstanceLockTest, ALockEndsWithItsProcessEvenWithoutRelease) {
  const std::string dir = dir_.string();
  // The child takes the lock and exits without releasing it.
  EXPECT_EQ(InChild([&] {
              auto lock = InstanceLock::Acquire("KORVABPX", dir).release();
              return lock ? 1 : 0;
            }),
            1);
  EXPECT_NE(InstanceLock::Acquire("KORVABPX", dir), nullptr);
}

TEST_F(InstanceLockTest, ProgramsStartedByTheHolderDoNotInheritIt) {
  const std::string dir = dir_.string();
  auto lock = InstanceLock::Acquire("KORVABPX", dir);
  ASSERT_NE(lock, nullptr);
  // A child that execs (as the file browser would) keeps nothing open.
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sleep", "sleep", "2", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the child has become the other program.
  for (int i = 0; i < 200; ++i) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    comm >> name;
    if (name == "sleep") break;
    usleep(10 * 1000);
  }
  lock.reset();
  EXPECT_EQ(InChild([&] { return InstanceLock::Acquire("KORVABPX", dir) ? 1 : 0; }), 1);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace
}  // namespace sp
