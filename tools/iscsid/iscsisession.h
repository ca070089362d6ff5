#pragma once
// One iSCSI session to a target over libiscsi.
//
// The session owns a worker thread with its own poll loop; only that thread
// touches the libiscsi context. Commands from any thread are queued to it and
// the caller waits for the outcome, never longer than the command time-out:
// a command the target does not answer in time fails with ETIMEDOUT and the
// connection is dropped, since a target that stops answering one command is
// not to be trusted with the next. While the connection is down every
// command fails at once with ENOTCONN, and the worker logs in again every
// few seconds until it succeeds or the session is closed. libiscsi's own
// automatic reconnect is switched off: it retries without bound inside a
// call, which is exactly the hang this class exists to avoid.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/iscsid/sessionlink.h"

struct iscsi_context;

namespace sp::iscsid {

class IscsiSession : public ISessionLink {
 public:
  // `onState` is told of every change between logged in and not (from the
  // worker thread; it must not call back into the session synchronously).
  IscsiSession(SessionConfig config, std::function<void(SessionState)> onState = {});
  ~IscsiSession() override;
  IscsiSession(const IscsiSession&) = delete;
  IscsiSession& operator=(const IscsiSession&) = delete;

  // Starts the worker and waits for the first login (at most the login
  // time-out). With `keepTrying` a failed first login leaves the worker
  // retrying; without it the session ends. Returns kNone once logged in.
  LoginFailure Start(bool keepTrying);

  ScsiResult Execute(const ScsiCommand& command) override;

  // Logs out (bounded by the login time-out) and stops the worker. Commands
  // in flight fail with EIO. Idempotent.
  void Close() override;

  SessionState state() const override;
  ConnectionInfo connection() const override;
  const SessionConfig& config() const { return config_; }

  // Formats the 6-byte ISID that `config` makes libiscsi send.
  static void IsidBytes(const SessionConfig& config, std::uint8_t out[6]);

 private:
  struct Request;
  struct InFlight;
  using Clock = std::chrono::steady_clock;

  void Run();
  void BeginConnect();
  void OnConnected(int status);
  void OnLoggedIn(int status);
  static void ConnectCallback(iscsi_context*, int status, void*, void* self);
  static void LoginCallback(iscsi_context*, int status, void*, void* self);
  static void CommandCallback(iscsi_context*, int status, void* data, void* inflight);
  void IssueQueued();
  void Issue(const std::shared_ptr<Request>& request);
  void CheckTimers(Clock::time_point now);
  void DropConnection(int error);
  void Logout();
  void SetState(SessionState state);
  int PollTimeoutMs(Clock::time_point now) const;
  static void Complete(const std::shared_ptr<Request>& request, ScsiResult result);

  SessionConfig config_;
  std::function<void(SessionState)> onState_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  SessionState state_ = SessionState::kConnecting;
  bool everLoggedIn_ = false;
  bool keepTrying_ = false;
  bool stop_ = false;
  bool startFinished_ = false;
  LoginFailure failure_ = LoginFailure::kNone;
  std::deque<std::shared_ptr<Request>> queue_;
  ConnectionInfo connection_;

  // Worker-thread only.
  iscsi_context* context_ = nullptr;
  bool broken_ = false;  // set by callbacks, acted on by the loop
  bool loginPending_ = false;
  bool logoutDone_ = false;
  Clock::time_point loginDeadline_{};
  Clock::time_point nextAttempt_{};
  Clock::time_point lastActivity_{};
  std::deque<std::shared_ptr<Request>> inflight_;

  int wakeFd_ = -1;
  std::thread worker_;
};

}  // namespace sp::iscsid
