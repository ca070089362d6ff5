#pragma once
// Turns control requests into calls on the bookkeeping and its answers into
// replies. Requests come from outside the service: everything is checked,
// and whatever arrives, the answer is a well-formed reply.
//
// Operations and their fields (requests "req v=1 op=<op> ...", replies
// "rsp v=1 status=<n> ..."):
//   ping                          -> version pid node_name
//   node_name                     -> name
//   set_node_name name            (empty: the default)
//   set_chap_secret secret
//   initiators                    -> initiator name=...
//   add_portal address socket symbolic initiator port security_flags opt_*
//   remove_portal | refresh_portal address socket
//   portals                       -> portal ... (as add_portal)
//   add_target name alias flags persist opt_*, then portal and mapping records
//   remove_target name
//   targets force                 -> target name=...
//   target_info name mechanism    -> alias initiator flags opt_*; records
//                                    mechanism name, group tag (+ portal ...), mapping ...
//   login target informational initiator port [address socket symbolic]
//         security_flags opt_* key persistent, then mapping records
//                                 -> session connection
//   logout session
//   sessions                      -> session ...; connection ...; device ... (see Reply*)
//   persistent_logins             -> login ... (as login), mapping records after each
//   remove_persistent initiator target [address socket]
//   scsi session lun cdb in_length -> scsi_status data sense
//   persistent_devices            -> device path=...
//   add_persistent_device | remove_persistent_device path
//   clear_persistent_devices
//   remember_volume target letter owner_uid owner_gid
//                                 (the volume now mounted at the letter)
//   forget_volume letter
//   volumes                       -> volume target target_lun offset size fs letter owner_uid owner_gid
//   storage_disks, disk_*, attach_loop, ... the disk layer's steps: see storageops.h
//   mount_share | unmount_share | drive_point   (fields in shareops.h)
//   begin_setup                   the calling process holds the setup lease: asks the
//                                 person (polkit) once, then its privileged requests pass
//   end_setup                     gives the lease up (the service also drops it when the
//                                 holder's process ends)
//
// Every request passes the gate (the Authority) first, except the
// self-authorising operations: their handlers decide for themselves, e.g. a
// share mount that only restores what the calling user already has, and ask
// the Authority only when it is more than that.
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/linux/iscsicontrolmessage.h"
#include "tools/iscsid/caller.h"
#include "tools/iscsid/initiatorcore.h"
#include "tools/iscsid/shareops.h"
#include "tools/iscsid/volumekeeper.h"

namespace sp::iscsid {

// Decides whether a caller may have an operation done: kOk, or the status
// to answer with instead (kNotAuthorised, kSetupInProgress).
using Authority = std::function<std::uint32_t(std::string_view op, const Caller& caller)>;

// Operations that only read the service's bookkeeping: anyone may ask.
bool IsReadOnlyOperation(std::string_view op);

// Operations whose handler asks the authority itself, only when the
// request is not one the caller may make on its own (see shareops.h).
bool IsSelfAuthorisingOperation(std::string_view op);

// The setup lease's operations, when the service keeps one. Without them
// begin_setup and end_setup are answered by the Authority alone.
struct LeaseOperations {
  std::function<std::uint32_t(const Caller&)> begin;
  std::function<std::uint32_t(const Caller&)> end;
};

// Without a policy service to ask: root and the service's own user may do
// everything, everyone else only what reads.
std::uint32_t OwnUserAuthority(std::string_view op, const Caller& caller);

class StorageOps;

class ControlHandler {
 public:
  // Without a keeper the volume operations are not supported.
  explicit ControlHandler(InitiatorCore& core, VolumeKeeper* volumes = nullptr, Authority authority = OwnUserAuthority,
                          LeaseOperations lease = {})
      : core_(core), volumes_(volumes), authority_(std::move(authority)), lease_(std::move(lease)) {}

  // Takes on the storage operations; without, they are not supported.
  void SetStorage(StorageOps* storage) { storage_ = storage; }

  // `caller` defaults to root: requests made inside the service.
  // `stop` is requested when the client hangs up meanwhile: a step that
  // runs a tool ends it.
  ControlMessage Handle(const ControlMessage& request, const Caller& caller = {}, std::stop_token stop = {});
  // Decodes one frame's text, handles it, encodes the reply.
  std::string HandleText(std::string_view text, const Caller& caller = {}, std::stop_token stop = {});

  static const char* StatusText(std::uint32_t status);

  // The share operations (shareops.h); without them they are not supported.
  void SetShareOps(ShareOps* shares) { shares_ = shares; }

 private:
  ControlMessage HandleVolumes(const std::string& op, const ControlRecord& request);

  InitiatorCore& core_;
  VolumeKeeper* volumes_;
  Authority authority_;
  StorageOps* storage_ = nullptr;
  ShareOps* shares_ = nullptr;
  LeaseOperations lease_;
};

}  // namespace sp::iscsid
