#include "tools/iscsid/targetbook.h"

#include <algorithm>
#include <set>

namespace sp::iscsid {

using namespace iscsictl;

std::string TargetBook::Key(const Portal& portal) { return PortalText(portal.address, portal.socket); }

std::string TargetBook::MechanismOf(const Portal& portal) { return "SendTargets:" + Key(portal); }

const SendTargetsPortal* TargetBook::FindPortal(const Portal& portal) const {
  for (const auto& known : portals_) {
    if (Key(known.portal) == Key(portal)) return &known;
  }
  return nullptr;
}

void TargetBook::SetPortal(const SendTargetsPortal& portal, std::vector<DiscoveredTarget> targets) {
  auto it = std::find_if(portals_.begin(), portals_.end(),
                         [&](const SendTargetsPortal& p) { return Key(p.portal) == Key(portal.portal); });
  if (it == portals_.end())
    portals_.push_back(portal);
  else
    *it = portal;
  reported_[Key(portal.portal)] = std::move(targets);
}

void TargetBook::SetReported(const Portal& portal, std::vector<DiscoveredTarget> targets) {
  if (FindPortal(portal)) reported_[Key(portal)] = std::move(targets);
}

bool TargetBook::RemovePortal(const Portal& portal) {
  const auto before = portals_.size();
  portals_.erase(std::remove_if(portals_.begin(), portals_.end(),
                                [&](const SendTargetsPortal& p) { return Key(p.portal) == Key(portal); }),
                 portals_.end());
  reported_.erase(Key(portal));
  return portals_.size() != before;
}

Status TargetBook::AddStatic(StaticTarget target) {
  for (auto& known : statics_) {
    if (known.name == target.name) {
      known = std::move(target);
      return kOk;
    }
  }
  statics_.push_back(std::move(target));
  return kOk;
}

bool TargetBook::RemoveStatic(const std::string& name) {
  const auto before = statics_.size();
  statics_.erase(
      std::remove_if(statics_.begin(), statics_.end(), [&](const StaticTarget& t) { return t.name == name; }),
      statics_.end());
  return statics_.size() != before;
}

std::vector<std::string> TargetBook::Names() const {
  std::set<std::string> names;
  for (const auto& target : statics_) names.insert(target.name);
  for (const auto& [key, targets] : reported_) {
    for (const auto& target : targets) names.insert(target.name);
  }
  return {names.begin(), names.end()};
}

bool TargetBook::Contains(const std::string& name) const {
  const auto names = Names();
  return std::binary_search(names.begin(), names.end(), name);
}

std::optional<Portal> TargetBook::ResolvePortal(const std::string& name) const {
  for (const auto& target : statics_) {
    if (target.name == name && !target.portals.empty()) return target.portals.front();
  }
  for (const auto& portal : portals_) {
    const auto it = reported_.find(Key(portal.portal));
    if (it == reported_.end()) continue;
    for (const auto& target : it->second) {
      if (target.name != name) continue;
      // A target that lists no address is reached where it was discovered.
      if (target.portals.empty()) return portal.portal;
      return Portal{{}, target.portals.front().address, target.portals.front().port};
    }
  }
  return std::nullopt;
}

Status TargetBook::Info(const std::string& name, const std::string& mechanism, TargetInfo& info) const {
  TargetInfo out;
  bool found = false;
  auto addGroup = [&](std::uint16_t tag, const Portal& portal) {
    for (auto& group : out.groups) {
      if (group.tag == tag) {
        if (std::find(group.portals.begin(), group.portals.end(), portal) == group.portals.end()) {
          group.portals.push_back(portal);
        }
        return;
      }
    }
    out.groups.push_back({tag, {portal}});
  };
  for (const auto& target : statics_) {
    if (target.name != name || (!mechanism.empty() && mechanism != kStaticMechanism)) continue;
    found = true;
    out.mechanisms.push_back(kStaticMechanism);
    out.alias = target.alias;
    out.flags = target.flags;
    out.options = target.options;
    out.mappings = target.mappings;
    for (const auto& portal : target.portals) addGroup(1, portal);
  }
  for (const auto& portal : portals_) {
    const auto it = reported_.find(Key(portal.portal));
    if (it == reported_.end() || (!mechanism.empty() && mechanism != MechanismOf(portal.portal))) continue;
    for (const auto& target : it->second) {
      if (target.name != name) continue;
      found = true;
      out.mechanisms.push_back(MechanismOf(portal.portal));
      if (out.initiator.empty()) out.initiator = portal.initiator;
      for (const auto& p : target.portals) addGroup(p.group, Portal{{}, p.address, p.port});
    }
  }
  if (!found) return kTargetNotFound;
  info = std::move(out);
  return kOk;
}

}  // namespace sp::iscsid
