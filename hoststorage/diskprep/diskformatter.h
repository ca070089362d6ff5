#pragma once
// Formatting a volume NTFS on a thread of its own while the setup sequence
// waits for it and moves its progress bar.
//
// One formatter serves the process, one format at a time. Its status reads
// 1 before any format, 2 while a format runs and 0 once a format reported
// success; a format that ends without success sets it back to 1.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/ntfsformatter.h"

namespace sp {

inline constexpr int kFormatIdle = 1;
inline constexpr int kFormatRunning = 2;
inline constexpr int kFormatSucceeded = 0;

struct FormatWaitTiming {
  int checks = 100;  // checks that move the bar: 65 + check / 3
  std::chrono::milliseconds checkInterval{1000};
  std::chrono::milliseconds settle{500};        // pause after success before going on
  std::chrono::milliseconds lateInterval{500};  // after the last bar check
  // A quick NTFS format takes seconds even on a large LUN; one that has not
  // succeeded after this long is stopped and counted as failed.
  std::chrono::milliseconds limit{std::chrono::minutes(10)};
};

class DiskFormatter {
 public:
  explicit DiskFormatter(INtfsFormatter& formatter, FormatWaitTiming timing = {});
  ~DiskFormatter();  // stops a running format and waits for its thread

  DiskFormatter(const DiskFormatter&) = delete;
  DiskFormatter& operator=(const DiskFormatter&) = delete;

  // Sets the status to 2 and starts the format thread. False when a format
  // is already running or the thread cannot be started.
  bool Start(const std::string& device, const NtfsFormatOptions& options);

  // Waits for the started format. Each check sets the bar (through
  // `barProgress`) to 65 + check / 3, so 65..98 over the hundred checks;
  // after success it pauses `settle` and returns true. Returns false at once
  // when the format ended without success, and stops the format and returns
  // false when it has not succeeded within the limit or `stop` is requested.
  bool Wait(const std::function<void(int)>& barProgress, std::stop_token stop = {});

  int status() const { return status_.load(); }
  // The last percentage the format reported.
  int percent() const { return percent_.load(); }

 private:
  void Run(std::stop_token stop, std::string device, NtfsFormatOptions options);
  // Waits up to `d` for the format thread to end; false when stopped.
  bool Pause(std::chrono::milliseconds d, std::stop_token stop);
  // Sleeps `d` unless stopped first.
  static void Sleep(std::chrono::milliseconds d, std::stop_token stop);
  void Cancel();

  INtfsFormatter& formatter_;
  FormatWaitTiming timing_;
  std::atomic<int> status_{kFormatIdle};
  std::atomic<int> percent_{0};
  std::mutex mutex_;
  std::condition_variable_any ended_;
  bool running_ = false;
  std::jthread thread_;
};

}  // namespace sp
