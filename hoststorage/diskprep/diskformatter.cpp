#include "hoststorage/diskprep/diskformatter.h"

namespace sp {

DiskFormatter::DiskFormatter(INtfsFormatter& formatter, FormatWaitTiming timing)
    : formatter_(formatter), timing_(timing) {}

DiskFormatter::~DiskFormatter() { Cancel(); }

bool DiskFormatter::Start(const std::string& device, const NtfsFormatOptions& options) {
  std::lock_guard lock(mutex_);
  if (running_) return false;
  if (thread_.joinable()) thread_.join();  // the last format's thread, already ended
  status_ = kFormatRunning;
  percent_ = 0;
  running_ = true;
  try {
    thread_ = std::jthread([this, device, options](std::stop_token stop) { Run(stop, device, options); });
  } catch (const std::system_error&) {
    running_ = false;
    status_ = kFormatIdle;
    return false;
  }
  return true;
}

void DiskFormatter::Run(std::stop_token stop, std::string device, NtfsFormatOptions options) {
  const bool ok = formatter_.Format(
      device, options, [this](int p) { percent_ = p; }, stop);
  std::lock_guard lock(mutex_);
  status_ = ok ? kFormatSucceeded : kFormatIdle;
  running_ = false;
  ended_.notify_all();
}

bool DiskFormatter::Pause(std::chrono::milliseconds d, std::stop_token stop) {
  std::unique_lock lock(mutex_);
  ended_.wait_for(lock, stop, d, [this] { return !running_; });
  return !stop.stop_requested();
}

void DiskFormatter::Sleep(std::chrono::milliseconds d, std::stop_token stop) {
  std::mutex m;
  std::condition_variable_any cv;
  std::unique_lock lock(m);
  cv.wait_for(lock, stop, d, [] { return false; });
}

void DiskFormatter::Cancel() {
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
}

bool DiskFormatter::Wait(const std::function<void(int)>& barProgress, std::stop_token stop) {
  const auto deadline = std::chrono::steady_clock::now() + timing_.limit;
  for (int check = 0;; ++check) {
    if (check < timing_.checks && barProgress) barProgress(check / 3 + 65);
    bool ended;
    {
      std::lock_guard lock(mutex_);
      ended = !running_;
    }
    if (status_ == kFormatSucceeded) {
      Sleep(timing_.settle, stop);
      Cancel();  // joins the ended thread
      return true;
    }
    if (ended) {
      Cancel();
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    const auto interval = check < timing_.checks ? timing_.checkInterval : timing_.lateInterval;
    if (!Pause(interval, stop)) break;
  }
  Cancel();
  // The format may have succeeded in the last moment before it was stopped.
  return status_ == kFormatSucceeded;
}

}  // namespace sp
