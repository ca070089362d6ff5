// The background programs' messages: the program's name before each, debug
// messages only when asked for.
#include <gtest/gtest.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/linux/daemonlog.h"

namespace sp {
namespace {

// What the messages logged by `body` wrote to standard error.
template <typename Body>
std::string Captured(Body body) {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  std::FILE* file = std::tmpfile();
  dup2(fileno(file), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string text(4096, '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

TEST(DaemonLogTest, NamesTheProgramAndKeepsDebugOnlyWhenVerbose) {
  DaemonLogTarget target{"testd", LOG_USER, false, true, false};
  OpenDaemonLog(target);
  EXPECT_EQ(Captured([] {
              DaemonLog(LogLevel::kError, "disk %c lost", 'x');
              DaemonLog(LogLevel::kDebug, "hidden");
              DaemonLog(LogLevel::kInfo, "%s", "100% ready");
            }),
            "testd: disk x lost\ntestd: 100% ready\n");
  target.verbose = true;
  OpenDaemonLog(target);
  EXPECT_EQ(Captured([] { DaemonLog(LogLevel::kDebug, "shown"); }), "testd: shown\n");
  target.toStderr = false;
  OpenDaemonLog(target);
  EXPECT_EQ(Captured([] { DaemonLog(LogLevel::kWarning, "to syslog only"); }), "");
}

}  // namespace
}  // namespace sp
