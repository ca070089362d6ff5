#include "tools/iscsid/log.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>

namespace sp::iscsid {

void UseSyslog(bool daemon, bool verbose) {
  DaemonLogTarget t;
  t.ident = "setuppilot-iscsid";
  t.facility = LOG_DAEMON;
  t.toStderr = !daemon;
  t.toSyslog = daemon || !StderrIsTerminal();
  t.verbose = verbose;
  OpenDaemonLog(t);
}

void Log(const char* fmt, ...) {
  char line[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  DaemonLog(LogLevel::kInfo, "%s", line);
}

void LogAt(LogLevel level, const char* fmt, ...) {
  char line[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  DaemonLog(level, "%s", line);
}

}  // namespace sp::iscsid
