// SCSI commands through a session, initiator settings, persistent devices,
// and the operations this initiator does not offer.
#include <algorithm>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"
#include "platform/linux/linuxiscsiinitiator.h"

namespace sp {

namespace op = iscsictl::op;

namespace {
constexpr int kScsiMs = 60000;
constexpr int kQuickMs = 30000;
}  // namespace

IscsiStatus LinuxIscsiInitiator::Scsi(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                      std::vector<std::uint8_t> cdb, std::uint32_t inLength,
                                      std::uint32_t allocationLength, IscsiScsiResult& result) {
  ControlRecord request = IscsiControlClient::Request(op::kScsi);
  request.Set("session", iscsictl::UniqueIdText({sessionId.adapterUnique, sessionId.adapterSpecific}));
  request.SetHex("lun", lun).Set("cdb", iscsictl::HexText(cdb.data(), cdb.size())).SetU64("in_length", inLength);
  ControlMessage reply;
  result = IscsiScsiResult{};
  if (const IscsiStatus status = Call({request}, &reply, kScsiMs)) return status;
  result.scsiStatus = static_cast<std::uint8_t>(reply[0].GetU64Or("scsi_status", 0));
  result.response = iscsictl::ParseHex(reply[0].Get("data")).value_or(std::vector<std::uint8_t>{});
  result.sense = iscsictl::ParseHex(reply[0].Get("sense")).value_or(std::vector<std::uint8_t>{});
  if (result.response.size() > allocationLength) result.response.resize(allocationLength);
  return kIscsiStatusSuccess;
}

IscsiStatus LinuxIscsiInitiator::SendScsiInquiry(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                                 std::uint8_t evpdCmddt, std::uint8_t pageCode,
                                                 std::uint32_t allocationLength, IscsiScsiResult& result) {
  const auto length = static_cast<std::uint16_t>(std::min<std::uint32_t>(allocationLength, 0xFFFF));
  // EVPD is bit 0 and CmdDt bit 1 of the second CDB byte.
  std::vector<std::uint8_t> cdb = {0x12,
                                   static_cast<std::uint8_t>(evpdCmddt & 0x03),
                                   pageCode,
                                   static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length),
                                   0};
  return Scsi(sessionId, lun, std::move(cdb), length, allocationLength, result);
}

IscsiStatus LinuxIscsiInitiator::SendScsiReadCapacity(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                                      std::uint32_t allocationLength, IscsiScsiResult& result) {
  std::vector<std::uint8_t> cdb(10, 0);
  cdb[0] = 0x25;  // READ CAPACITY(10): eight bytes of answer
  return Scsi(sessionId, lun, std::move(cdb), 8, allocationLength, result);
}

IscsiStatus LinuxIscsiInitiator::SendScsiReportLuns(const IscsiUniqueSessionId& sessionId,
                                                    std::uint32_t allocationLength, IscsiScsiResult& result) {
  const std::uint32_t length = std::min<std::uint32_t>(allocationLength, 1u << 16);
  std::vector<std::uint8_t> cdb(12, 0);
  cdb[0] = 0xA0;
  cdb[6] = static_cast<std::uint8_t>(length >> 24);
  cdb[7] = static_cast<std::uint8_t>(length >> 16);
  cdb[8] = static_cast<std::uint8_t>(length >> 8);
  cdb[9] = static_cast<std::uint8_t>(length);
  return Scsi(sessionId, 0, std::move(cdb), length, allocationLength, result);
}

IscsiStatus LinuxIscsiInitiator::AddIScsiConnection(const IscsiUniqueSessionId&, const std::string*, std::uint32_t,
                                                    const IscsiTargetPortal*, std::uint64_t, const IscsiLoginOptions*,
                                                    const std::vector<std::uint8_t>&, IscsiUniqueConnectionId&) {
  return kIscsiStatusNotSupported;  // one connection per session
}

IscsiStatus LinuxIscsiInitiator::RemoveIScsiConnection(const IscsiUniqueSessionId&, const IscsiUniqueConnectionId&) {
  return kIscsiStatusNotSupported;
}

IscsiStatus LinuxIscsiInitiator::AddISNSServer(const std::string&) { return kIscsiStatusNotSupported; }
IscsiStatus LinuxIscsiInitiator::RemoveISNSServer(const std::string&) { return kIscsiStatusNotSupported; }
IscsiStatus LinuxIscsiInitiator::RefreshISNSServer(const std::string*) { return kIscsiStatusNotSupported; }

IscsiStatus LinuxIscsiInitiator::ReportISNSServerList(std::uint32_t& capacity, std::vector<std::string>& servers) {
  return IscsiDeliverSized(capacity, std::vector<std::string>{}, servers);  // there are never any
}

IscsiStatus LinuxIscsiInitiator::SetIScsiInitiatorCHAPSharedSecret(const std::vector<std::uint8_t>& secret) {
  return Simple(op::kSetChapSecret, {{"secret", std::string(secret.begin(), secret.end())}});
}

IscsiStatus LinuxIscsiInitiator::SetIScsiInitiatorNodeName(const std::string* nodeName) {
  return Simple(op::kSetNodeName, {{"name", nodeName ? *nodeName : std::string()}});
}

IscsiStatus LinuxIscsiInitiator::SetIScsiTunnelModeOuterAddress(const std::string*, std::uint32_t, const std::string*,
                                                                const std::string*, bool) {
  return kIscsiStatusNotSupported;
}

IscsiStatus LinuxIscsiInitiator::SetIScsiGroupPresharedKey(const std::vector<std::uint8_t>&, bool) {
  return kIscsiStatusNotSupported;
}

IscsiStatus LinuxIscsiInitiator::SetIScsiIKEInfo(const std::string*, std::uint32_t, const IscsiIkeAuthInfo&, bool) {
  return kIscsiStatusNotSupported;
}

IscsiStatus LinuxIscsiInitiator::GetIScsiIKEInfo(const std::string*, std::uint32_t, IscsiIkeAuthInfo&) {
  return kIscsiStatusNotSupported;
}

IscsiStatus LinuxIscsiInitiator::SetupPersistentIScsiVolumes() {
  // Every volume that lies on a disk of an iSCSI session is kept by each of
  // its path names.
  std::vector<IscsiSessionInfo> sessions;
  std::vector<IscsiDeviceOnSession> devices;
  if (const IscsiStatus status = Sessions(sessions, &devices, nullptr, nullptr)) return status;
  std::vector<VolumeInfo> volumes;
  if (const std::uint32_t status = volumes_.EnumeratePresentVolumes(volumes)) return status;
  for (const auto& volume : volumes) {
    const bool onIscsi = std::any_of(devices.begin(), devices.end(), [&](const IscsiDeviceOnSession& d) {
      const auto& disks = volume.diskNumbers;
      return std::find(disks.begin(), disks.end(), d.storageDeviceNumber.deviceNumber) != disks.end();
    });
    if (!onIscsi) continue;
    for (const auto& path : volume.pathNames) {
      const IscsiStatus status = AddPersistentIScsiDevice(path);
      if (status != kIscsiStatusSuccess && status != kIscsiStatusAlreadyExists) return status;
    }
  }
  return kIscsiStatusSuccess;
}

IscsiStatus LinuxIscsiInitiator::AddPersistentIScsiDevice(const std::string& path) {
  return Simple(op::kAddPersistentDevice, {{"path", path}});
}

IscsiStatus LinuxIscsiInitiator::RemovePersistentIScsiDevice(const std::string& path) {
  return Simple(op::kRemovePersistentDevice, {{"path", path}});
}

IscsiStatus LinuxIscsiInitiator::ClearPersistentIScsiDevices() { return Simple(op::kClearPersistentDevices, {}); }

IscsiStatus LinuxIscsiInitiator::ReportPersistentIScsiDevices(std::uint32_t& capacity,
                                                              std::vector<std::string>& paths) {
  ControlMessage reply;
  if (const IscsiStatus status = Call({IscsiControlClient::Request(op::kPersistentDevices)}, &reply, kQuickMs)) {
    paths.clear();
    return status;
  }
  std::vector<std::string> all;
  for (std::size_t i = 1; i < reply.size(); ++i) {
    if (reply[i].type() == "device") all.push_back(reply[i].Get("path"));
  }
  return IscsiDeliverSized(capacity, all, paths);
}

}  // namespace sp
