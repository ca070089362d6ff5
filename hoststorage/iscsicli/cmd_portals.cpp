// Send-targets portals: AddTargetPortal, RemoveTargetPortal,
// RefreshTargetPortal, ListTargetPortals, QAddTargetPortal.
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {

namespace {

constexpr std::uint16_t kDefaultIscsiSocket = 3260;

// Words `address` and `address + 1`: the portal's address and socket.
bool ReadPortal(const CommandContext& c, std::size_t address, IscsiTargetPortal& portal) {
  if (c.tooLong(address)) return false;
  portal.address = c.text(address);
  return c.socket(address + 1, portal.socket);
}

// RemoveTargetPortal and RefreshTargetPortal share their form.
template <typename Call>
IscsiStatus PortalOperation(CommandContext& c, Call call) {
  if (c.count() < 4 || c.count() > 6) return c.Usage();
  IscsiTargetPortal portal;
  if (!ReadPortal(c, 3, portal)) return kIscsiStatusInvalidParameter;
  const std::optional<std::string> hba = c.count() >= 5 ? c.optionalText(5) : std::nullopt;
  const std::uint32_t port = c.count() >= 6 ? c.portNumber(6) : kIscsiAnyInitiatorPort;
  return call(Ptr(hba), port, portal);
}

}  // namespace

IscsiStatus CmdAddTargetPortal(CommandContext& c) {
  if (c.count() != 4 && c.count() < 16) return c.Usage();
  IscsiTargetPortal portal;
  if (!ReadPortal(c, 3, portal)) return kIscsiStatusInvalidParameter;
  std::optional<std::string> hba;
  std::uint32_t port = kIscsiAnyInitiatorPort;
  std::uint64_t securityFlags = 0;
  std::optional<IscsiLoginOptions> options;
  if (c.count() >= 16) {
    hba = c.optionalText(5);
    port = c.portNumber(6);
    securityFlags = ParseNumber64(c.word(7));
    options = ParseLoginOptions(c.from(8));
  }
  return c.initiator.AddIScsiSendTargetPortal(Ptr(hba), port, options ? &*options : nullptr, securityFlags, portal);
}

IscsiStatus CmdRemoveTargetPortal(CommandContext& c) {
  return PortalOperation(c, [&](const std::string* hba, std::uint32_t port, const IscsiTargetPortal& portal) {
    return c.initiator.RemoveIScsiSendTargetPortal(hba, port, portal);
  });
}

IscsiStatus CmdRefreshTargetPortal(CommandContext& c) {
  return PortalOperation(c, [&](const std::string* hba, std::uint32_t port, const IscsiTargetPortal& portal) {
    return c.initiator.RefreshIScsiSendTargetPortal(hba, port, portal);
  });
}

IscsiStatus CmdListTargetPortals(CommandContext& c) {
  std::vector<IscsiSendTargetPortalInfo> portals;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<IscsiSendTargetPortalInfo>& out) {
        return c.initiator.ReportIScsiSendTargetPortalsEx(capacity, out);
      },
      portals);
  if (status != kIscsiStatusSuccess) return status;
  PrintLine(c.out, "Total of %zu portals are persisted:", portals.size());
  c.out << '\n';
  for (const IscsiSendTargetPortalInfo& p : portals) {
    PrintLine(c.out, "    Address and Socket   : %s %u", p.portal.address.c_str(), p.portal.socket);
    PrintLine(c.out, "    Symbolic Name        : %s", p.portal.symbolicName.c_str());
    PrintLine(c.out, "    Initiator Name       : %s", p.initiatorName.c_str());
    PrintPortNumber(c.out, "    Port Number          : ", p.initiatorPortNumber);
    PrintSecurityFlags(c.out, "    ", p.securityFlags);
    PrintLoginOptions(c.out, "    ", p.loginOptions);
    c.out << '\n';
  }
  return kIscsiStatusSuccess;
}

IscsiStatus CmdQAddTargetPortal(CommandContext& c) {
  if (c.count() != 3 && c.count() != 5) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  const IscsiTargetPortal portal{"", c.text(3), kDefaultIscsiSocket};
  std::optional<IscsiLoginOptions> options;
  if (c.count() == 5) options = QuickChapOptions(c.word(4), c.word(5));
  return c.initiator.AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, options ? &*options : nullptr, 0,
                                              portal);
}

}  // namespace sp
