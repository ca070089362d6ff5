#pragma once
// A slow question asked on a worker thread while the UI thread waits for
// its answer and keeps its window painted and answering.
//
// For calls that may block for a connect timeout (a portal that does not
// answer, a host that drops packets): made on the UI thread they freeze the
// window. The caller keeps its synchronous flow; only the wait moves. The
// caller disables its own buttons first, as for a device exchange, since
// UI events run meanwhile.
//
//   bool offered = AwaitOffThread<bool>([&] { return SlowProbe(); },
//                                       [](int ms) { PumpUiEvents(ms, ...); });
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "framework/core/stoppableworker.h"

namespace sp {

// Milliseconds of one pump step while waiting.
inline constexpr int kAwaitPumpMs = 10;

// Runs `work` on a new thread and calls `pump(kAwaitPumpMs)` on this one
// until it has returned; returns its result. When no thread can be made the
// work runs here instead (answering late beats not answering).
template <class R>
R AwaitOffThread(const std::function<R()>& work, const std::function<void(int)>& pump) {
  struct Shared {
    std::optional<R> result;
    std::atomic<bool> done{false};
  };
  auto shared = std::make_shared<Shared>();
  StoppableWorker worker;
  const bool started = worker.Start([shared, &work](StoppableWorker&) {
    shared->result.emplace(work());
    shared->done.store(true, std::memory_order_release);
  });
  if (!started) return work();
  while (!shared->done.load(std::memory_order_acquire)) pump(kAwaitPumpMs);
  worker.Stop();  // the body has returned: this only collects the thread
  return std::move(*shared->result);
}

}  // namespace sp
