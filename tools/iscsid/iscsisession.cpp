#include "tools/iscsid/iscsisession.h"

#include <arpa/inet.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sp::iscsid {
namespace {

constexpr int kMaxNopsInFlight = 3;

// Sense data of a CHECK CONDITION: libiscsi keeps the sense segment (a
// 2-byte length, then the sense bytes) as the task's data-in. When that is
// not there, rebuild fixed-format sense from what libiscsi parsed.
Bytes SenseOf(const scsi_task* task) {
  const scsi_data& in = task->datain;
  if (in.data && in.size >= 2) {
    const std::size_t n = (std::size_t{in.data[0]} << 8) | in.data[1];
    if (n > 0 && n + 2 <= static_cast<std::size_t>(in.size)) return Bytes(in.data + 2, in.data + 2 + n);
  }
  Bytes fixed(18, 0);
  fixed[0] = 0x70;
  fixed[2] = static_cast<std::uint8_t>(task->sense.key & 0x0F);
  fixed[7] = 10;
  fixed[12] = static_cast<std::uint8_t>(task->sense.ascq >> 8);
  fixed[13] = static_cast<std::uint8_t>(task->sense.ascq);
  return fixed;
}

}  // namespace

struct IscsiSession::Request {
  ScsiCommand command;
  Bytes outCopy;  // the caller may give up waiting; the worker must not read its buffer then
  Bytes in;       // data-in lands here straight from the socket
  Clock::time_point deadline;
  scsi_task* task = nullptr;
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  ScsiResult result;
};

struct IscsiSession::InFlight {
  IscsiSession* session;
  std::shared_ptr<Request> request;
};

IscsiSession::IscsiSession(SessionConfig config, std::function<void(SessionState)> onState)
    : config_(std::move(config)), onState_(std::move(onState)) {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

IscsiSession::~IscsiSession() {
  Close();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void IscsiSession::IsidBytes(const SessionConfig& config, std::uint8_t out[6]) {
  // Random-type ISID: type bits 10b, then 24 random bits and the qualifier.
  out[0] = 0x80;
  out[1] = static_cast<std::uint8_t>(config.isidRandom >> 16);
  out[2] = static_cast<std::uint8_t>(config.isidRandom >> 8);
  out[3] = static_cast<std::uint8_t>(config.isidRandom);
  out[4] = static_cast<std::uint8_t>(config.isidQualifier >> 8);
  out[5] = static_cast<std::uint8_t>(config.isidQualifier);
}

LoginFailure IscsiSession::Start(bool keepTrying) {
  {
    std::lock_guard lock(mutex_);
    keepTrying_ = keepTrying;
  }
  worker_ = std::thread([this] { Run(); });
  if (keepTrying) return LoginFailure::kNone;
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, config_.loginTimeout + std::chrono::seconds(5), [this] { return startFinished_; });
  if (state_ == SessionState::kLoggedIn) return LoginFailure::kNone;
  const LoginFailure why = startFinished_ ? failure_ : LoginFailure::kTimeout;
  lock.unlock();
  Close();
  return why == LoginFailure::kNone ? LoginFailure::kLogin : why;
}

void IscsiSession::Close() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  const std::uint64_t one = 1;
  if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

SessionState IscsiSession::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

ConnectionInfo IscsiSession::connection() const {
  std::lock_guard lock(mutex_);
  return connection_;
}

ScsiResult IscsiSession::Execute(const ScsiCommand& command) {
  auto request = std::make_shared<Request>();
  request->command = command;
  if (command.direction == ScsiDirection::kOut && command.out) {
    request->outCopy.assign(command.out, command.out + command.outLength);
  }
  request->command.out = nullptr;
  request->deadline = Clock::now() + config_.commandTimeout;
  {
    std::lock_guard lock(mutex_);
    if (state_ != SessionState::kLoggedIn || stop_) {
      ScsiResult down;
      down.error = ENOTCONN;
      return down;
    }
    queue_.push_back(request);
  }
  const std::uint64_t one = 1;
  (void)!write(wakeFd_, &one, sizeof one);
  // The worker answers by the deadline; the extra margin only guards against
  // a worker that is itself stuck, so the caller is never held forever.
  std::unique_lock lock(request->mutex);
  if (!request->cv.wait_until(lock, request->deadline + std::chrono::seconds(5), [&] { return request->done; })) {
    ScsiResult late;
    late.error = ETIMEDOUT;
    return late;
  }
  return request->result;
}

void IscsiSession::Complete(const std::shared_ptr<Request>& request, ScsiResult result) {
  std::lock_guard lock(request->mutex);
  if (request->done) return;
  request->result = std::move(result);
  request->done = true;
  request->cv.notify_all();
}

void IscsiSession::SetState(SessionState state) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == state) return;
    state_ = state;
  }
  changed_.notify_all();
  if (onState_) onState_(state);
}

void IscsiSession::Run() {
  nextAttempt_ = Clock::now();
  lastActivity_ = Clock::now();
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) break;
    }
    Clock::time_point now = Clock::now();
    const SessionState current = state();
    if (!context_ && current != SessionState::kLoggedIn && now >= nextAttempt_) BeginConnect();
    if (broken_) DropConnection(EIO);
    IssueQueued();

    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
    int count = 1;
    if (context_) {
      const int events = iscsi_which_events(context_);
      if (events) {
        fds[1] = {iscsi_get_fd(context_), static_cast<short>(events), 0};
        count = 2;
      }
    }
    poll(fds, count, PollTimeoutMs(now));
    if (fds[0].revents & POLLIN) {
      std::uint64_t value;
      (void)!read(wakeFd_, &value, sizeof value);
    }
    if (context_ && count == 2 && fds[1].revents) {
      if (iscsi_service(context_, fds[1].revents) < 0) broken_ = true;
    }
    if (broken_) DropConnection(EIO);
    CheckTimers(Clock::now());
  }
  Logout();
  DropConnection(EIO);
  std::deque<std::shared_ptr<Request>> left;
  {
    std::lock_guard lock(mutex_);
    left.swap(queue_);
    startFinished_ = true;
  }
  for (auto& request : left) Complete(request, ScsiResult{EIO, 0, {}, {}});
  SetState(SessionState::kClosed);
}

int IscsiSession::PollTimeoutMs(Clock::time_point now) const {
  Clock::time_point next = now + std::chrono::milliseconds(500);
  if (loginPending_) next = std::min(next, loginDeadline_);
  if (!context_) next = std::min(next, nextAttempt_);
  for (const auto& request : inflight_) next = std::min(next, request->deadline);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 500)) + 1;
}

void IscsiSession::IssueQueued() {
  std::deque<std::shared_ptr<Request>> batch;
  bool up = false;
  {
    std::lock_guard lock(mutex_);
    batch.swap(queue_);
    up = state_ == SessionState::kLoggedIn && context_ && !broken_;
  }
  for (auto& request : batch) {
    if (!up) {
      Complete(request, ScsiResult{ENOTCONN, 0, {}, {}});
      continue;
    }
    Issue(request);
  }
}

void IscsiSession::Issue(const std::shared_ptr<Request>& request) {
  ScsiCommand& command = request->command;
  const int dir = command.direction == ScsiDirection::kIn    ? SCSI_XFER_READ
                  : command.direction == ScsiDirection::kOut ? SCSI_XFER_WRITE
                                                             : SCSI_XFER_NONE;
  const int length = command.direction == ScsiDirection::kIn    ? static_cast<int>(command.inLength)
                     : command.direction == ScsiDirection::kOut ? static_cast<int>(request->outCopy.size())
                                                                : 0;
  scsi_task* task = scsi_create_task(static_cast<int>(command.cdb.size()), command.cdb.data(), dir, length);
  if (!task) {
    Complete(request, ScsiResult{EIO, 0, {}, {}});
    return;
  }
  request->task = task;
  if (command.direction == ScsiDirection::kIn && length > 0) {
    // Read straight into the request's buffer: libiscsi would otherwise
    // gather the data in one of its own and leave it to be copied again.
    request->in.resize(static_cast<std::size_t>(length));
    scsi_task_add_data_in_buffer(task, length, request->in.data());
  }
  iscsi_data out{request->outCopy.size(), request->outCopy.data()};
  auto* inflight = new InFlight{this, request};
  inflight_.push_back(request);
  if (iscsi_scsi_command_async(context_, static_cast<int>(command.lun), task, &IscsiSession::CommandCallback,
                               command.direction == ScsiDirection::kOut ? &out : nullptr, inflight) != 0) {
    // Not queued: libiscsi calls no callback for it.
    inflight_.pop_back();
    delete inflight;
    scsi_free_scsi_task(task);
    Complete(request, ScsiResult{EIO, 0, {}, {}});
    broken_ = true;
  }
}

void IscsiSession::CommandCallback(iscsi_context*, int status, void*, void* opaque) {
  auto* inflight = static_cast<InFlight*>(opaque);
  IscsiSession* self = inflight->session;
  std::shared_ptr<Request> request = std::move(inflight->request);
  delete inflight;
  scsi_task* task = request->task;
  request->task = nullptr;
  ScsiResult result;
  if (status == SCSI_STATUS_CANCELLED || status == SCSI_STATUS_ERROR || status == SCSI_STATUS_TIMEOUT) {
    result.error = EIO;
    if (status == SCSI_STATUS_ERROR) self->broken_ = true;
  } else {
    result.status = static_cast<std::uint8_t>(task->status);
    if (task->status == SCSI_STATUS_CHECK_CONDITION) {
      result.sense = SenseOf(task);
    } else if (!request->in.empty()) {
      std::size_t got = request->in.size();
      if (task->residual_status == SCSI_RESIDUAL_UNDERFLOW) got -= std::min(got, task->residual);
      request->in.resize(got);
      result.data = std::move(request->in);
    }
  }
  scsi_free_scsi_task(task);
  auto& list = self->inflight_;
  list.erase(std::remove(list.begin(), list.end(), request), list.end());
  self->lastActivity_ = Clock::now();
  Complete(request, std::move(result));
}

void IscsiSession::CheckTimers(Clock::time_point now) {
  if (loginPending_ && context_ && now >= loginDeadline_) {
    {
      std::lock_guard lock(mutex_);
      if (failure_ == LoginFailure::kNone) failure_ = LoginFailure::kTimeout;
    }
    DropConnection(ETIMEDOUT);
    return;
  }
  bool expired = false;
  for (const auto& request : inflight_) {
    if (now >= request->deadline) {
      Complete(request, ScsiResult{ETIMEDOUT, 0, {}, {}});
      expired = true;
    }
  }
  if (expired) {
    DropConnection(EIO);
    return;
  }
  if (state() == SessionState::kLoggedIn && context_ && now - lastActivity_ >= config_.nopInterval) {
    if (iscsi_get_nops_in_flight(context_) >= kMaxNopsInFlight) {
      DropConnection(EIO);
      return;
    }
    iscsi_nop_out_async(context_, nullptr, nullptr, 0, nullptr);
    lastActivity_ = now;
  }
}

void IscsiSession::DropConnection(int error) {
  if (context_) {
    // Destroying the context completes every queued command through its
    // callback with CANCELLED.
    iscsi_context* context = context_;
    context_ = nullptr;
    iscsi_destroy_context(context);
  }
  for (auto& request : inflight_) Complete(request, ScsiResult{error, 0, {}, {}});
  inflight_.clear();
  broken_ = false;
  const bool wasPending = loginPending_;
  loginPending_ = false;
  nextAttempt_ = Clock::now() + config_.retryInterval;

  bool giveUp = false;
  {
    std::lock_guard lock(mutex_);
    if (!everLoggedIn_ && wasPending) {
      startFinished_ = true;
      if (!keepTrying_) {
        giveUp = true;
        stop_ = true;
      }
    }
  }
  changed_.notify_all();
  if (giveUp) return;
  if (state() == SessionState::kLoggedIn) SetState(SessionState::kDown);
}

}  // namespace sp::iscsid
