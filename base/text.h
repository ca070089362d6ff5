#pragma once
// Text helpers shared by every module.
//
// Narrow text on this platform is UTF-8 (it stands where the Windows ANSI and
// OEM code pages stood); wide text is UTF-16 (std::u16string), as the wizard's
// wide fields were. Fixed-width record fields are filled with CopyBounded,
// which never splits a multi-byte character.
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace sp {

// Length of the longest prefix of `s` that is at most `maxBytes` long and does
// not end inside a UTF-8 sequence.
std::size_t Utf8PrefixLength(std::string_view s, std::size_t maxBytes);

// Copies `src` into the fixed field `dst` of `width` bytes: at most width - 1
// bytes of text (cut at a character boundary), then zero bytes up to the end
// of the field. A width of 0 writes nothing.
void CopyBounded(char* dst, std::size_t width, std::string_view src);

template <std::size_t N>
void CopyBounded(char (&dst)[N], std::string_view src) {
  CopyBounded(dst, N, src);
}

// Same for a wide field of `width` UTF-16 units: never splits a surrogate pair.
void CopyBounded(char16_t* dst, std::size_t width, std::u16string_view src);

template <std::size_t N>
void CopyBounded(char16_t (&dst)[N], std::u16string_view src) {
  CopyBounded(dst, N, src);
}

// Reads a zero-terminated text out of a fixed field (stops at the first NUL or
// at the end of the field).
std::string FieldText(const char* field, std::size_t width);
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return FieldText(field, N);
}
std::u16string FieldText(const char16_t* field, std::size_t width);
template <std::size_t N>
std::u16string FieldText(const char16_t (&field)[N]) {
  return FieldText(field, N);
}

// UTF-8 <-> UTF-16. Invalid input bytes become U+FFFD; nothing throws.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// printf-style formatting into a std::string (the wizard's texts are printf
// formats; g++ 12 has no <format>).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, std::va_list args);

}  // namespace sp
