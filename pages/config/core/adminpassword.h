#pragma once
// The administrator account as the device settings page handles it: the
// login check's digests, the rules a new password must pass (in the order
// the page reports them) and the set-password item.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// The appliance's only account.
inline constexpr char kAdminUser[] = "admin";
// Password edits of the create-password sub-step take at most this many
// characters.
inline constexpr int kNewPasswordMaxChars = 8;
// A password travels in a 16-byte field with its NUL: at most 15 bytes of
// narrow text. A password that does not fit (characters of several bytes)
// is refused with its own message rather than cut, at login as when it is
// set; the cut below only guards the fields.
inline constexpr std::size_t kPasswordFieldWidth = 16;
inline constexpr int kLoginPasswordMaxChars = 15;
std::string BoundedPassword(std::string_view narrow);

inline constexpr std::size_t kLoginPayloadSize = 32;
using LoginPayload = std::array<std::uint8_t, kLoginPayloadSize>;
// MD5("admin") then MD5(password), the password bounded as above; an empty
// password gives the digest of the empty text.
LoginPayload BuildLoginPayload(std::string_view narrowPassword);

// Item 15 of command 2: item code, data length 32, then "admin" and the
// password in 16 NUL-padded bytes each (all zero for a blank password).
inline constexpr std::size_t kPasswordItemDataSize = 32;
inline constexpr std::size_t kPasswordItemPayloadSize = 36;
std::vector<std::uint8_t> BuildPasswordItem(std::string_view narrowPassword);

// What the rules say about a new password P with its confirmation C. The
// checks run in this order: mismatch first, then the blank question, then
// length, then letters, then whether it fits its field.
enum class PasswordVerdict {
  kMismatch,       // P and C differ (exact, case-sensitive)
  kAskBlank,       // P is empty: ask whether to leave it blank
  kTooShort,       // fewer than 6 characters
  kTooFewLetters,  // fewer than 2 characters that are not digits 0-9
  kTooLong,        // more bytes than the password field holds
  kAcceptable,
};
inline constexpr int kMinPasswordChars = 6;
inline constexpr int kMinPasswordLetters = 2;
// P and C as narrow (UTF-8) text; lengths count characters, not bytes.
PasswordVerdict CheckNewPassword(std::string_view password, std::string_view confirmation);

// Messages of the rules: string ids, and the one text that is not in the
// string table.
inline constexpr int kMsgPasswordMismatch = 285;
inline constexpr int kMsgAskBlankPassword = 277;
inline constexpr int kMsgPasswordTooShort = 286;
inline constexpr char kTwoLettersMessage[] = "Password must contain at least 2 letters!";
inline constexpr int kMsgSetPasswordFailed = 287;
inline constexpr int kMsgIncorrectPassword = 284;
inline constexpr int kMsgPasswordTooLong = 326;

// Whether `narrow` fits the password field whole.
bool PasswordFits(std::string_view narrow);

// Number of characters (code points) in UTF-8 text.
int Utf8CharCount(std::string_view text);

}  // namespace sp
