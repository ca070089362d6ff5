#pragma once
// Waiting in widget tests while the window keeps running: events are
// processed in between, so timers, workers' posted results and paints go on.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace sp::test {

// Processes events until `done` holds or `timeoutMs` pass; returns `done()`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// Processes events for `ms` milliseconds.
inline void Settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace sp::test
