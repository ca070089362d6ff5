// Connections and SCSI commands of the fake initiator. The SCSI answers are
// built like a plain disk's: standard INQUIRY data, two VPD pages, READ
// CAPACITY(10) and REPORT LUNS, with fixed-format sense for what it refuses.
#include <algorithm>

#include "platform/fake/fakeiscsiinitiator.h"

namespace sp {

namespace {
constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kAscInvalidFieldInCdb = 0x24;
constexpr std::uint8_t kAscLunNotSupported = 0x25;

void CheckCondition(IscsiScsiResult& r, std::uint8_t asc) {
  r.scsiStatus = kCheckCondition;
  r.response.clear();
  r.sense.assign(18, 0);
  r.sense[0] = 0x70;  // current error, fixed format
  r.sense[2] = kIllegalRequest;
  r.sense[7] = 10;  // additional sense length
  r.sense[12] = asc;
}

void Good(IscsiScsiResult& r, std::vector<std::uint8_t> data, std::uint32_t allocationLength) {
  r.scsiStatus = kGood;
  r.sense.clear();
  if (data.size() > allocationLength) data.resize(allocationLength);
  r.response = std::move(data);
}

void PutText(std::vector<std::uint8_t>& data, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) data[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

void PutBigEndian(std::vector<std::uint8_t>& data, std::size_t at, std::size_t bytes, std::uint64_t value) {
  for (std::size_t i = 0; i < bytes; ++i) data[at + i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}
}  // namespace

IscsiStatus FakeIscsiInitiator::AddIScsiConnection(
    const IscsiUniqueSessionId& sessionId, const std::string* initiatorInstance, std::uint32_t /*initiatorPortNumber*/,
    const IscsiTargetPortal* portal, std::uint64_t /*securityFlags*/, const IscsiLoginOptions* /*loginOptions*/,
    const std::vector<std::uint8_t>& /*key*/, IscsiUniqueConnectionId& connectionId) {
  if (auto s = Enter(Op::AddIScsiConnection)) return *s;
  if (!KnownInstance(initiatorInstance)) return kIscsiStatusInvalidParameter;
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  const IscsiConnectionInfo& first = session->info.connections.front();
  const std::string address = portal ? portal->address : first.targetAddress;
  const std::uint16_t socket = portal ? portal->socket : first.targetSocket;
  const Portal* reachable = FindReachable(address, socket);
  if (!reachable) return kIscsiStatusUnreachable;
  if (!FindOffered(*reachable, session->info.targetName)) return kIscsiStatusNotFound;
  session->info.connections.push_back(MakeConnection(*reachable));
  connectionId = session->info.connections.back().connectionId;
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::RemoveIScsiConnection(const IscsiUniqueSessionId& sessionId,
                                                      const IscsiUniqueConnectionId& connectionId) {
  if (auto s = Enter(Op::RemoveIScsiConnection)) return *s;
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  auto& connections = session->info.connections;
  auto it = std::find_if(connections.begin(), connections.end(),
                         [&](const IscsiConnectionInfo& c) { return c.connectionId == connectionId; });
  if (it == connections.end()) return kIscsiStatusNotFound;
  if (connections.size() == 1) return kIscsiStatusInvalidParameter;  // a session keeps its last connection
  connections.erase(it);
  return kIscsiStatusSuccess;
}

const FakeIscsiInitiator::Lun* FakeIscsiInitiator::FindLun(const Session& session, std::uint64_t lun) const {
  for (const Lun& l : session.luns) {
    if (FakeIscsiTargetLun(l.number) == lun) return &l;
  }
  return nullptr;
}

IscsiStatus FakeIscsiInitiator::SendScsiInquiry(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                                std::uint8_t evpdCmddt, std::uint8_t pageCode,
                                                std::uint32_t allocationLength, IscsiScsiResult& result) {
  if (auto s = Enter(Op::SendScsiInquiry)) return *s;
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  const Lun* l = FindLun(*session, lun);
  if (!l) {
    CheckCondition(result, kAscLunNotSupported);
    return kIscsiStatusSuccess;
  }
  if ((evpdCmddt & 0x01) == 0) {
    if (pageCode != 0) {
      CheckCondition(result, kAscInvalidFieldInCdb);
      return kIscsiStatusSuccess;
    }
    std::vector<std::uint8_t> data(36, 0);
    data[2] = 0x05;  // SPC-3
    data[3] = 0x02;  // response data format
    data[4] = 31;    // additional length
    PutText(data, 8, 8, l->vendor);
    PutText(data, 16, 16, l->product);
    PutText(data, 32, 4, "0001");
    Good(result, std::move(data), allocationLength);
  } else if (pageCode == 0x00) {
    Good(result, {0x00, 0x00, 0x00, 0x02, 0x00, 0x80}, allocationLength);
  } else if (pageCode == 0x80) {
    const std::string serial = "FAKE" + std::to_string(l->number);
    std::vector<std::uint8_t> data(4 + serial.size(), 0);
    data[1] = 0x80;
    data[3] = static_cast<std::uint8_t>(serial.size());
    PutText(data, 4, serial.size(), serial);
    Good(result, std::move(data), allocationLength);
  } else {
    CheckCondition(result, kAscInvalidFieldInCdb);
  }
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SendScsiReadCapacity(const IscsiUniqueSessionId& sessionId, std::uint64_t lun,
                                                     std::uint32_t allocationLength, IscsiScsiResult& result) {
  if (auto s = Enter(Op::SendScsiReadCapacity)) return *s;
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  const Lun* l = FindLun(*session, lun);
  if (!l) {
    CheckCondition(result, kAscLunNotSupported);
    return kIscsiStatusSuccess;
  }
  std::vector<std::uint8_t> data(8, 0);
  const std::uint64_t last = l->blockCount ? l->blockCount - 1 : 0;
  PutBigEndian(data, 0, 4, std::min<std::uint64_t>(last, 0xFFFFFFFFu));
  PutBigEndian(data, 4, 4, l->blockSize);
  Good(result, std::move(data), allocationLength);
  return kIscsiStatusSuccess;
}

IscsiStatus FakeIscsiInitiator::SendScsiReportLuns(const IscsiUniqueSessionId& sessionId,
                                                   std::uint32_t allocationLength, IscsiScsiResult& result) {
  if (auto s = Enter(Op::SendScsiReportLuns)) return *s;
  Session* session = FindSession(sessionId);
  if (!session) return kIscsiStatusNotFound;
  std::vector<std::uint8_t> data(8 + 8 * session->luns.size(), 0);
  PutBigEndian(data, 0, 4, 8 * session->luns.size());
  for (std::size_t i = 0; i < session->luns.size(); ++i) {
    PutBigEndian(data, 8 + 8 * i, 8, FakeIscsiTargetLun(session->luns[i].number));
  }
  Good(result, std::move(data), allocationLength);
  return kIscsiStatusSuccess;
}

}  // namespace sp
