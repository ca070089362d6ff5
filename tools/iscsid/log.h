#pragma once
// The service's messages: to standard error in the foreground, to syslog as
// a daemon. There is no log file of its own.
namespace sp::iscsid {

void UseSyslog(bool on);
void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace sp::iscsid
