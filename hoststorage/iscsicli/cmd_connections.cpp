// Connections and SCSI commands through a session: AddConnection,
// RemoveConnection, QAddConnection, ScsiInquiry, ReadCapacity, ReportLUNs.
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {

namespace {

constexpr std::uint16_t kDefaultIscsiSocket = 3260;
constexpr std::uint32_t kInquiryAllocation = 0xFF;
constexpr std::uint32_t kReadCapacityAllocation = 8;
constexpr std::uint32_t kReportLunsAllocation = 0x1000;

IscsiStatus Connect(CommandContext& c, const IscsiUniqueSessionId& session, const std::optional<std::string>& instance,
                    std::uint32_t port, const std::optional<IscsiTargetPortal>& portal, std::uint64_t securityFlags,
                    const std::optional<IscsiLoginOptions>& options, const std::vector<std::uint8_t>& key) {
  IscsiUniqueConnectionId connection;
  const IscsiStatus status =
      c.initiator.AddIScsiConnection(session, Ptr(instance), port, portal ? &*portal : nullptr, securityFlags,
                                     options ? &*options : nullptr, key, connection);
  if (status == kIscsiStatusSuccess) PrintSessionAndConnection(c.out, session, connection);
  return status;
}

void PrintScsiResult(std::ostream& out, const IscsiScsiResult& r) {
  PrintLine(out, "    ScsiStatus             : 0x%x", r.scsiStatus);
  if (r.scsiStatus == 0) {
    PrintLine(out, "    Response Buffer Size   : 0x%zx", r.response.size());
    PrintHexDump(out, "    ", r.response);
  } else {
    PrintLine(out, "    Sense Buffer Size      : 0x%zx", r.sense.size());
    PrintHexDump(out, "    ", r.sense);
  }
}

// A CDB byte given as a number.
bool CdbByte(const CommandContext& c, std::size_t n, std::uint8_t& value) {
  const std::uint32_t number = ParseNumber32(c.word(n));
  if (number > 0xFF) {
    PrintLine(c.out, "Invalid CDB byte: %s", c.text(n).c_str());
    return false;
  }
  value = static_cast<std::uint8_t>(number);
  return true;
}

}  // namespace

IscsiStatus CmdAddConnection(CommandContext& c) {
  if (c.count() != 18) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  std::optional<IscsiTargetPortal> portal;
  if (!c.star(6)) {
    if (c.tooLong(6)) return kIscsiStatusInvalidParameter;
    portal = IscsiTargetPortal{"", c.text(6), 0};
    if (!c.socket(7, portal->socket)) return kIscsiStatusInvalidParameter;
  }
  const std::vector<std::uint8_t> key = c.star(18) ? std::vector<std::uint8_t>() : TextBytes(c.word(18), true);
  return Connect(c, *session, c.optionalText(4), c.portNumber(5), portal, ParseNumber64(c.word(8)),
                 ParseLoginOptions(c.from(9)), key);
}

IscsiStatus CmdQAddConnection(CommandContext& c) {
  if (c.count() != 5 && c.count() != 7) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  std::optional<IscsiTargetPortal> portal;
  if (!c.star(5)) {
    if (c.tooLong(5)) return kIscsiStatusInvalidParameter;
    portal = IscsiTargetPortal{"", c.text(5), kDefaultIscsiSocket};
  }
  std::optional<IscsiLoginOptions> options;
  if (c.count() == 7) options = QuickChapOptions(c.word(6), c.word(7));
  return Connect(c, *session, c.optionalText(4), kIscsiAnyInitiatorPort, portal, 0, options, {});
}

IscsiStatus CmdRemoveConnection(CommandContext& c) {
  if (c.count() != 4) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  const auto connection = c.sessionId(4, "connectionid");
  if (!connection) return kIscsiStatusInvalidParameter;
  return c.initiator.RemoveIScsiConnection(*session, *connection);
}

IscsiStatus CmdScsiInquiry(CommandContext& c) {
  if (c.count() != 6) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  std::uint8_t evpdCmddt = 0;
  std::uint8_t pageCode = 0;
  if (!CdbByte(c, 5, evpdCmddt) || !CdbByte(c, 6, pageCode)) return kIscsiStatusInvalidParameter;
  IscsiScsiResult result;
  const IscsiStatus status =
      c.initiator.SendScsiInquiry(*session, ParseNumber64(c.word(4)), evpdCmddt, pageCode, kInquiryAllocation, result);
  if (status == kIscsiStatusSuccess) PrintScsiResult(c.out, result);
  return status;
}

IscsiStatus CmdReadCapacity(CommandContext& c) {
  if (c.count() != 4) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  IscsiScsiResult result;
  const IscsiStatus status =
      c.initiator.SendScsiReadCapacity(*session, ParseNumber64(c.word(4)), kReadCapacityAllocation, result);
  if (status == kIscsiStatusSuccess) PrintScsiResult(c.out, result);
  return status;
}

IscsiStatus CmdReportLuns(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  const auto session = c.sessionId(3);
  if (!session) return kIscsiStatusInvalidParameter;
  IscsiScsiResult result;
  const IscsiStatus status = c.initiator.SendScsiReportLuns(*session, kReportLunsAllocation, result);
  if (status == kIscsiStatusSuccess) PrintScsiResult(c.out, result);
  return status;
}

}  // namespace sp
