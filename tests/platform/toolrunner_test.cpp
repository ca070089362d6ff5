#include "platform/linux/toolrunner.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

namespace sp {
namespace {

constexpr std::array<std::string_view, 4> kTestTools = {"echo", "sleep", "sh", "env"};
constexpr std::array<std::string_view, 1> kMissingTool = {"no-such-tool-here"};

TEST(ToolRunner, RefusesToolsOffTheListAndPaths) {
  EXPECT_FALSE(RunAllowedTool(kTestTools, {"true"}).started);
  EXPECT_FALSE(RunAllowedTool(kTestTools, {"/bin/echo", "x"}).started);  // bare names only
  EXPECT_FALSE(RunAllowedTool(kTestTools, {}).started);
  EXPECT_FALSE(RunAllowedTool(kMissingTool, {"no-such-tool-here"}).started);
}

TEST(ToolRunner, CollectsOutputAndExitCodeInTheCLocale) {
  std::string seen;
  ToolRunOptions options;
  options.onOutput = [&](std::string_view s) { seen += s; };
  options.extraEnv = {"SP_PROBE=1"};
  const ToolResult r = RunAllowedTool(kTestTools, {"env"}, options);
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(seen, r.output);
  EXPECT_NE(r.output.find("LC_ALL=C"), std::string::npos);
  EXPECT_NE(r.output.find("SP_PROBE=1"), std::string::npos);
  EXPECT_EQ(r.output.find("HOME="), std::string::npos);  // nothing of the caller's environment
  EXPECT_EQ(RunAllowedTool(kTestTools, {"sh", "-c", "exit 3"}).exitCode, 3);
}

TEST(ToolRunner, TimeBoundAndStopEndTheTool) {
  ToolRunOptions bounded;
  bounded.timeoutMs = 100;
  const ToolResult late = RunAllowedTool(kTestTools, {"sleep", "30"}, bounded);
  EXPECT_TRUE(late.started);
  EXPECT_TRUE(late.timedOut);
  EXPECT_EQ(late.exitCode, -1);

  std::stop_source source;
  ToolRunOptions stoppable;
  stoppable.stop = source.get_token();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    source.request_stop();
  });
  const ToolResult stopped = RunAllowedTool(kTestTools, {"sleep", "30"}, stoppable);
  stopper.join();
  EXPECT_TRUE(stopped.started);
  EXPECT_FALSE(stopped.timedOut);
  EXPECT_EQ(stopped.exitCode, -1);
}

TEST(ToolRunner, ADaemonLeftBehindDoesNotHoldTheCallerUp) {
  // The shell ends at once; the sleep it leaves behind keeps the output pipe
  // open. The run must end with the shell, not with the sleep.
  ToolRunOptions options;
  options.timeoutMs = 20000;
  const ToolResult r = RunAllowedTool(kTestTools, {"sh", "-c", "sleep 3 & echo started"}, options);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("started"), std::string::npos);
}

}  // namespace
}  // namespace sp
