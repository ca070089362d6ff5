#pragma once
// The pauses of the final setup worker. Every fixed wait of the setup
// sequence and the iSCSI attach goes through one of these, so that Finish
// can end the worker at once (a pause returns as soon as a stop is asked
// for) and tests can run the sequence without waiting.
#include <chrono>
#include <stop_token>

namespace sp {

class ISetupWait {
 public:
  virtual ~ISetupWait() = default;
  // Waits `duration` unless a stop is asked for first. False when stopped
  // (before or during the wait): the caller then leaves without changing
  // anything more.
  virtual bool Sleep(std::chrono::milliseconds duration) = 0;
  // The token long-running operations (a disk format) watch.
  virtual std::stop_token StopToken() const = 0;

  bool StopRequested() const { return StopToken().stop_requested(); }
};

}  // namespace sp
