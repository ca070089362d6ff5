// Initiator settings and lists: ListInitiators, the iSNS commands,
// TunnelAddr, GroupKey, PSKey, GetPSKey, CHAPSecret, NodeName and the
// persistent device commands.
#include <arpa/inet.h>

#include <cstring>

#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {

namespace {

// Words `n` (Id Type) and `n + 1` (Id) as the IKE identity.
IscsiStatus ReadIkeId(const CommandContext& c, std::size_t n, IscsiIkeAuthInfo& info) {
  const std::uint32_t type = ParseNumber32(c.word(n));
  const std::string id = c.text(n + 1);
  if (type == kIscsiIkeIdFqdn || type == kIscsiIkeIdUserFqdn) {
    info.id.assign(id.begin(), id.end());
  } else if (type == kIscsiIkeIdIpv4Address || type == kIscsiIkeIdIpv6Address) {
    const int family = type == kIscsiIkeIdIpv4Address ? AF_INET : AF_INET6;
    unsigned char address[sizeof(in6_addr)];
    if (id.find('\0') != std::string::npos || inet_pton(family, id.c_str(), address) != 1) {
      PrintLine(c.out, "Invalid address: %s", id.c_str());
      return kIscsiStatusInvalidParameter;
    }
    info.id.assign(address, address + (family == AF_INET ? sizeof(in_addr) : sizeof(in6_addr)));
  } else {
    PrintLine(c.out, "Error, only id types ID_IPV4_ADDR (1), ID_FQDN (2), ID_USER_FQDN supported (3)");
    return kIscsiStatusInvalidParameter;
  }
  info.idType = static_cast<std::uint8_t>(type);
  return kIscsiStatusSuccess;
}

template <typename Call>
IscsiStatus PrintNameList(CommandContext& c, Call call, const char* heading, const char* none) {
  std::vector<std::string> names;
  const IscsiStatus status = ReadList(call, names);
  if (status != kIscsiStatusSuccess) return status;
  if (heading) PrintLine(c.out, "%s", heading);
  if (names.empty() && none) PrintLine(c.out, "%s", none);
  for (const std::string& name : names) PrintLine(c.out, "    %s", name.c_str());
  return kIscsiStatusSuccess;
}

// Commands that take exactly one name or path.
template <typename Call>
IscsiStatus OneName(CommandContext& c, Call call) {
  if (c.count() != 3) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  return call(c.text(3));
}

}  // namespace

IscsiStatus CmdListInitiators(CommandContext& c) {
  if (c.count() != 2) return c.Usage();
  return PrintNameList(
      c, [&](std::uint32_t& n, std::vector<std::string>& v) { return c.initiator.ReportIScsiInitiatorList(n, v); },
      "Initiators List:", nullptr);
}

IscsiStatus CmdAddIsnsServer(CommandContext& c) {
  return OneName(c, [&](const std::string& a) { return c.initiator.AddISNSServer(a); });
}

IscsiStatus CmdRemoveIsnsServer(CommandContext& c) {
  return OneName(c, [&](const std::string& a) { return c.initiator.RemoveISNSServer(a); });
}

IscsiStatus CmdRefreshIsnsServer(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  return c.initiator.RefreshISNSServer(Ptr(c.optionalText(3)));
}

IscsiStatus CmdListIsnsServers(CommandContext& c) {
  return PrintNameList(
      c, [&](std::uint32_t& n, std::vector<std::string>& v) { return c.initiator.ReportISNSServerList(n, v); }, nullptr,
      "No SNS Servers");
}

IscsiStatus CmdTunnelAddr(CommandContext& c) {
  if (c.count() != 7) return c.Usage();
  return c.initiator.SetIScsiTunnelModeOuterAddress(Ptr(c.optionalText(3)), c.portNumber(4), Ptr(c.optionalText(5)),
                                                    Ptr(c.optionalText(6)), ParseFlag(c.word(7)));
}

IscsiStatus CmdGroupKey(CommandContext& c) {
  if (c.count() != 4) return c.Usage();
  const std::vector<std::uint8_t> key = c.star(3) ? std::vector<std::uint8_t>() : TextBytes(c.word(3), true);
  return c.initiator.SetIScsiGroupPresharedKey(key, ParseFlag(c.word(4)));
}

IscsiStatus CmdPsKey(CommandContext& c) {
  if (c.count() != 9) return c.Usage();
  IscsiIkeAuthInfo info;
  info.securityFlags = ParseNumber64(c.word(5));
  if (const IscsiStatus s = ReadIkeId(c, 6, info)) return s;
  if (!c.star(8)) info.key = TextBytes(c.word(8), false);
  return c.initiator.SetIScsiIKEInfo(Ptr(c.optionalText(3)), c.portNumber(4), info, ParseFlag(c.word(9)));
}

IscsiStatus CmdGetPsKey(CommandContext& c) {
  if (c.count() != 6) return c.Usage();
  IscsiIkeAuthInfo info;
  if (const IscsiStatus s = ReadIkeId(c, 5, info)) return s;
  const IscsiStatus status = c.initiator.GetIScsiIKEInfo(Ptr(c.optionalText(3)), c.portNumber(4), info);
  if (status != kIscsiStatusSuccess) return status;
  PrintLine(c.out, "    Authentication Method: %u", info.authMethod);
  PrintLine(c.out, "    Id Type              : %u", info.idType);
  PrintLine(c.out, "    Id                   :");
  PrintHexDump(c.out, "        ", info.id);
  PrintSecurityFlags(c.out, "    ", info.securityFlags);
  PrintLine(c.out, "    Key Length           : %zu", info.key.size());
  return kIscsiStatusSuccess;
}

IscsiStatus CmdChapSecret(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  std::vector<std::uint8_t> secret;
  if (!c.star(3) && !ParseSecret(c.word(3), secret)) {
    PrintLine(c.out, "A hexadecimal secret needs pairs of hexadecimal digits");
    return kIscsiStatusInvalidParameter;
  }
  return c.initiator.SetIScsiInitiatorCHAPSharedSecret(secret);
}

IscsiStatus CmdNodeName(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  return c.initiator.SetIScsiInitiatorNodeName(Ptr(c.optionalText(3)));
}

IscsiStatus CmdBindPersistentVolumes(CommandContext& c) { return c.initiator.SetupPersistentIScsiVolumes(); }

IscsiStatus CmdAddPersistentDevice(CommandContext& c) {
  return OneName(c, [&](const std::string& path) { return c.initiator.AddPersistentIScsiDevice(path); });
}

IscsiStatus CmdRemovePersistentDevice(CommandContext& c) {
  return OneName(c, [&](const std::string& path) { return c.initiator.RemovePersistentIScsiDevice(path); });
}

IscsiStatus CmdClearPersistentDevices(CommandContext& c) { return c.initiator.ClearPersistentIScsiDevices(); }

IscsiStatus CmdReportPersistentDevices(CommandContext& c) {
  return PrintNameList(
      c, [&](std::uint32_t& n, std::vector<std::string>& v) { return c.initiator.ReportPersistentIScsiDevices(n, v); },
      "Persistent Volumes", "    <none>");
}

}  // namespace sp
