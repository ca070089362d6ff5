#include "devicelink/pumpuievents.h"

#include <chrono>
#include <thread>

namespace sp {

void PumpUiEvents(int ms, const UiEventDispatcher& dispatchOne) {
  // A monotonic clock: the C clock() counts processor time on this platform,
  // which hardly advances while the thread sleeps.
  const auto start = std::chrono::steady_clock::now();
  const auto length = std::chrono::milliseconds(ms);
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (dispatchOne) dispatchOne();
  } while (std::chrono::steady_clock::now() - start < length);
}

}  // namespace sp
