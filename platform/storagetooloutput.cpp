#include "platform/storagetooloutput.h"

#include <algorithm>
#include <cctype>

namespace sp {
namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in mount paths as \ooo.
std::string DecodeOctalEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && IsOctal(s[i + 1]) && IsOctal(s[i + 2]) && IsOctal(s[i + 3])) {
      const int value = (s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0');
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    fn(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  ForEachLine(text, [&](std::string_view line) {
    const auto fields = SplitFields(line);
    // id parent major:minor root mount-point options [optional...] - type source super-options
    if (fields.size() < 7) return;
    const auto dash = std::find(fields.begin() + 6, fields.end(), std::string_view("-"));
    if (dash == fields.end() || fields.end() - dash < 3) return;
    entries.push_back(MountEntry{DecodeOctalEscapes(fields[4]), DecodeOctalEscapes(dash[1]),
                                 DecodeOctalEscapes(dash[2]), DecodeOctalEscapes(fields[3])});
  });
  return entries;
}

std::map<std::string, std::string> ParseBlkidExport(std::string_view text) {
  std::map<std::string, std::string> values;
  ForEachLine(text, [&](std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == 0 || eq == std::string_view::npos) return;
    std::string value;
    const std::string_view raw = line.substr(eq + 1);
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
      value.push_back(raw[i]);
    }
    values[std::string(line.substr(0, eq))] = std::move(value);
  });
  return values;
}

std::string ParseLosetupDevice(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  constexpr std::string_view kPrefix = "/dev/loop";
  if (!StartsWith(line, kPrefix) || line.size() == kPrefix.size() || line.size() > kPrefix.size() + 9) return {};
  for (char c : line.substr(kPrefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
  }
  return std::string(line);
}

bool MkntfsProgress::Feed(std::string_view chunk) {
  const int before = percent_;
  for (char c : chunk) {
    if (c == '\n' || c == '\r' || c == '\b') {
      Segment(pending_);
      pending_.clear();
    } else if (pending_.size() < 4096) {
      pending_.push_back(c);
    }
  }
  return percent_ > before;
}

void MkntfsProgress::Segment(std::string_view s) {
  constexpr int kZeroingShare = 80;
  if (s.find("Initializing device with zeroes") != std::string_view::npos) zeroing_ = true;
  if (zeroing_ && !structures_) {
    // The counter is the last number before a '%' in the segment.
    const std::size_t pct = s.rfind('%');
    if (pct != std::string_view::npos) {
      std::size_t start = pct;
      while (start > 0 && std::isdigit(static_cast<unsigned char>(s[start - 1])) && pct - start < 3) --start;
      if (start < pct) {
        const int value = std::stoi(std::string(s.substr(start, pct - start)));
        if (value <= 100) Raise(value * kZeroingShare / 100);
      }
    }
  }
  if (s.find("Creating NTFS volume structures") != std::string_view::npos) {
    structures_ = true;
    Raise(zeroing_ ? kZeroingShare : 10);
  } else if (structures_ && (StartsWith(s, "Creating ") || StartsWith(s, "Syncing ") || StartsWith(s, "Updating "))) {
    ++steps_;
    Raise(std::min(95, (zeroing_ ? kZeroingShare : 10) + 3 * steps_));
  }
  if (s.find("mkntfs completed successfully") != std::string_view::npos) {
    success_ = true;
    Raise(100);
  }
}

void MkntfsProgress::Raise(int value) { percent_ = std::max(percent_, value); }

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i]));
    const bool db = std::isdigit(static_cast<unsigned char>(b[j]));
    if (da && db) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
      std::string_view na = a.substr(i, ie - i), nb = b.substr(j, je - j);
      while (na.size() > 1 && na[0] == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb[0] == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  return (a.size() - i) < (b.size() - j);
}

}  // namespace sp
