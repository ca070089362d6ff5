// Command lines from anywhere: up to eight lines per input run one after the
// other through the interpreter against the fake initiator (so that logins,
// listings and logouts build on each other), then the iSCSI clean-up. No
// input may crash, leak or yield a status that neither the interpreter nor
// the fake can produce.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"
#include "hoststorage/iscsi/iscsicleanup.h"
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "platform/fake/fakeiscsiinitiator.h"
#include "platform/fake/fakevolumeenumerator.h"

namespace {

bool KnownStatus(sp::IscsiStatus s) {
  return s == sp::kIscsiStatusSuccess || s == sp::kIscsiStatusInvalidParameter || s == sp::kIscsiStatusNotFound ||
         s == sp::kIscsiStatusUnreachable;
}

template <std::size_t N>
void CheckField(const char (&field)[N]) {
  if (sp::FieldText(field).size() >= N) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sp::FakeIscsiInitiator fake;
  fake.AddReachablePortal("10.77.0.2", 3260, {{"iqn.2008-01.com.korva:storage.aabbcc.1.sys", "vbx207", {{0}, {1}}}});
  sp::FakeVolumeEnumerator volumes;
  volumes.AddVolume({"vol-e", {"E:\\"}, {1}});
  sp::DiscardingStream out;
  sp::IscsiInterpreter interpreter(fake, volumes, out);

  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (int line = 0; line < 8 && !input.empty(); ++line) {
    const std::size_t end = input.find('\n');
    const std::string_view text = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    if (!KnownStatus(interpreter.Run(text))) __builtin_trap();
  }
  for (const sp::IscsiSessionRecord& r : interpreter.sessionTable()) {
    CheckField(r.sessionId);
    CheckField(r.targetName);
    CheckField(r.targetPortalAddress);
    CheckField(r.volumePath);
    if (!sp::ParseSessionId(sp::Utf8ToUtf16(sp::FieldText(r.sessionId)))) __builtin_trap();
  }
  for (const sp::IscsiPersistentLoginRecord& r : interpreter.persistentLoginTable()) {
    CheckField(r.targetName);
    CheckField(r.targetPortalAddress);
    CheckField(r.initiatorInstance);
  }
  const std::string& last = interpreter.lastSessionId();
  if (!last.empty() && !sp::ParseSessionId(sp::Utf8ToUtf16(last))) __builtin_trap();

  sp::WizardState state;
  state.Clear();
  sp::CopyBounded(state.targetMac, "00:11:22:aa:bb:cc");
  sp::RunIscsiCleanup(interpreter, state);
  return 0;
}
