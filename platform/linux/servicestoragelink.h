#pragma once
// The wizard's way to the disk layer's privileged steps: requests to the
// initiator service, which does them as root on its own LUN files (see
// tools/iscsid/storageops.h). One link serves the block devices, the volume
// control and the formatter of a run, and keeps why the service last
// refused, so that the run can tell the person it was not allowed rather
// than that something broke.
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "platform/linux/iscsicontrolclient.h"

namespace sp {

class ServiceStorageLink {
 public:
  explicit ServiceStorageLink(std::string socketPath) : socketPath_(std::move(socketPath)) {}

  // Sends `request` (from StorageRequest); the reply when its status is ok.
  // A stop gives up waiting and closes the connection.
  std::optional<ControlMessage> Ask(const ControlRecord& request, int timeoutMs, std::stop_token stop = {});

  // kNotAuthorised or kSetupInProgress when the service refused a request
  // for who asked since the last ClearRefusal; else 0.
  std::uint32_t Refusal() const;
  // The last failure in words (the service's error text, or what went
  // wrong on the way); empty after a success.
  std::string LastError() const;
  void ClearRefusal();

  static constexpr int kQuickMs = 30000;  // bookkeeping, a block of data, losetup, blkid

 private:
  void Note(std::uint32_t status, std::string error);

  std::string socketPath_;
  mutable std::mutex mutex_;
  std::uint32_t refusal_ = 0;
  std::string lastError_;
};

// A request record for `op` (shorthand for IscsiControlClient::Request).
ControlRecord StorageRequest(const char* op);

}  // namespace sp
