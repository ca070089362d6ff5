// The listings that fill the interpreter's tables (SessionList,
// ListPersistentTargets), ReportTargetMappings and the log-out by mapping.
#include <algorithm>
#include <cinttypes>

#include "base/text.h"
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"
#include "hoststorage/iscsicli/statustext.h"

namespace sp {

namespace {

const char* DeviceTypeName(IscsiDeviceInterface type) {
  switch (type) {
    case IscsiDeviceInterface::Disk:
      return "Disk";
    case IscsiDeviceInterface::Tape:
      return "Tape";
    case IscsiDeviceInterface::CdRom:
      return "CDRom";
    case IscsiDeviceInterface::WriteOnceDisk:
      return "Write Once Disk";
    case IscsiDeviceInterface::CdChanger:
      return "CD Changer";
    case IscsiDeviceInterface::MediumChanger:
      return "Medium Changer";
    case IscsiDeviceInterface::Floppy:
      return "Floppy";
    case IscsiDeviceInterface::Unknown:
      break;
  }
  return "Unknown";
}

std::string Bytes(const std::uint8_t* data, std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += Format(i ? " %02x" : "%02x", data[i]);
  return text;
}

void PrintSessionBlock(std::ostream& out, const IscsiSessionInfo& s) {
  PrintLine(out, "Session Id             : %s", SessionIdText(s.sessionId).c_str());
  PrintLine(out, "Initiator Node Name    : %s", s.initiatorName.c_str());
  PrintLine(out, "Target Node Name       : %s", s.targetNodeName.c_str());
  PrintLine(out, "Target Name            : %s", s.targetName.c_str());
  PrintLine(out, "ISID                   : %s", Bytes(s.isid.data(), s.isid.size()).c_str());
  PrintLine(out, "TSID                   : %s", Bytes(s.tsid.data(), s.tsid.size()).c_str());
  PrintLine(out, "Number Connections     : %zu", s.connections.size());
}

void PrintConnectionBlock(std::ostream& out, const IscsiConnectionInfo& c) {
  PrintLine(out, "        Connection Id     : %s", SessionIdText(c.connectionId).c_str());
  PrintLine(out, "        Initiator Portal  : %s/%u", c.initiatorAddress.c_str(), c.initiatorSocket);
  PrintLine(out, "        Target Portal     : %s/%u", c.targetAddress.c_str(), c.targetSocket);
  PrintLine(out, "        CID               : %s", Bytes(c.cid.data(), c.cid.size()).c_str());
  out << '\n';
}

// The system's volumes, read once per listing and only when a disk needs them.
struct VolumeCache {
  IVolumeEnumerator& enumerator;
  std::optional<std::vector<VolumeInfo>> volumes;

  const std::vector<VolumeInfo>& Get() {
    if (!volumes) {
      volumes.emplace();
      if (enumerator.EnumeratePresentVolumes(*volumes) != 0) volumes->clear();
    }
    return *volumes;
  }
};

void PrintDevices(CommandContext& c, const IscsiUniqueSessionId& id, IscsiSessionRecord& record,
                  IscsiSessionDisks& disks, VolumeCache& volumes) {
  std::vector<IscsiDeviceOnSession> devices;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<IscsiDeviceOnSession>& out) {
        return c.initiator.GetDevicesForIScsiSession(id, capacity, out);
      },
      devices);
  if (status != kIscsiStatusSuccess) {
    PrintLine(c.out, "    Devices Failed         : %s", StatusMessage(status).c_str());
    return;
  }
  if (!devices.empty()) PrintLine(c.out, "    Devices:");
  for (const IscsiDeviceOnSession& d : devices) {
    const IscsiStorageDeviceNumber& n = d.storageDeviceNumber;
    PrintLine(c.out, "        Device Type            : %s", DeviceTypeName(d.interfaceClass));
    PrintLine(c.out, "        Device Number          : %u", n.deviceNumber);
    PrintLine(c.out, "        Storage Device Type    : %u", n.deviceType);
    PrintLine(c.out, "        Partition Number       : %u", n.partitionNumber);
    if (d.interfaceClass != IscsiDeviceInterface::Disk) continue;
    if (!d.deviceInterfaceName.empty()) disks.paths.push_back(d.deviceInterfaceName);
    bool heading = false;
    for (const VolumeInfo& v : volumes.Get()) {
      const auto& disks = v.diskNumbers;
      if (std::find(disks.begin(), disks.end(), n.deviceNumber) == disks.end()) continue;
      for (const std::string& path : v.pathNames) {
        if (!heading) PrintLine(c.out, "        Volume Path Names      :");
        heading = true;
        PrintLine(c.out, "                                 %s", path.c_str());
        CopyBounded(record.volumePath, path);
      }
    }
    c.out << '\n';
  }
}

void PrintPersistentLogin(std::ostream& out, const IscsiPersistentLogin& p) {
  PrintLine(out, "    Target Name           : %s", p.targetName.c_str());
  PrintLine(out, "    Address and Socket    : %s %u",
            p.targetPortal.address.empty() ? "*" : p.targetPortal.address.c_str(), p.targetPortal.socket);
  PrintLine(out, "    Session Type          : %s", p.isInformationalSession ? "Informational" : "Data");
  PrintLine(out, "    Initiator Name        : %s", p.initiatorInstance.c_str());
  PrintPortNumber(out, "    Port Number           : ", p.initiatorPortNumber);
  PrintSecurityFlags(out, "    ", p.securityFlags);
  PrintLoginOptions(out, "    ", p.loginOptions);
  if (p.mapping) PrintMapping(out, *p.mapping);
  out << '\n';
}

}  // namespace

IscsiStatus ReportSessionTable(CommandContext& c) {
  c.state.sessions.clear();
  c.state.sessionDisks.clear();
  std::vector<IscsiSessionInfo> sessions;
  const IscsiStatus status =
      ReadList([&](std::uint32_t& capacity,
                   std::vector<IscsiSessionInfo>& out) { return c.initiator.GetIScsiSessionList(capacity, out); },
               sessions);
  if (status != kIscsiStatusSuccess) return status;
  PrintLine(c.out, "Total of %zu sessions", sessions.size());
  c.out << '\n';
  VolumeCache volumes{c.volumes, std::nullopt};
  for (const IscsiSessionInfo& s : sessions) {
    IscsiSessionRecord record{};
    CopyBounded(record.sessionId, SessionIdText(s.sessionId));
    CopyBounded(record.targetName, s.targetName);
    PrintSessionBlock(c.out, s);
    c.out << '\n';
    PrintLine(c.out, "    Connections:");
    c.out << '\n';
    for (const IscsiConnectionInfo& connection : s.connections) {
      PrintConnectionBlock(c.out, connection);
      CopyBounded(record.targetPortalAddress, connection.targetAddress);
    }
    IscsiSessionDisks disks;
    PrintDevices(c, s.sessionId, record, disks, volumes);
    c.state.sessions.push_back(record);
    c.state.sessionDisks.push_back(std::move(disks));
  }
  return kIscsiStatusSuccess;
}

IscsiStatus ReportPersistentLoginTable(CommandContext& c) {
  c.state.persistentLogins.clear();
  std::vector<IscsiPersistentLogin> logins;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<IscsiPersistentLogin>& out) {
        return c.initiator.ReportIScsiPersistentLogins(capacity, out);
      },
      logins);
  if (status != kIscsiStatusSuccess) return status;
  // The heading is kept letter for letter, its spelling included.
  PrintLine(c.out, "Total of %zu peristent targets", logins.size());
  for (const IscsiPersistentLogin& p : logins) {
    PrintPersistentLogin(c.out, p);
    IscsiPersistentLoginRecord record{};
    CopyBounded(record.targetName, p.targetName);
    CopyBounded(record.targetPortalAddress, p.targetPortal.address);
    record.targetPortalSocket = p.targetPortal.socket;
    CopyBounded(record.initiatorInstance, p.initiatorInstance);
    c.state.persistentLogins.push_back(record);
  }
  return kIscsiStatusSuccess;
}

IscsiStatus LogoutMappedTarget(CommandContext& c, const std::string& targetName) {
  std::vector<IscsiTargetMapping> mappings;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<IscsiTargetMapping>& out) {
        return c.initiator.ReportActiveIScsiTargetMappings(capacity, out);
      },
      mappings);
  if (status != kIscsiStatusSuccess) return status;
  // The whole name must match: names that share a long prefix belong to
  // other appliances.
  for (const IscsiTargetMapping& m : mappings) {
    if (m.targetName == targetName) return c.initiator.LogoutIScsiTarget(m.sessionId);
  }
  return kIscsiStatusNotFound;
}

IscsiStatus CmdSessionList(CommandContext& c) {
  // The optional word asks for session details, which the listing always
  // shows.
  if (c.count() != 2 && c.count() != 3) return c.Usage();
  return ReportSessionTable(c);
}

IscsiStatus CmdListPersistentTargets(CommandContext& c) { return ReportPersistentLoginTable(c); }

IscsiStatus CmdReportTargetMappings(CommandContext& c) {
  std::vector<IscsiTargetMapping> mappings;
  const IscsiStatus status = ReadList(
      [&](std::uint32_t& capacity, std::vector<IscsiTargetMapping>& out) {
        return c.initiator.ReportActiveIScsiTargetMappings(capacity, out);
      },
      mappings);
  if (status != kIscsiStatusSuccess) return status;
  if (mappings.empty()) {
    PrintLine(c.out, "No mappings");
  } else {
    PrintLine(c.out, "Total of %zu mappings returned", mappings.size());
  }
  for (const IscsiTargetMapping& m : mappings) {
    PrintMapping(c.out, m);
    c.out << '\n';
  }
  return kIscsiStatusSuccess;
}

}  // namespace sp
