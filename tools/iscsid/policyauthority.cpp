#include "tools/iscsid/policyauthority.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/iscsicontrolprotocol.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/log.h"

namespace sp::iscsid {

using namespace iscsictl;

namespace {

constexpr std::string_view kTools[] = {"pkcheck"};
// A person typing a password is given time; a check without a dialog is
// answered at once by a working polkitd.
constexpr int kInteractiveBoundMs = 5 * 60 * 1000;
constexpr int kQuietBoundMs = 25 * 1000;

}  // namespace

PolkitAnswer PkcheckAnswer(const ToolResult& result) {
  if (result.timedOut) return PolkitAnswer::kRefused;
  if (!result.started) return PolkitAnswer::kUnavailable;
  switch (result.exitCode) {
    case 0:
      return PolkitAnswer::kAuthorised;
    case 1:
    case 2:
    case 3:
      return PolkitAnswer::kRefused;
    default:
      return PolkitAnswer::kUnavailable;
  }
}

PolkitAnswer RunPkcheck(const LeaseHolder& subject, bool interactive) {
  std::vector<std::string> argv = {
      "pkcheck", "--action-id", kSetupAction, "--process",
      std::to_string(subject.pid) + "," + std::to_string(subject.startTime) + "," + std::to_string(subject.uid)};
  if (interactive) argv.push_back("--allow-user-interaction");
  ToolRunOptions options;
  options.timeoutMs = interactive ? kInteractiveBoundMs : kQuietBoundMs;
  // A service started for a test talks to that test's own system bus.
  if (const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    options.extraEnv.push_back(std::string("DBUS_SYSTEM_BUS_ADDRESS=") + bus);
  }
  const ToolResult result = RunAllowedTool(kTools, argv, options);
  const PolkitAnswer answer = PkcheckAnswer(result);
  if (answer == PolkitAnswer::kUnavailable) {
    std::string output = result.output.substr(0, 300);
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
    // Why, once; every time only in debug messages.
    static std::atomic<bool> told{false};
    LogAt(told.exchange(true) ? LogLevel::kDebug : LogLevel::kWarning, "pkcheck %s (exit %d): %s",
          result.started ? "failed" : "could not be started", result.exitCode, output.c_str());
  }
  return answer;
}

std::uint32_t PolicyAuthority::Ask(std::string_view op, const Caller& caller, bool interactive) {
  const auto start = lease_.StartTime(caller.pid);
  if (!start) return kNotAuthorised;  // the caller has gone: nobody to ask for
  switch (check_({caller.pid, *start, caller.uid}, interactive)) {
    case PolkitAnswer::kAuthorised:
      return kOk;
    case PolkitAnswer::kRefused:
      return kNotAuthorised;
    case PolkitAnswer::kUnavailable:
      break;
  }
  if (!toldUnavailable_.exchange(true)) {
    LogAt(LogLevel::kWarning, "polkit cannot be asked; only root and the service's own user may change the PC");
  }
  return OwnUserAuthority(op, caller);
}

std::uint32_t PolicyAuthority::Check(std::string_view op, const Caller& caller) {
  if (caller.uid == 0 || IsReadOnlyOperation(op)) return kOk;
  if (lease_.HeldBy(caller)) return kOk;
  if (const auto holder = lease_.Holder(); holder && holder->uid != caller.uid) return kSetupInProgress;
  return Ask(op, caller, false);
}

std::uint32_t PolicyAuthority::BeginSetup(const Caller& caller) {
  if (lease_.HeldBy(caller)) return kOk;
  const auto holder = lease_.Holder();
  if (caller.uid == 0) {
    // Root is never kept out, but only takes a free lease.
    if (!holder) lease_.Take(caller);
    return kOk;
  }
  if (holder && holder->uid != caller.uid) return kSetupInProgress;
  if (const std::uint32_t status = Ask(op::kBeginSetup, caller, true); status != kOk) {
    Log("setup by uid %u (pid %d) not authorised", static_cast<unsigned>(caller.uid), static_cast<int>(caller.pid));
    return status;
  }
  // Someone else may have been allowed while this person typed.
  if (!lease_.Take(caller)) return kSetupInProgress;
  Log("setup begun by uid %u (pid %d)", static_cast<unsigned>(caller.uid), static_cast<int>(caller.pid));
  return kOk;
}

std::uint32_t PolicyAuthority::EndSetup(const Caller& caller) {
  if (lease_.Release(caller)) {
    Log("setup ended by uid %u (pid %d)", static_cast<unsigned>(caller.uid), static_cast<int>(caller.pid));
  }
  return kOk;
}

}  // namespace sp::iscsid
