#include "pages/config/core/configactions.h"

#include <array>

#include "base/text.h"
#include "hoststorage/iscsi/iscsicleanup.h"
#include "pages/config/core/adminpassword.h"

namespace sp {

namespace {

using ReplyArea = std::array<std::uint8_t, kReplyAreaSize>;

// Sends and tells whether the reply code is 3. The area is cleared first,
// so no reply reads as a refusal.
bool Accepted(IDeviceExchange& link, const char* mac, std::uint8_t command, const std::vector<std::uint8_t>& payload) {
  ReplyArea area{};
  link.SendDeviceCommand(mac, command, payload.data(), payload.size(), area.data());
  return area[0] == kReplyAccepted;
}

}  // namespace

bool CheckLogin(IDeviceExchange& link, const char* targetMac, std::string_view password) {
  const LoginPayload payload = BuildLoginPayload(password);
  ReplyArea area{};
  link.SendDeviceCommand(targetMac, kCmdLoginCheck, payload.data(), payload.size(), area.data());
  return area[0] == kReplyAccepted;
}

bool SetAdminPassword(IDeviceExchange& link, WizardState& state, std::string_view password) {
  const std::string bounded = BoundedPassword(password);
  if (!Accepted(link, state.targetMac, kCmdSetItem, BuildPasswordItem(bounded))) return false;
  if (!bounded.empty()) CopyBounded(state.webLoginPassword, bounded);
  return true;
}

bool SendTimeSettings(IDeviceExchange& link, const char* targetMac, const TimeSettings& settings) {
  return Accepted(link, targetMac, kCmdSetItem, BuildTimeItem(settings));
}

bool ReadIdentity(IDeviceExchange& link, WizardState& state, IdentityFields* fields) {
  for (int attempt = 0; attempt < kIdentityAttempts; ++attempt) {
    ReplyArea area{};
    const int length = link.SendDeviceCommand(state.targetMac, kCmdQueryIdentity, nullptr, 0, area.data());
    if (length <= 0) continue;
    IdentityFields read;
    if (!ParseIdentityReply(area.data(), area.size(), &read)) continue;
    if (!read.mac.empty()) CopyBounded(state.targetMac, read.mac);
    if (fields) *fields = std::move(read);
    return true;
  }
  return false;
}

NetworkOutcome ApplyNetworkIdentity(IDeviceLink& link, IscsiInterpreter* iscsi, WizardState& state,
                                    const IdentityFields& typed) {
  CopyBounded(state.deviceIpWide, Utf8ToUtf16(typed.ip));
  CopyBounded(state.deviceHostName, Utf8ToUtf16(typed.name));

  IdentityFields fields = typed;
  fields.mac = FieldText(state.targetMac);
  const IdentityRecord record = MakeIdentityRecord(fields);
  CopyBounded(state.deviceIpAddress, typed.ip);

  // The PC lets go of the target before the appliance's address changes
  // under it; the portal address is the one just typed.
  if (iscsi) RunIscsiCleanup(*iscsi, state);

  if (!Accepted(link, state.targetMac, kCmdSetItem, BuildIdentityItem(record))) return NetworkOutcome::kRecordRefused;
  CopyBounded(state.deviceIpSummary, typed.ip);

  const auto commit = BuildCommitItem();
  ReplyArea area{};
  link.SendDeviceCommand(state.targetMac, kCmdSetItem, commit.data(), commit.size(), area.data());
  // From here on the appliance answers from the address it was given.
  link.ApplianceMoved(state.targetMac, state.deviceIpSummary);

  if (!link.ProbeDeviceAddress(state.deviceIpSummary)) return NetworkOutcome::kSilentAtAddress;
  return NetworkOutcome::kApplied;
}

}  // namespace sp
