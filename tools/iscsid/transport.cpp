#include "tools/iscsid/transport.h"

namespace sp::iscsid {

DiscoveryError LibiscsiTransport::Discover(const SessionConfig& config, std::vector<DiscoveredTarget>& out) {
  std::vector<DiscoveredTarget> found;
  const DiscoveryError error = DiscoverTargets(config, found);
  if (error == DiscoveryError::kNone) out = std::move(found);
  return error;
}

std::shared_ptr<ISessionLink> LibiscsiTransport::Open(const SessionConfig& config, bool keepTrying,
                                                      std::function<void(SessionState)> onState,
                                                      LoginFailure& failure) {
  auto session = std::make_shared<IscsiSession>(config, std::move(onState));
  failure = session->Start(keepTrying);
  if (failure != LoginFailure::kNone) return nullptr;
  return session;
}

}  // namespace sp::iscsid
