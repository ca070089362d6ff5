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
    if (persistent) {
      interpreter.Run(Format("iscsicli RemovePersistentTarget %s %s * %s %d",
                             Word(FieldText(persistent->initiatorInstance)).c_str(),
                             Word(FieldText(persistent->targetName)).c_str(),
                             Word(FieldText(persistent->targetPortalAddress)).c_str(), persistent->targetPortalSocket));
    }
  }
  interpreter.LogoutByTargetMapping(target);
}

}  // namespace sp
