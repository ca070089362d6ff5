#include "framework/core/stoppableworker.h"

#include <chrono>
#include <system_error>

namespace sp {

bool StoppableWorker::Start(Body body) {
  Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = false;
  }
  try {
    thread_ = std::thread([this, body = std::move(body)] { body(*this); });
  } catch (const std::system_error&) {
    return false;  // no thread: the page goes on without its worker
  }
  return true;
}

void StoppableWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) return;
  thread_.join();
}

bool StoppableWorker::Sleep(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
  return !wake_.wait_until(lock, until, [this] { return stop_; });
}

bool StoppableWorker::StopRequested() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

}  // namespace sp
