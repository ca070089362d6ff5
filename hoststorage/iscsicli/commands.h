#pragma once
// Inside the interpreter: what a command handler works with, the helpers
// the handlers share, and the handlers themselves.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "hoststorage/iscsicli/reporttables.h"
#include "platform/iscsiinitiator.h"
#include "platform/volumeenumerator.h"

namespace sp {

struct CommandContext {
  const std::vector<std::u16string>& words;
  IIscsiInitiator& initiator;
  IVolumeEnumerator& volumes;
  std::ostream& out;
  IscsiInterpreterState& state;
  int usageSection = 0;

  std::size_t count() const { return words.size(); }
  // Word `n`, counted from 1 as the usage text counts them (1 is the
  // program word, 2 the command).
  const std::u16string& word(std::size_t n) const { return words[n - 1]; }
  const std::u16string* from(std::size_t n) const { return words.data() + (n - 1); }
  std::string text(std::size_t n) const;
  bool star(std::size_t n) const;
  // The word's text, or nothing for "*".
  std::optional<std::string> optionalText(std::size_t n) const;
  // Names and addresses the initiator stores in 256-character fields.
  bool tooLong(std::size_t n) const;
  // "*" is any port.
  std::uint32_t portNumber(std::size_t n) const;
  // A 32-bit number that must fit a TCP port; prints why when it does not.
  bool socket(std::size_t n, std::uint16_t& value) const;
  // Prints the command's usage section; a wrong word count is not an error.
  IscsiStatus Usage() const;
  // Prints "Invalid sessionid: ..." and gives nothing when the word is not one.
  std::optional<IscsiUniqueSessionId> sessionId(std::size_t n, const char* what = "sessionid") const;
};

inline const std::string* Ptr(const std::optional<std::string>& s) { return s ? &*s : nullptr; }

// Reads a list the two-step way: a size query, then the list.
template <typename T, typename Call>
IscsiStatus ReadList(Call call, std::vector<T>& items) {
  std::uint32_t capacity = 0;
  IscsiStatus status = call(capacity, items);
  if (status == kIscsiStatusInsufficientBuffer) status = call(capacity, items);
  if (status != kIscsiStatusSuccess) items.clear();
  return status;
}

// CHAP login options of the quick commands: user name and password given.
IscsiLoginOptions QuickChapOptions(const std::u16string& username, const std::u16string& password);
void PrintSessionAndConnection(std::ostream& out, const IscsiUniqueSessionId& session,
                               const IscsiUniqueConnectionId& connection);

// Reports that fill the interpreter's tables.
IscsiStatus ReportSessionTable(CommandContext& c);
IscsiStatus ReportPersistentLoginTable(CommandContext& c);
IscsiStatus LogoutMappedTarget(CommandContext& c, const std::string& targetName);

using CommandHandler = IscsiStatus (*)(CommandContext&);

IscsiStatus CmdAddTarget(CommandContext&);
IscsiStatus CmdRemoveTarget(CommandContext&);
IscsiStatus CmdAddTargetPortal(CommandContext&);
IscsiStatus CmdRemoveTargetPortal(CommandContext&);
IscsiStatus CmdRefreshTargetPortal(CommandContext&);
IscsiStatus CmdListTargets(CommandContext&);
IscsiStatus CmdListTargetPortals(CommandContext&);
IscsiStatus CmdTargetInfo(CommandContext&);
IscsiStatus CmdLoginTarget(CommandContext&);
IscsiStatus CmdPersistentLoginTarget(CommandContext&);
IscsiStatus CmdRemovePersistentTarget(CommandContext&);
IscsiStatus CmdListPersistentTargets(CommandContext&);
IscsiStatus CmdLogoutTarget(CommandContext&);
IscsiStatus CmdListInitiators(CommandContext&);
IscsiStatus CmdReportTargetMappings(CommandContext&);
IscsiStatus CmdAddConnection(CommandContext&);
IscsiStatus CmdRemoveConnection(CommandContext&);
IscsiStatus CmdScsiInquiry(CommandContext&);
IscsiStatus CmdReadCapacity(CommandContext&);
IscsiStatus CmdReportLuns(CommandContext&);
IscsiStatus CmdAddIsnsServer(CommandContext&);
IscsiStatus CmdRemoveIsnsServer(CommandContext&);
IscsiStatus CmdListIsnsServers(CommandContext&);
IscsiStatus CmdRefreshIsnsServer(CommandContext&);
IscsiStatus CmdTunnelAddr(CommandContext&);
IscsiStatus CmdGroupKey(CommandContext&);
IscsiStatus CmdPsKey(CommandContext&);
IscsiStatus CmdChapSecret(CommandContext&);
IscsiStatus CmdNodeName(CommandContext&);
IscsiStatus CmdSessionList(CommandContext&);
IscsiStatus CmdBindPersistentVolumes(CommandContext&);
IscsiStatus CmdAddPersistentDevice(CommandContext&);
IscsiStatus CmdRemovePersistentDevice(CommandContext&);
IscsiStatus CmdClearPersistentDevices(CommandContext&);
IscsiStatus CmdReportPersistentDevices(CommandContext&);
IscsiStatus CmdGetPsKey(CommandContext&);
IscsiStatus CmdQLoginTarget(CommandContext&);
IscsiStatus CmdQAddTarget(CommandContext&);
IscsiStatus CmdQAddTargetPortal(CommandContext&);
IscsiStatus CmdQAddConnection(CommandContext&);

}  // namespace sp
