#include "hoststorage/iscsi/targetprobe.h"

#include <algorithm>
#include <vector>

#include "hoststorage/iscsi/iscsitarget.h"

namespace sp {

namespace {

// The initiator's report calls say how much room they need; ask once more
// with that.
template <class T, class Call>
IscsiStatus Report(std::vector<T>& out, Call call) {
  std::uint32_t capacity = 64;
  IscsiStatus status = call(capacity, out);
  if (status == kIscsiStatusInsufficientBuffer) status = call(capacity, out);
  return status;
}

bool HasPortal(IIscsiInitiator& initiator, const IscsiTargetPortal& portal) {
  std::vector<IscsiSendTargetPortalInfo> portals;
  if (Report(portals, [&](std::uint32_t& c, auto& v) { return initiator.ReportIScsiSendTargetPortalsEx(c, v); }) !=
      kIscsiStatusSuccess)
    return false;
  return std::any_of(portals.begin(), portals.end(), [&](const IscsiSendTargetPortalInfo& p) {
    return p.portal.address == portal.address && p.portal.socket == portal.socket;
  });
}

}  // namespace

bool ApplianceOffersTarget(IIscsiInitiator& initiator, const std::string& address, std::string_view macText) {
  IscsiTargetPortal portal;
  portal.address = address;
  portal.socket = kIscsiPortalPort;
  const bool had = HasPortal(initiator, portal);
  if (!had &&
      initiator.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, portal) != kIscsiStatusSuccess)
    return false;
  std::vector<std::string> names;
  const IscsiStatus status =
      Report(names, [&](std::uint32_t& c, auto& v) { return initiator.ReportIScsiTargets(true, c, v); });
  if (!had) initiator.RemoveIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, portal);
  const std::string wanted = ComposeTargetName(macText);
  return status == kIscsiStatusSuccess && std::find(names.begin(), names.end(), wanted) != names.end();
}

}  // namespace sp
