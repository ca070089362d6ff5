#include "hoststorage/iscsi/iscsicleanup.h"

#include "base/text.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "hoststorage/iscsicli/commandline.h"

namespace sp {

namespace {

// One word of a command line: an empty value becomes "*" (any), and a value
// with blanks or quotes is quoted so that it stays one word.
std::string Word(const std::string& value) {
  if (value.empty()) return "*";
  return Utf16ToUtf8(QuoteArgument(Utf8ToUtf16(value)));
}

std::string RemovePersistentLine(const IscsiPersistentLoginRecord& login) {
  return Format("iscsicli RemovePersistentTarget %s %s * %s %d", Word(FieldText(login.initiatorInstance)).c_str(),
                Word(FieldText(login.targetName)).c_str(), Word(FieldText(login.targetPortalAddress)).c_str(),
                login.targetPortalSocket);
}

}  // namespace

void RunIscsiCleanup(IscsiInterpreter& interpreter, const WizardState& state) {
  const std::string target = ComposeTargetName(FieldText(state.targetMac));

  interpreter.ClearSessionTable();
  interpreter.ReportSessions();
  interpreter.ClearPersistentLoginTable();
  interpreter.ReportPersistentLogins();

  const IscsiSessionLookup session = FindIscsiSession(interpreter, target);
  const std::optional<IscsiPersistentLoginRecord> persistent = FindIscsiPersistentLogin(interpreter, target);
  if (session.found) {
    const std::string logout = "iscsicli LogoutTarget " + Word(session.sessionId);
    for (int i = 0; i < 3; ++i) interpreter.Run(logout);
    if (persistent) interpreter.Run(RemovePersistentLine(*persistent));
  }
  interpreter.LogoutByTargetMapping(target);
}

void RemoveFailedIscsiLogin(IscsiInterpreter& interpreter, const WizardState& state) {
  const std::string target = ComposeTargetName(FieldText(state.targetMac));
  interpreter.ClearSessionTable();
  interpreter.ReportSessions();
  for (const IscsiSessionRecord& session : interpreter.sessionTable()) {
    if (FieldText(session.targetName) == target) {
      interpreter.Run("iscsicli LogoutTarget " + Word(FieldText(session.sessionId)));
    }
  }
  interpreter.ClearPersistentLoginTable();
  interpreter.ReportPersistentLogins();
  // Copied: each removal may change the table the next report fills.
  const std::vector<IscsiPersistentLoginRecord> logins = interpreter.persistentLoginTable();
  for (const IscsiPersistentLoginRecord& login : logins) {
    if (FieldText(login.targetName) == target) interpreter.Run(RemovePersistentLine(login));
  }
}

}  // namespace sp
