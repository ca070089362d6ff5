#pragma once
// Who may change the PC through the service, asked of polkit. Reading stays
// free; root (boot-time restore, tests) may do everything. Everyone else
// asks once per run of the wizard (begin_setup, with a password dialog from
// the person's own authentication agent) and the process that was allowed
// holds the setup lease: its privileged requests go through without asking
// again, and other users wait until it is done. A request from the holder's
// user but another process is checked with polkit without a dialog.
//
// Where polkit cannot be asked (pkcheck missing, no system bus) the service
// falls back on OwnUserAuthority and says so in its log.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/linux/toolrunner.h"
#include "tools/iscsid/caller.h"
#include "tools/iscsid/setuplease.h"

namespace sp::iscsid {

// The polkit action every privileged request of a setup comes under.
inline constexpr char kSetupAction[] = "org.setuppilot.setup-appliance";

enum class PolkitAnswer { kAuthorised, kRefused, kUnavailable };

// What a pkcheck run said: exit 0 allowed, 1 refused, 2 needs an
// authentication that was not allowed, 3 the dialog was dismissed; no
// answer in time counts as refused. Anything else (not installed, no bus,
// no polkitd) means polkit could not be asked.
PolkitAnswer PkcheckAnswer(const ToolResult& result);

// Asks polkit about `subject` for kSetupAction; `interactive` lets it show
// the person a dialog (and waits up to five minutes for them).
using PolkitCheck = std::function<PolkitAnswer(const LeaseHolder& subject, bool interactive)>;
PolkitAnswer RunPkcheck(const LeaseHolder& subject, bool interactive);

class PolicyAuthority {
 public:
  explicit PolicyAuthority(SetupLease& lease, PolkitCheck check = RunPkcheck)
      : lease_(lease), check_(std::move(check)) {}

  // The gate before every request: kOk, kNotAuthorised or kSetupInProgress.
  std::uint32_t Check(std::string_view op, const Caller& caller);
  // begin_setup: asks polkit (with a dialog) and takes the lease.
  std::uint32_t BeginSetup(const Caller& caller);
  // end_setup: gives the lease up; kOk also when the caller did not hold it.
  std::uint32_t EndSetup(const Caller& caller);

 private:
  std::uint32_t Ask(std::string_view op, const Caller& caller, bool interactive);

  SetupLease& lease_;
  PolkitCheck check_;
  std::atomic<bool> toldUnavailable_{false};
};

}  // namespace sp::iscsid
