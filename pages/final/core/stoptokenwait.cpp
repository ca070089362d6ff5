#include "pages/final/core/stoptokenwait.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace sp {

bool StopTokenWait::Sleep(std::chrono::milliseconds duration) {
  if (token_.stop_requested()) return false;
  const auto scaled = duration * std::max(percent_, 0) / 100;
  if (scaled.count() <= 0) return !token_.stop_requested();
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  // Nothing but a stop ends the wait early: the predicate only reads the
  // token, which the stop callback of wait_for signals.
  wake.wait_for(lock, token_, scaled, [] { return false; });
  return !token_.stop_requested();
}

}  // namespace sp
