#include "hoststorage/iscsicli/iscsiinterpreter.h"

#include "base/text.h"
#include "hoststorage/iscsicli/commandline.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"
#include "hoststorage/iscsicli/statustext.h"
#include "hoststorage/iscsicli/usage.h"

namespace sp {

namespace {

struct Command {
  const char16_t* name;
  int usageSection;
  CommandHandler handler;
};

// Matched in this order, without regard to case; the first match wins.
constexpr Command kCommands[] = {
    {u"AddTarget", 1, CmdAddTarget},
    {u"RemoveTarget", 2, CmdRemoveTarget},
    {u"AddTargetPortal", 3, CmdAddTargetPortal},
    {u"RemoveTargetPortal", 4, CmdRemoveTargetPortal},
    {u"RefreshTargetPortal", 5, CmdRefreshTargetPortal},
    {u"ListTargets", 6, CmdListTargets},
    {u"ListTargetPortals", 7, CmdListTargetPortals},
    {u"TargetInfo", 8, CmdTargetInfo},
    {u"LoginTarget", 9, CmdLoginTarget},
    {u"PersistentLoginTarget", 11, CmdPersistentLoginTarget},
    {u"RemovePersistentTarget", 13, CmdRemovePersistentTarget},
    {u"ListPersistentTargets", 12, CmdListPersistentTargets},
    {u"LogoutTarget", 10, CmdLogoutTarget},
    {u"ListInitiators", 20, CmdListInitiators},
    {u"ReportTargetMappings", 19, CmdReportTargetMappings},
    {u"AddConnection", 14, CmdAddConnection},
    {u"RemoveConnection", 15, CmdRemoveConnection},
    {u"ScsiInquiry", 16, CmdScsiInquiry},
    {u"ReadCapacity", 17, CmdReadCapacity},
    {u"ReportLUNs", 18, CmdReportLuns},
    {u"AddiSNSServer", 21, CmdAddIsnsServer},
    {u"RemoveiSNSServer", 22, CmdRemoveIsnsServer},
    {u"ListiSNSServers", 24, CmdListIsnsServers},
    {u"RefreshiSNSServer", 23, CmdRefreshIsnsServer},
    {u"TunnelAddr", 28, CmdTunnelAddr},
    {u"GroupKey", 29, CmdGroupKey},
    {u"PSKey", 30, CmdPsKey},
    {u"CHAPSecret", 27, CmdChapSecret},
    {u"NodeName", 25, CmdNodeName},
    {u"SessionList", 26, CmdSessionList},
    {u"BindPersistentVolumes", 31, CmdBindPersistentVolumes},
    {u"BindPersistentDevices", 31, CmdBindPersistentVolumes},
    {u"AddPersistentDevice", 38, CmdAddPersistentDevice},
    {u"RemovePersistentDevice", 39, CmdRemovePersistentDevice},
    {u"ClearPersistentDevices", 40, CmdClearPersistentDevices},
    {u"ReportPersistentDevices", 41, CmdReportPersistentDevices},
    {u"GetPSKey", 42, CmdGetPsKey},
    {u"QLoginTarget", 33, CmdQLoginTarget},
    {u"QAddTarget", 34, CmdQAddTarget},
    {u"QAddTargetPortal", 35, CmdQAddTargetPortal},
    {u"QAddConnection", 36, CmdQAddConnection},
};

char16_t FoldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameWord(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

const Command* FindCommand(std::u16string_view word) {
  for (const Command& c : kCommands) {
    if (SameWord(word, c.name)) return &c;
  }
  return nullptr;
}

}  // namespace

IscsiInterpreter::IscsiInterpreter(IIscsiInitiator& initiator, IVolumeEnumerator& volumes, std::ostream& out)
    : initiator_(initiator), volumes_(volumes), out_(out) {}

IscsiStatus IscsiInterpreter::Run(std::string_view commandLine) { return Run(Utf8ToUtf16(commandLine)); }

IscsiStatus IscsiInterpreter::Run(std::u16string_view commandLine) {
  lastCommandLine_.assign(commandLine);
  // Address arguments are converted with inet_pton, which needs no socket
  // library to be started first, so there is no start-up step to fail here.
  const std::vector<std::u16string> words = SplitCommandLine(commandLine);
  const Command* command = words.size() >= 2 ? FindCommand(words[1]) : nullptr;
  if (!command) {
    PrintFullUsage(out_);
    return kIscsiStatusSuccess;
  }
  CommandContext context{words, initiator_, volumes_, out_, state_, command->usageSection};
  const IscsiStatus status = command->handler(context);
  PrintLine(out_, "%s", StatusMessage(status).c_str());
  return status;
}

IscsiStatus IscsiInterpreter::ReportSessions() {
  const std::vector<std::u16string> none;
  CommandContext context{none, initiator_, volumes_, out_, state_};
  return ReportSessionTable(context);
}

IscsiStatus IscsiInterpreter::ReportPersistentLogins() {
  const std::vector<std::u16string> none;
  CommandContext context{none, initiator_, volumes_, out_, state_};
  return ReportPersistentLoginTable(context);
}

IscsiStatus IscsiInterpreter::LogoutByTargetMapping(const std::string& targetName) {
  const std::vector<std::u16string> none;
  CommandContext context{none, initiator_, volumes_, out_, state_};
  return LogoutMappedTarget(context, targetName);
}

}  // namespace sp
