#include "platform/instancelock.h"

#include "platform/runtimedir.h"

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

TEST_F(InstanceLockTest, ALockThatCannotBeOpenedIsNotASecondCopy) {
  LockResult result = LockResult::kAcquired;
  std::string why;
  EXPECT_EQ(InstanceLock::Acquire("KORVABPX", (dir_ / "missing").string(), &result, &why), nullptr);
  EXPECT_EQ(result, LockResult::kCannotOpen);
  EXPECT_NE(why.find("missing/KORVABPX.lock"), std::string::npos) << why;
  // A link in the lock's place is not followed.
  std::filesystem::create_symlink(dir_ / "elsewhere", dir_ / "KORVABPX.lock");
  EXPECT_EQ(InstanceLock::Acquire("KORVABPX", dir_.string(), &result), nullptr);
  EXPECT_EQ(result, LockResult::kCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "elsewhere"));
  std::filesystem::remove(dir_ / "KORVABPX.lock");

  auto held = InstanceLock::Acquire("KORVABPX", dir_.string(), &result);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(result, LockResult::kAcquired);
  EXPECT_EQ(InChild([&] {
              LockResult second = LockResult::kAcquired;
              return InstanceLock::Acquire("KORVABPX", dir_.string(), &second) == nullptr &&
                             second == LockResult::kHeldElsewhere
                         ? 0
                         : 1;
            }),
            0);
}

TEST_F(InstanceLockTest, RuntimeFolderIsAlwaysAPrivateFolderOfTheUser) {
  namespace fs = std::filesystem;
  RuntimeDirPlaces places;
  places.uid = geteuid();
  places.runUserDir = (dir_ / "run-user").string();
  places.rootRunDir = (dir_ / "run-setuppilot").string();
  places.homeDir = (dir_ / "home").string();
  fs::create_directories(places.runUserDir);
  fs::create_directories(places.homeDir);
  const std::string fallback = places.uid == 0 ? places.rootRunDir : places.homeDir + "/.cache/setuppilot";

  // The session's own folder.
  fs::create_directory(dir_ / "xdg");
  fs::permissions(dir_ / "xdg", fs::perms::owner_all);
  places.xdgRuntimeDir = (dir_ / "xdg").string();
  EXPECT_EQ(ResolveRuntimeDir(places), places.xdgRuntimeDir);

  // One that others may enter is passed over; so is a missing one.
  fs::permissions(dir_ / "xdg", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
  std::string why;
  EXPECT_EQ(ResolveRuntimeDir(places, &why), fallback);
  EXPECT_EQ(fs::status(fallback).permissions() & fs::perms::all, fs::perms::owner_all) << "made private";
  fs::remove_all(fallback);
  places.xdgRuntimeDir.clear();

  // /run/user/<uid> when it is there and private.
  const fs::path runUser = fs::path(places.runUserDir) / std::to_string(places.uid);
  fs::create_directory(runUser);
  fs::permissions(runUser, fs::perms::owner_all);
  EXPECT_EQ(ResolveRuntimeDir(places), runUser.string());
  fs::remove(runUser);

  // A link, or a folder of someone else, where a fallback goes is refused
  // (and with every candidate refused there is none).
  const std::string home = places.homeDir + "/.cache/setuppilot";
  fs::create_directories(dir_ / "target");
  fs::permissions(dir_ / "target", fs::perms::owner_all);
  fs::create_directories(fs::path(home).parent_path());
  fs::create_symlink(dir_ / "target", home);
  fs::create_directory(places.rootRunDir);
  fs::permissions(places.rootRunDir, fs::perms::owner_all);
  if (places.uid == 0) {
    ASSERT_EQ(chown(places.rootRunDir.c_str(), 65534, 65534), 0);
  }
  EXPECT_EQ(ResolveRuntimeDir(places, &why), "");
  EXPECT_NE(why.find(home + ": not a directory"), std::string::npos) << why;
  if (places.uid == 0) {
    EXPECT_NE(why.find("owned by another user"), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace sp
