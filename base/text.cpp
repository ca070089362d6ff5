#include "base/text.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace sp {

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

std::size_t Utf8PrefixLength(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  std::size_t n = maxBytes;
  // Step back over continuation bytes to the lead byte of the cut character;
  // the cut character is then dropped whole.
  while (n > 0 && IsContinuation(static_cast<unsigned char>(s[n]))) --n;
  return n;
}

void CopyBounded(char* dst, std::size_t width, std::string_view src) {
  if (width == 0) return;
  const std::size_t nul = src.find('\0');
  if (nul != std::string_view::npos) src = src.substr(0, nul);
  const std::size_t n = Utf8PrefixLength(src, width - 1);
  std::memcpy(dst, src.data(), n);
  std::memset(dst + n, 0, width - n);
}

void CopyBounded(char16_t* dst, std::size_t width, std::u16string_view src) {
  if (width == 0) return;
  const std::size_t nul = src.find(u'\0');
  if (nul != std::u16string_view::npos) src = src.substr(0, nul);
  std::size_t n = src.size() < width - 1 ? src.size() : width - 1;
  // Do not keep a lone high surrogate whose partner was cut off.
  if (n > 0 && n < src.size() && src[n - 1] >= 0xD800 && src[n - 1] <= 0xDBFF) --n;
  for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
  for (std::size_t i = n; i < width; ++i) dst[i] = 0;
}

std::string FieldText(const char* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n] != '\0') ++n;
  return std::string(field, n);
}

std::u16string FieldText(const char16_t* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n] != 0) ++n;
  return std::u16string(field, n);
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 || (c & 0xF0) == 0xE0 || (c & 0xF8) == 0xF0) {
      len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
      char32_t v = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
      bool ok = i + len <= s.size();
      for (std::size_t k = 1; ok && k < len; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if (!IsContinuation(cc))
          ok = false;
        else
          v = (v << 6) | (cc & 0x3F);
      }
      const char32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
      if (ok && v >= minimum && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
      } else {
        len = 1;
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string FormatV(const char* fmt, std::va_list args) {
  std::va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<std::size_t>(n));
}

std::string Format(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

}  // namespace sp
