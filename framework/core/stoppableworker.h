#pragma once
// A page's worker thread that can be stopped at once.
//
// The worker's body waits only through Sleep(), which returns false as soon
// as Stop() is called. Stop() is synchronous: when it returns, the body has
// ended, so whatever the body would have done next never happens. Pages
// start a worker on the UI thread and stop it there (Back, Next, Cancel, or
// when the page is destroyed).
//
//   StoppableWorker worker;
//   worker.Start([&](StoppableWorker& w) {
//     for (int i = 0; i < 10; ++i) {
//       if (!w.Sleep(5)) return;   // stopped: leave without touching anything
//       ...
//     }
//   });
//   ...
//   worker.Stop();
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sp {

class StoppableWorker {
 public:
  using Body = std::function<void(StoppableWorker&)>;

  StoppableWorker() = default;
  StoppableWorker(const StoppableWorker&) = delete;
  StoppableWorker& operator=(const StoppableWorker&) = delete;
  ~StoppableWorker() { Stop(); }

  // Stops a worker that still runs, then runs `body` on a new thread.
  // Returns false when no thread could be made (the body then never runs).
  bool Start(Body body);

  // Asks the body to end, wakes it from Sleep() and waits until it has
  // ended. Does nothing when no worker runs. Called from the worker itself
  // it only asks (a thread cannot wait for itself).
  void Stop();

  // For the body: waits `ms` milliseconds unless the worker is stopped.
  // Returns true after the full wait, false as soon as a stop is asked for.
  bool Sleep(int ms);

  // For the body: whether a stop has been asked for.
  bool StopRequested() const;

  // Whether a thread has been started and not yet collected by Stop().
  bool Started() const { return thread_.joinable(); }

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace sp
