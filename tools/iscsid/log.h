#pragma once
// The service's messages: to standard error in the foreground (and to
// syslog too when nobody watches that), to syslog as a daemon. There is no
// log file of its own.
#include "platform/linux/daemonlog.h"

namespace sp::iscsid {

void UseSyslog(bool daemon, bool verbose = false);
// An ordinary event (info level); the others through LogAt.
void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogAt(LogLevel level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

}  // namespace sp::iscsid
