#include "platform/linux/servicestoragelink.h"

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

ControlRecord StorageRequest(const char* op) { return IscsiControlClient::Request(op); }

std::optional<ControlMessage> ServiceStorageLink::Ask(const ControlRecord& request, int timeoutMs,
                                                      std::stop_token stop) {
  IscsiControlClient client(socketPath_);
  IscsiControlClient::Error error = IscsiControlClient::Error::kNone;
  auto reply = client.Call({request}, timeoutMs, stop, &error);
  if (!reply) {
    const char* why = error == IscsiControlClient::Error::kNoService  ? "the iSCSI service is not running"
                      : error == IscsiControlClient::Error::kTimedOut ? "the iSCSI service did not answer in time"
                      : error == IscsiControlClient::Error::kStopped  ? "stopped"
                                                                      : "the iSCSI service broke the connection";
    Note(iscsictl::kOk, why);
    return std::nullopt;
  }
  const auto status = static_cast<std::uint32_t>((*reply)[0].GetU64Or("status", iscsictl::kInternal));
  if (status != iscsictl::kOk) {
    Note(status, (*reply)[0].Get("error", "failed"));
    return std::nullopt;
  }
  Note(iscsictl::kOk, {});
  return reply;
}

void ServiceStorageLink::Note(std::uint32_t status, std::string error) {
  std::lock_guard lock(mutex_);
  if (status == iscsictl::kNotAuthorised || status == iscsictl::kSetupInProgress) refusal_ = status;
  lastError_ = std::move(error);
}

std::uint32_t ServiceStorageLink::Refusal() const {
  std::lock_guard lock(mutex_);
  return refusal_;
}

std::string ServiceStorageLink::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

void ServiceStorageLink::ClearRefusal() {
  std::lock_guard lock(mutex_);
  refusal_ = 0;
}

}  // namespace sp
