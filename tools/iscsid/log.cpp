#include "tools/iscsid/log.h"

#include <syslog.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace sp::iscsid {
namespace {
std::atomic<bool> g_syslog{false};
}

void UseSyslog(bool on) {
  if (on) openlog("setuppilot-iscsid", LOG_PID, LOG_DAEMON);
  g_syslog = on;
}

void Log(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  if (g_syslog) {
    vsyslog(LOG_INFO, fmt, args);
  } else {
    char line[1024];
    std::vsnprintf(line, sizeof line, fmt, args);
    std::fprintf(stderr, "setuppilot-iscsid: %s\n", line);
  }
  va_end(args);
}

}  // namespace sp::iscsid
