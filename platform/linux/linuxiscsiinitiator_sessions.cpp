// The session reports: sessions with their connections, the devices of a
// session (LUN files, numbered as physical drives) and the active mappings.
#include <filesystem>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "platform/linux/linuxiscsiinitiator.h"

namespace sp {

namespace op = iscsictl::op;

namespace {

constexpr int kQuickMs = 30000;

IscsiDeviceInterface InterfaceOf(std::uint64_t scsiType) {
  switch (scsiType) {
    case 0x00:
    case 0x0E:
      return IscsiDeviceInterface::Disk;
    case 0x01:
      return IscsiDeviceInterface::Tape;
    case 0x04:
      return IscsiDeviceInterface::WriteOnceDisk;
    case 0x05:
      return IscsiDeviceInterface::CdRom;
    case 0x08:
      return IscsiDeviceInterface::MediumChanger;
    default:
      return IscsiDeviceInterface::Unknown;
  }
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

template <std::size_t N>
void CopyHex(const std::string& text, std::array<std::uint8_t, N>& out) {
  const auto bytes = iscsictl::ParseHex(text);
  if (!bytes) return;
  for (std::size_t i = 0; i < N && i < bytes->size(); ++i) out[i] = (*bytes)[i];
}

}  // namespace

IscsiStatus LinuxIscsiInitiator::Sessions(std::vector<IscsiSessionInfo>& sessions,
                                          std::vector<IscsiDeviceOnSession>* devices, const IscsiUniqueSessionId* only,
                                          std::vector<IscsiTargetMapping>* mappings) {
  ControlMessage reply;
  if (const IscsiStatus status = Call({IscsiControlClient::Request(op::kSessions)}, &reply, kQuickMs)) return status;
  std::vector<std::string> drives;
  if (devices) {
    for (const auto& drive : disks_.PhysicalDrives()) drives.push_back(drive.empty() ? drive : Canonical(drive));
  }
  bool selected = false;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    const ControlRecord& r = reply[i];
    if (r.type() == "session") {
      const auto id = iscsictl::ParseUniqueId(r.Get("id")).value_or(iscsictl::UniqueId{});
      IscsiSessionInfo info;
      info.sessionId = {id.adapterUnique, id.adapterSpecific};
      selected = !only || info.sessionId == *only;
      info.initiatorName = r.Get("initiator_node");
      info.targetNodeName = r.Get("target");
      info.targetName = r.Get("target");
      CopyHex(r.Get("isid"), info.isid);
      sessions.push_back(std::move(info));
    } else if (r.type() == "connection" && !sessions.empty()) {
      const auto id = iscsictl::ParseUniqueId(r.Get("id")).value_or(iscsictl::UniqueId{});
      IscsiConnectionInfo c;
      c.connectionId = {id.adapterUnique, id.adapterSpecific};
      c.initiatorAddress = r.Get("local_address");
      c.initiatorSocket = static_cast<std::uint16_t>(r.GetU64Or("local_port", 0));
      c.targetAddress = r.Get("target_address");
      c.targetSocket = static_cast<std::uint16_t>(r.GetU64Or("target_port", 0));
      sessions.back().connections.push_back(std::move(c));
    } else if (r.type() == "device" && !sessions.empty()) {
      const IscsiSessionInfo& session = sessions.back();
      if (mappings) {
        if (mappings->empty() || !(mappings->back().sessionId == session.sessionId)) {
          IscsiTargetMapping m;
          m.initiatorName = iscsictl::kInitiatorInstance;
          m.targetName = session.targetName;
          m.osDeviceName = std::filesystem::path(r.Get("path")).parent_path().string();
          m.sessionId = session.sessionId;
          m.osBusNumber = static_cast<std::uint32_t>(r.GetU64Or("os_bus", 0));
          m.osTargetNumber = static_cast<std::uint32_t>(r.GetU64Or("os_target", 0));
          mappings->push_back(std::move(m));
        }
        mappings->back().luns.push_back(
            {static_cast<std::uint32_t>(r.GetU64Or("os_lun", 0)), r.GetU64Or("target_lun", 0)});
      }
      if (devices && selected) {
        IscsiDeviceOnSession d;
        d.initiatorName = iscsictl::kInitiatorInstance;
        d.targetName = session.targetName;
        d.interfaceClass = InterfaceOf(r.GetU64Or("type", 0x1F));
        d.deviceInterfaceName = r.Get("path");
        d.storageDeviceNumber.deviceType =
            d.interfaceClass == IscsiDeviceInterface::Disk ? kIscsiStorageDeviceTypeDisk : 0;
        d.storageDeviceNumber.deviceNumber = 0xFFFFFFFFu;  // not among the physical drives
        const std::string path = Canonical(d.deviceInterfaceName);
        for (std::size_t n = 0; n < drives.size(); ++n) {
          if (drives[n] == path) d.storageDeviceNumber.deviceNumber = static_cast<std::uint32_t>(n);
        }
        d.osLun = static_cast<std::uint32_t>(r.GetU64Or("os_lun", 0));
        devices->push_back(std::move(d));
      }
    }
  }
  return kIscsiStatusSuccess;
}

IscsiStatus LinuxIscsiInitiator::GetIScsiSessionList(std::uint32_t& capacity, std::vector<IscsiSessionInfo>& sessions) {
  std::vector<IscsiSessionInfo> all;
  if (const IscsiStatus status = Sessions(all, nullptr, nullptr, nullptr)) {
    sessions.clear();
    return status;
  }
  return IscsiDeliverSized(capacity, all, sessions);
}

IscsiStatus LinuxIscsiInitiator::GetDevicesForIScsiSession(const IscsiUniqueSessionId& sessionId,
                                                           std::uint32_t& capacity,
                                                           std::vector<IscsiDeviceOnSession>& devices) {
  devices.clear();
  std::vector<IscsiSessionInfo> all;
  std::vector<IscsiDeviceOnSession> found;
  if (const IscsiStatus status = Sessions(all, &found, &sessionId, nullptr)) return status;
  bool known = false;
  for (const auto& session : all) known |= session.sessionId == sessionId;
  if (!known) return kIscsiStatusNotFound;
  return IscsiDeliverSized(capacity, found, devices);
}

IscsiStatus LinuxIscsiInitiator::ReportActiveIScsiTargetMappings(std::uint32_t& capacity,
                                                                 std::vector<IscsiTargetMapping>& mappings) {
  std::vector<IscsiSessionInfo> all;
  std::vector<IscsiTargetMapping> found;
  if (const IscsiStatus status = Sessions(all, nullptr, nullptr, &found)) {
    mappings.clear();
    return status;
  }
  return IscsiDeliverSized(capacity, found, mappings);
}

}  // namespace sp
