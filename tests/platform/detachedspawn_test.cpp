#include "platform/linux/detachedspawn.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace sp {
namespace {

long ParentOf(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // pid (comm) state ppid ...
  const auto close = line.rfind(')');
  if (close == std::string::npos) return -1;
  char state = 0;
  long ppid = -1;
  std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid);
  return ppid;
}

TEST(SpawnDetached, StartsAProgramInItsOwnSessionThatIsNotOurChild) {
  const long pid = SpawnDetached("/bin/sleep", {"sleep", "5"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(getsid(static_cast<pid_t>(pid)), pid);  // leads its own session
  EXPECT_NE(ParentOf(pid), getpid());               // reparented away from the wizard
  kill(static_cast<pid_t>(pid), SIGKILL);
}

TEST(SpawnDetached, ReportsAProgramThatCannotBeExecuted) {
  EXPECT_EQ(SpawnDetached("/nonexistent/program", {"program"}), -1);
  EXPECT_EQ(SpawnDetached("/etc/passwd", {"passwd"}), -1);  // not executable
  EXPECT_EQ(SpawnDetached("", {"x"}), -1);
  EXPECT_EQ(SpawnDetached("/bin/true", {}), -1);
}

}  // namespace
}  // namespace sp
