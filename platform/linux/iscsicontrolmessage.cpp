#include "platform/linux/iscsicontrolmessage.h"

#include <charconv>
#include <cstdio>

namespace sp {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool NeedsEscape(unsigned char c) { return c <= 0x20 || c >= 0x7f || c == '%' || c == '='; }

bool SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

// Parses one line into `record`.
bool DecodeLine(std::string_view line, ControlRecord& record, std::string* error) {
  std::size_t pos = line.find(' ');
  const std::string_view type = line.substr(0, pos);
  if (!IsValidControlWord(type)) return SetError(error, "bad record type");
  record = ControlRecord(std::string(type));
  std::size_t count = 0;
  while (pos != std::string_view::npos) {
    const std::size_t start = pos + 1;
    pos = line.find(' ', start);
    const std::string_view field = line.substr(start, pos == std::string_view::npos ? pos : pos - start);
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) return SetError(error, "field without '='");
    const std::string_view key = field.substr(0, eq);
    if (!IsValidControlWord(key)) return SetError(error, "bad key");
    if (record.Has(key)) return SetError(error, "duplicate key");
    if (++count > kMaxControlFields) return SetError(error, "too many fields");
    auto value = DecodeControlValue(field.substr(eq + 1));
    if (!value) return SetError(error, "bad value encoding");
    record.Set(key, *value);
  }
  return true;
}

}  // namespace

ControlRecord& ControlRecord::Set(std::string_view key, std::string_view value) {
  for (auto& field : fields_) {
    if (field.first == key) {
      field.second.assign(value);
      return *this;
    }
  }
  fields_.emplace_back(std::string(key), std::string(value));
  return *this;
}

ControlRecord& ControlRecord::SetU64(std::string_view key, std::uint64_t value) {
  return Set(key, std::to_string(value));
}

ControlRecord& ControlRecord::SetHex(std::string_view key, std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return Set(key, text);
}

const std::string* ControlRecord::Find(std::string_view key) const {
  for (const auto& field : fields_) {
    if (field.first == key) return &field.second;
  }
  return nullptr;
}

std::string ControlRecord::Get(std::string_view key, std::string_view fallback) const {
  const std::string* value = Find(key);
  return value ? *value : std::string(fallback);
}

std::optional<std::uint64_t> ControlRecord::GetU64(std::string_view key) const {
  const std::string* value = Find(key);
  if (!value || value->empty()) return std::nullopt;
  std::string_view digits = *value;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  std::uint64_t result = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return result;
}

std::uint64_t ControlRecord::GetU64Or(std::string_view key, std::uint64_t fallback) const {
  return GetU64(key).value_or(fallback);
}

bool ControlRecord::GetBool(std::string_view key, bool fallback) const {
  const std::string* value = Find(key);
  if (!value) return fallback;
  if (*value == "1") return true;
  if (*value == "0") return false;
  return fallback;
}

bool IsValidControlWord(std::string_view word) {
  if (word.empty() || word.size() > kMaxControlWord) return false;
  for (char c : word) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

std::string EncodeControlValue(std::string_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::optional<std::string> DecodeControlValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int hi = HexDigit(text[i + 1]);
      const int lo = HexDigit(text[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (NeedsEscape(c)) {
      return std::nullopt;  // a raw byte that the encoder always escapes
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string EncodeControlMessage(const ControlMessage& message) {
  std::string out;
  for (const auto& record : message) {
    out += record.type();
    for (const auto& [key, value] : record.fields()) {
      out += ' ';
      out += key;
      out += '=';
      out += EncodeControlValue(value);
    }
    out += '\n';
  }
  return out;
}

std::optional<ControlMessage> DecodeControlMessage(std::string_view text, std::string* error) {
  if (text.empty() || text.back() != '\n') {
    SetError(error, "message must end with a line break");
    return std::nullopt;
  }
  if (text.size() > kMaxControlFrame) {
    SetError(error, "message too long");
    return std::nullopt;
  }
  ControlMessage message;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (message.size() >= kMaxControlRecords) {
      SetError(error, "too many records");
      return std::nullopt;
    }
    ControlRecord record;
    if (!DecodeLine(text.substr(start, end - start), record, error)) return std::nullopt;
    message.push_back(std::move(record));
    start = end + 1;
  }
  return message;
}

std::string FrameControlMessage(const ControlMessage& message) {
  return FrameControlText(EncodeControlMessage(message));
}

std::string FrameControlText(std::string_view body) {
  const auto n = static_cast<std::uint32_t>(body.size());
  std::string frame;
  frame.reserve(body.size() + 4);
  frame += static_cast<char>(n >> 24);
  frame += static_cast<char>(n >> 16);
  frame += static_cast<char>(n >> 8);
  frame += static_cast<char>(n);
  frame += body;
  return frame;
}

ControlFrameReader::Result ControlFrameReader::Next(std::string& frame) {
  if (buffer_.size() < 4) return Result::kNeedMore;
  const auto* b = reinterpret_cast<const unsigned char*>(buffer_.data());
  const std::uint32_t n =
      (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
  if (n == 0 || n > kMaxControlFrame) return Result::kError;
  if (buffer_.size() - 4 < n) return Result::kNeedMore;
  frame.assign(buffer_, 4, n);
  buffer_.erase(0, 4 + std::size_t{n});
  return Result::kFrame;
}

}  // namespace sp
