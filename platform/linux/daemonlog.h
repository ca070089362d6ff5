#pragma once
// Messages of our background programs (the initiator service, the share
// agent): with a level, to standard error and/or syslog. Debug messages
// are dropped unless the program was started with --verbose.
#include <string>

namespace sp {

enum class LogLevel { kError, kWarning, kInfo, kDebug };

struct DaemonLogTarget {
  std::string ident;  // the program's name, before every message
  int facility = 0;   // syslog facility (LOG_DAEMON, LOG_USER)
  bool toSyslog = false;
  bool toStderr = true;
  bool verbose = false;  // keep debug messages
};

// Sets where messages go from now on; the first call may come before any
// thread starts, later ones not.
void OpenDaemonLog(const DaemonLogTarget& target);

// Whether standard error is a terminal (someone reads it as it comes).
bool StderrIsTerminal();

void DaemonLog(LogLevel level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

}  // namespace sp
