// The answer file is written by hand or by a script: whatever it holds is
// either read into choices the pages would accept or refused with a reason.
#include <cstdint>
#include <string_view>

#include "headless/core/answerfile.h"
#include "pages/config/core/adminpassword.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sp::AnswerReading r = sp::ReadAnswers(text);
  if (!r.answers) {
    if (r.error.message.empty() || r.error.line < 0) __builtin_trap();
    return 0;
  }
  const sp::Answers& a = *r.answers;
  const auto letterOk = [](char c) { return c == 0 || (c >= 'C' && c <= 'Z'); };
  if (!letterOk(a.nasLetter) || !letterOk(a.iscsiLetter)) __builtin_trap();
  if ((a.service != sp::ServiceType::IscsiOnly) != (a.nasLetter != 0)) __builtin_trap();
  if (a.service == sp::ServiceType::Both && a.nasLetter == a.iscsiLetter) __builtin_trap();
  if (a.nasPercent < 0 || a.nasPercent > 100 || a.zone.zone < 0 || a.zone.zone >= sp::kTimeZoneCount) __builtin_trap();
  if (!a.leaveBlank && sp::CheckNewPassword(a.newPassword, a.confirmPassword) != sp::PasswordVerdict::kAcceptable)
    __builtin_trap();
  if (a.applianceMac.empty() == a.applianceName.empty()) __builtin_trap();
  return 0;
}
