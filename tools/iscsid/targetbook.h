#pragma once
// The targets the service knows: the send-targets portals with what each one
// reported, and targets added by hand. Plain bookkeeping; the caller locks.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "tools/iscsid/discovery.h"

namespace sp::iscsid {

struct PortalGroup {
  std::uint16_t tag = 1;
  std::vector<iscsictl::Portal> portals;
};

// What the target information report gives for one target.
struct TargetInfo {
  std::string alias;
  std::vector<std::string> mechanisms;  // "SendTargets:<portal>" or "Static"
  std::vector<PortalGroup> groups;
  std::string initiator;
  std::uint32_t flags = 0;
  iscsictl::LoginOptions options;
  std::vector<iscsictl::LunMapping> mappings;
};

inline constexpr const char* kStaticMechanism = "Static";

class TargetBook {
 public:
  // Send-targets portals, in the order added. A portal is identified by its
  // address and socket.
  const std::vector<iscsictl::SendTargetsPortal>& portals() const { return portals_; }
  const iscsictl::SendTargetsPortal* FindPortal(const iscsictl::Portal& portal) const;
  // Adds or replaces the portal and what it reported.
  void SetPortal(const iscsictl::SendTargetsPortal& portal, std::vector<DiscoveredTarget> targets);
  // Replaces only what the portal reported (a refresh).
  void SetReported(const iscsictl::Portal& portal, std::vector<DiscoveredTarget> targets);
  bool RemovePortal(const iscsictl::Portal& portal);

  iscsictl::Status AddStatic(iscsictl::StaticTarget target);
  bool RemoveStatic(const std::string& name);
  const std::vector<iscsictl::StaticTarget>& statics() const { return statics_; }

  // Every known target name, sorted, each once.
  std::vector<std::string> Names() const;
  bool Contains(const std::string& name) const;
  // Where to log in to `name`: a static portal first, else the first
  // address a send-targets portal reported.
  std::optional<iscsictl::Portal> ResolvePortal(const std::string& name) const;
  // kTargetNotFound when the target (or the given mechanism) is unknown.
  iscsictl::Status Info(const std::string& name, const std::string& mechanism, TargetInfo& info) const;

  static std::string MechanismOf(const iscsictl::Portal& portal);

 private:
  static std::string Key(const iscsictl::Portal& portal);

  std::vector<iscsictl::SendTargetsPortal> portals_;
  std::map<std::string, std::vector<DiscoveredTarget>> reported_;  // by portal key
  std::vector<iscsictl::StaticTarget> statics_;
};

}  // namespace sp::iscsid
