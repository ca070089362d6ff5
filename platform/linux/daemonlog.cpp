#include "platform/linux/daemonlog.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

namespace sp {

namespace {

DaemonLogTarget g_target{"setuppilot", LOG_USER, false, true, false};

int Priority(LogLevel level) {
  switch (level) {
    case LogLevel::kError:
      return LOG_ERR;
    case LogLevel::kWarning:
      return LOG_WARNING;
    case LogLevel::kInfo:
      return LOG_INFO;
    case LogLevel::kDebug:
      break;
  }
  return LOG_DEBUG;
}

}  // namespace

void OpenDaemonLog(const DaemonLogTarget& target) {
  if (g_target.toSyslog) closelog();
  g_target = target;
  // syslog keeps the pointer: the string lives in g_target until the next call.
  if (g_target.toSyslog) openlog(g_target.ident.c_str(), LOG_PID, g_target.facility);
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void DaemonLog(LogLevel level, const char* fmt, ...) {
  if (level == LogLevel::kDebug && !g_target.verbose) return;
  char line[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  if (g_target.toSyslog) syslog(Priority(level), "%s", line);
  if (g_target.toStderr) std::fprintf(stderr, "%s: %s\n", g_target.ident.c_str(), line);
}

}  // namespace sp
