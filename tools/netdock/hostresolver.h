#pragma once
// Finding the appliance's address from the name in a share path: an address
// stands for itself; a name is asked for by NetBIOS broadcast (`nmblookup`,
// which is how the appliance announces its NAS name), then of the system's
// resolver (DNS, hosts file).
#include <string>

#include "tools/netdock/agentsystem.h"

namespace sp::netdock {

class HostResolver {
 public:
  explicit HostResolver(IAgentSystem& system) : system_(system) {}
  // Dotted IPv4 text, "" when the name cannot be found.
  std::string Resolve(const std::string& host);

 private:
  IAgentSystem& system_;
};

}  // namespace sp::netdock
