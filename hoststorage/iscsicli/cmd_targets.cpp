// Targets: AddTarget, RemoveTarget, ListTargets, TargetInfo, QAddTarget.
#include <string>

#include "base/text.h"
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"
#include "hoststorage/iscsicli/statustext.h"

namespace sp {

namespace {

constexpr std::uint16_t kDefaultIscsiSocket = 3260;

// "    Label                : value", the colons of one listing aligned.
void InfoLine(std::ostream& out, const std::string& label, const std::string& value) {
  std::string padded = label;
  if (padded.size() < 21) padded.resize(21, ' ');
  if (value.empty()) {
    PrintLine(out, "    %s:", padded.c_str());
  } else {
    PrintLine(out, "    %s: %s", padded.c_str(), value.c_str());
  }
}

void PrintPortalGroups(std::ostream& out, const std::vector<IscsiPortalGroup>& groups) {
  InfoLine(out, "PortalGroups", std::to_string(groups.size()) + " portal groups");
  for (std::size_t g = 0; g < groups.size(); ++g) {
    PrintLine(out, "        Group %zu has %zu portals", g, groups[g].portals.size());
    for (const IscsiTargetPortal& p : groups[g].portals) {
      PrintLine(out, "            Address and Socket   : %s %u", p.address.c_str(), p.socket);
      PrintLine(out, "            Symbolic Name        : %s", p.symbolicName.c_str());
    }
  }
}

// One information class: its lines on success, its failure line otherwise.
void PrintTargetInfoClass(std::ostream& out, IscsiTargetInfoClass cls, IscsiStatus status,
                          const IscsiTargetInformation& info) {
  static const char* const kLabels[] = {"Protocol Type", "Target Alias",   "Discovery Mechanisms", "PortalGroups",
                                        "Mappings",      "Initiator Name", "Target Flags",         "Login Options"};
  const std::string label = kLabels[static_cast<int>(cls)];
  if (status != kIscsiStatusSuccess) {
    InfoLine(out, label + " Failed", StatusMessage(status));
    return;
  }
  switch (cls) {
    case IscsiTargetInfoClass::ProtocolType:
      InfoLine(out, label, info.protocolType == kIscsiProtocolTcp ? "iSCSI TCP Protocol" : "Unknown");
      break;
    case IscsiTargetInfoClass::TargetAlias:
      InfoLine(out, label, info.alias);
      break;
    case IscsiTargetInfoClass::DiscoveryMechanisms:
      InfoLine(out, label, std::to_string(info.discoveryMechanisms.size()) + " mechanisms");
      for (const std::string& m : info.discoveryMechanisms) PrintLine(out, "        %s", m.c_str());
      break;
    case IscsiTargetInfoClass::PortalGroups:
      PrintPortalGroups(out, info.portalGroups);
      break;
    case IscsiTargetInfoClass::PersistentTargetMappings:
      InfoLine(out, label, std::to_string(info.persistentMappings.size()) + " persistent mappings");
      for (const IscsiTargetMapping& m : info.persistentMappings) PrintMapping(out, m);
      break;
    case IscsiTargetInfoClass::InitiatorName:
      if (info.initiatorNames.empty()) InfoLine(out, label, "<Empty>");
      for (const std::string& name : info.initiatorNames) InfoLine(out, label, name);
      break;
    case IscsiTargetInfoClass::TargetFlags:
      InfoLine(out, label, Format("0x%x", info.targetFlags));
      break;
    case IscsiTargetInfoClass::LoginOptions:
      InfoLine(out, label, "");
      PrintLoginOptions(out, "        ", info.loginOptions);
      break;
  }
}

}  // namespace

IscsiStatus CmdAddTarget(CommandContext& c) {
  if (c.count() < 18) return c.Usage();
  const std::uint32_t mappingCount = ParseNumber32(c.word(18));
  if (c.count() != 18 + 4 * static_cast<std::uint64_t>(mappingCount)) return c.Usage();
  if (c.tooLong(3) || c.tooLong(5)) return kIscsiStatusInvalidParameter;
  const std::string name = c.text(3);
  const std::optional<std::string> alias = c.optionalText(4);
  std::optional<IscsiPortalGroup> group;
  if (!c.star(5)) {
    IscsiTargetPortal portal{"", c.text(5), 0};
    if (!c.socket(6, portal.socket)) return kIscsiStatusInvalidParameter;
    group = IscsiPortalGroup{{portal}};
  }
  const std::uint32_t flags = ParseNumber32(c.word(7));
  const bool persist = ParseFlag(c.word(8));
  const IscsiLoginOptions options = ParseLoginOptions(c.from(9));
  std::optional<IscsiTargetMapping> mapping;
  if (mappingCount > 0) {
    mapping.emplace();
    mapping->targetName = name;
    if (const IscsiStatus s = ParseMappings(c.from(19), mappingCount, *mapping, c.out)) return s;
  }
  return c.initiator.AddIScsiStaticTarget(name, Ptr(alias), flags, persist, mapping ? &*mapping : nullptr, &options,
                                          group ? &*group : nullptr);
}

IscsiStatus CmdRemoveTarget(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  return c.initiator.RemoveIScsiStaticTarget(c.text(3));
}

IscsiStatus CmdListTargets(CommandContext& c) {
  if (c.count() != 2 && c.count() != 3) return c.Usage();
  const bool forceUpdate = c.count() == 3 && (c.word(3) == u"T" || c.word(3) == u"t");
  std::vector<std::string> targets;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<std::string>& out) {
        return c.initiator.ReportIScsiTargets(forceUpdate, capacity, out);
      },
      targets);
  if (status != kIscsiStatusSuccess) return status;
  PrintLine(c.out, "Targets List:");
  for (const std::string& t : targets) PrintLine(c.out, "    %s", t.c_str());
  return kIscsiStatusSuccess;
}

IscsiStatus CmdTargetInfo(CommandContext& c) {
  if (c.count() != 3 && c.count() != 4) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  const std::string name = c.text(3);
  const std::optional<std::string> mechanism = c.count() == 4 ? c.optionalText(4) : std::nullopt;
  PrintLine(c.out, "Get Target information for %s discovered by %s", name.c_str(),
            mechanism ? mechanism->c_str() : "<all mechanisms>");
  // The command succeeds when any class could be read; with none, the first
  // failure is its status.
  IscsiStatus firstFailure = kIscsiStatusSuccess;
  bool anyRead = false;
  for (int i = 0; i <= static_cast<int>(IscsiTargetInfoClass::LoginOptions); ++i) {
    const auto cls = static_cast<IscsiTargetInfoClass>(i);
    IscsiTargetInformation info;
    const IscsiStatus status = c.initiator.GetIScsiTargetInformation(name, Ptr(mechanism), cls, info);
    PrintTargetInfoClass(c.out, cls, status, info);
    if (status == kIscsiStatusSuccess) anyRead = true;
    if (status != kIscsiStatusSuccess && firstFailure == kIscsiStatusSuccess) firstFailure = status;
  }
  return anyRead ? kIscsiStatusSuccess : firstFailure;
}

IscsiStatus CmdQAddTarget(CommandContext& c) {
  if (c.count() != 4) return c.Usage();
  if (c.tooLong(3) || c.tooLong(4)) return kIscsiStatusInvalidParameter;
  const IscsiPortalGroup group{{IscsiTargetPortal{"", c.text(4), kDefaultIscsiSocket}}};
  return c.initiator.AddIScsiStaticTarget(c.text(3), nullptr, 0, true, nullptr, nullptr, &group);
}

}  // namespace sp
