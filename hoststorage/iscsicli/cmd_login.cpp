// Logins and logouts: LoginTarget, PersistentLoginTarget, QLoginTarget,
// LogoutTarget, RemovePersistentTarget.
#include <cinttypes>

#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {

namespace {

// Words 5 and 6: both "*" for no portal, or both given.
IscsiStatus ReadLoginPortal(const CommandContext& c, std::optional<IscsiTargetPortal>& portal) {
  if (c.star(5) && c.star(6)) return kIscsiStatusSuccess;
  if (c.star(5) || c.star(6)) {
    PrintLine(c.out, "Portal address and socket must be specified");
    return kIscsiStatusInvalidParameter;
  }
  if (c.tooLong(5)) return kIscsiStatusInvalidParameter;
  portal = IscsiTargetPortal{"", c.text(5), 0};
  return c.socket(6, portal->socket) ? kIscsiStatusSuccess : kIscsiStatusInvalidParameter;
}

// Builds the request of LoginTarget and PersistentLoginTarget from words 3
// to 20 and the mappings after them.
IscsiStatus ReadLoginRequest(const CommandContext& c, std::uint32_t mappingCount, IscsiLoginRequest& r) {
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  r.targetName = c.text(3);
  r.isInformationalSession = !ParseFlag(c.word(4));
  if (const IscsiStatus s = ReadLoginPortal(c, r.targetPortal)) return s;
  r.initiatorInstance = c.optionalText(7);
  r.initiatorPortNumber = c.portNumber(8);
  r.securityFlags = ParseNumber64(c.word(9));
  r.loginOptions = ParseLoginOptions(c.from(10));
  if (!c.star(19)) r.key = TextBytes(c.word(19), true);
  if (mappingCount > 0) {
    r.mapping.emplace();
    r.mapping->targetName = r.targetName;
    r.mapping->initiatorName = r.initiatorInstance.value_or("");
    if (const IscsiStatus s = ParseMappings(c.from(21), mappingCount, *r.mapping, c.out)) return s;
  }
  return kIscsiStatusSuccess;
}

IscsiStatus OrdinaryLogin(CommandContext& c, IscsiLoginRequest& request) {
  request.isPersistent = false;
  IscsiUniqueSessionId session;
  IscsiUniqueConnectionId connection;
  const IscsiStatus status = c.initiator.LoginIScsiTarget(request, session, connection);
  if (status == kIscsiStatusSuccess) {
    PrintSessionAndConnection(c.out, session, connection);
    c.state.lastSessionId = SessionIdText(session);
  }
  return status;
}

// LoginTarget (`persistentOnly` false) records a persistent login, whose
// status does not matter, and then logs in now; PersistentLoginTarget only
// records.
IscsiStatus LoginCommand(CommandContext& c, bool persistentOnly) {
  if (c.count() < 20) return c.Usage();
  const std::uint32_t mappingCount = ParseNumber32(c.word(20));
  if (c.count() != 20 + 4 * static_cast<std::uint64_t>(mappingCount)) return c.Usage();
  IscsiLoginRequest request;
  if (const IscsiStatus s = ReadLoginRequest(c, mappingCount, request)) return s;
  PrintLine(c.out, "LoginTarget to %s on %s to %s/%u", request.targetName.c_str(),
            request.initiatorInstance ? request.initiatorInstance->c_str() : "<no init instance>",
            request.targetPortal ? request.targetPortal->address.c_str() : "<no portal>",
            request.targetPortal ? request.targetPortal->socket : 0u);
  request.isPersistent = true;
  IscsiUniqueSessionId unusedSession;
  IscsiUniqueConnectionId unusedConnection;
  const IscsiStatus persistent = c.initiator.LoginIScsiTarget(request, unusedSession, unusedConnection);
  if (persistentOnly) return persistent;
  return OrdinaryLogin(c, request);
}

}  // namespace

IscsiStatus CmdLoginTarget(CommandContext& c) { return LoginCommand(c, false); }

IscsiStatus CmdPersistentLoginTarget(CommandContext& c) { return LoginCommand(c, true); }

IscsiStatus CmdQLoginTarget(CommandContext& c) {
  if (c.count() != 3 && c.count() != 5) return c.Usage();
  if (c.tooLong(3)) return kIscsiStatusInvalidParameter;
  IscsiLoginRequest request;
  request.targetName = c.text(3);
  if (c.count() == 5) request.loginOptions = QuickChapOptions(c.word(4), c.word(5));
  return OrdinaryLogin(c, request);
}

IscsiStatus CmdLogoutTarget(CommandContext& c) {
  if (c.count() != 3) return c.Usage();
  const auto id = c.sessionId(3);
  if (!id) return kIscsiStatusInvalidParameter;
  PrintLine(c.out, "Logout Target 0x%" PRIx64 "-0x%" PRIx64, id->adapterUnique, id->adapterSpecific);
  return c.initiator.LogoutIScsiTarget(*id);
}

IscsiStatus CmdRemovePersistentTarget(CommandContext& c) {
  if (c.count() != 7) return c.Usage();
  if (c.tooLong(4) || c.tooLong(6)) return kIscsiStatusInvalidParameter;
  const std::optional<std::string> initiator = c.optionalText(3);
  std::optional<IscsiTargetPortal> portal;
  if (!c.star(6)) {
    portal = IscsiTargetPortal{"", c.text(6), 0};
    if (!c.socket(7, portal->socket)) return kIscsiStatusInvalidParameter;
  }
  return c.initiator.RemoveIScsiPersistentTarget(Ptr(initiator), c.portNumber(5), c.text(4),
                                                 portal ? &*portal : nullptr);
}

}  // namespace sp
