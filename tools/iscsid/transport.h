#pragma once
// How the service reaches targets, as seen by its bookkeeping: a discovery
// run and a logged-in session. The real transport is libiscsi; tests put an
// in-memory one in its place.
#include <functional>
#include <memory>
#include <vector>

#include "tools/iscsid/discovery.h"
#include "tools/iscsid/iscsisession.h"

namespace sp::iscsid {

class ITransport {
 public:
  virtual ~ITransport() = default;
  virtual DiscoveryError Discover(const SessionConfig& config, std::vector<DiscoveredTarget>& out) = 0;
  // Opens a session. Without `keepTrying` it returns once logged in, or
  // null with `failure` set; with it, it returns at once and the session
  // logs in (and in again after every loss) in the background. `onState`
  // hears every change, from a thread of the session.
  virtual std::shared_ptr<ISessionLink> Open(const SessionConfig& config, bool keepTrying,
                                             std::function<void(SessionState)> onState, LoginFailure& failure) = 0;
};

// The libiscsi transport.
class LibiscsiTransport : public ITransport {
 public:
  DiscoveryError Discover(const SessionConfig& config, std::vector<DiscoveredTarget>& out) override;
  std::shared_ptr<ISessionLink> Open(const SessionConfig& config, bool keepTrying,
                                     std::function<void(SessionState)> onState, LoginFailure& failure) override;
};

}  // namespace sp::iscsid
