#include "pages/config/core/adminpassword.h"

#include <nettle/md5.h>

#include "base/text.h"
#include "devicelink/datagram.h"
#include "devicelink/ideviceexchange.h"

namespace sp {

namespace {

void Md5Into(std::string_view text, std::uint8_t* digest) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
  md5_digest(&ctx, MD5_DIGEST_SIZE, digest);
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string BoundedPassword(std::string_view narrow) {
  return std::string(narrow.substr(0, Utf8PrefixLength(narrow, kPasswordFieldWidth - 1)));
}

LoginPayload BuildLoginPayload(std::string_view narrowPassword) {
  static_assert(2 * MD5_DIGEST_SIZE == kLoginPayloadSize);
  LoginPayload payload{};
  Md5Into(kAdminUser, payload.data());
  Md5Into(BoundedPassword(narrowPassword), payload.data() + MD5_DIGEST_SIZE);
  return payload;
}

std::vector<std::uint8_t> BuildPasswordItem(std::string_view narrowPassword) {
  char data[kPasswordItemDataSize];
  CopyBounded(data, kPasswordFieldWidth, kAdminUser);
  CopyBounded(data + kPasswordFieldWidth, kPasswordFieldWidth, narrowPassword);
  return BuildItemPayload(kItemAdminPassword, data, sizeof data);
}

int Utf8CharCount(std::string_view text) {
  int n = 0;
  for (char c : text)
    if (!IsContinuationByte(c)) ++n;
  return n;
}

PasswordVerdict CheckNewPassword(std::string_view password, std::string_view confirmation) {
  if (password != confirmation) return PasswordVerdict::kMismatch;
  if (password.empty()) return PasswordVerdict::kAskBlank;
  if (Utf8CharCount(password) < kMinPasswordChars) return PasswordVerdict::kTooShort;
  int letters = 0;
  for (std::size_t i = 0; i < password.size(); ++i) {
    const char c = password[i];
    if (IsContinuationByte(c)) continue;
    if (c < '0' || c > '9') ++letters;  // punctuation counts as a letter too
  }
  if (letters < kMinPasswordLetters) return PasswordVerdict::kTooFewLetters;
  if (!PasswordFits(password)) return PasswordVerdict::kTooLong;
  return PasswordVerdict::kAcceptable;
}

bool PasswordFits(std::string_view narrow) { return narrow.size() < kPasswordFieldWidth; }

}  // namespace sp
