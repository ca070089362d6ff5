#include "hoststorage/iscsicli/arguments.h"

#include <cinttypes>
#include <limits>

#include "base/text.h"
#include "hoststorage/iscsicli/reportblocks.h"

namespace sp {

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool HasHexPrefix(std::u16string_view arg) {
  return arg.size() >= 2 && arg[0] == u'0' && (arg[1] == u'x' || arg[1] == u'X');
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Decimal magnitude up to the first non-digit, saturating at `limit`;
// `negative` tells whether a "-" came first.
std::uint64_t DecimalMagnitude(std::u16string_view arg, std::uint64_t limit, bool& negative) {
  std::size_t i = 0;
  while (i < arg.size() && IsSpace(arg[i])) ++i;
  negative = false;
  if (i < arg.size() && (arg[i] == u'+' || arg[i] == u'-')) negative = arg[i++] == u'-';
  std::uint64_t value = 0;
  for (; i < arg.size() && arg[i] >= u'0' && arg[i] <= u'9'; ++i) {
    const unsigned digit = arg[i] - u'0';
    if (value > (limit - digit) / 10) return limit;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<std::uint64_t> SessionIdPart(std::u16string_view part) {
  if (HasHexPrefix(part)) part.remove_prefix(2);
  if (part.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const int v = HexValue(part[i]);
    if (v < 0) return std::nullopt;
    if (i < 16) value = value << 4 | static_cast<unsigned>(v);
  }
  return value;
}

}  // namespace

bool IsStar(std::u16string_view arg) { return arg == u"*"; }

std::uint32_t ParseNumber32(std::u16string_view arg) {
  if (arg.size() > 2 && HasHexPrefix(arg)) {
    std::uint32_t value = 0;
    for (char16_t c : arg.substr(2)) {
      const int v = HexValue(c);
      if (v < 0) return 0;
      value = value << 4 | static_cast<unsigned>(v);
    }
    return value;
  }
  bool negative = false;
  const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
  std::uint64_t magnitude = DecimalMagnitude(arg, limit, negative);
  if (!negative && magnitude == limit) --magnitude;  // held at INT32_MAX
  const std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}

std::uint64_t ParseNumber64(std::u16string_view arg) {
  if (arg.size() > 2 && HasHexPrefix(arg)) {
    std::uint64_t value = 0;
    for (char16_t c : arg.substr(2)) {
      const int v = HexValue(c);
      if (v < 0) break;
      if (value >> 60) return std::numeric_limits<std::uint64_t>::max();
      value = value << 4 | static_cast<unsigned>(v);
    }
    return value;
  }
  bool negative = false;
  const std::uint64_t magnitude = DecimalMagnitude(arg, std::numeric_limits<std::uint64_t>::max(), negative);
  return negative ? 0 - magnitude : magnitude;
}

std::optional<IscsiUniqueSessionId> ParseSessionId(std::u16string_view arg) {
  const std::size_t dash = arg.find(u'-');
  if (dash == std::u16string_view::npos) return std::nullopt;
  const auto first = SessionIdPart(arg.substr(0, dash));
  const auto second = SessionIdPart(arg.substr(dash + 1));
  if (!first || !second) return std::nullopt;
  return IscsiUniqueSessionId{*first, *second};
}

std::string SessionIdText(const IscsiUniqueSessionId& id) {
  return Format("%" PRIx64 "-%" PRIx64, id.adapterUnique, id.adapterSpecific);
}

std::optional<std::uint64_t> ParseTargetLun(std::u16string_view arg) {
  if (arg.size() != 18 || !HasHexPrefix(arg)) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : arg.substr(2)) {
    const int v = HexValue(c);
    if (v < 0) return std::nullopt;
    value = value << 4 | static_cast<unsigned>(v);
  }
  return value;
}

bool ParseFlag(std::u16string_view arg) { return arg == u"T" || arg == u"t" || arg == u"*"; }

bool ParseSecret(std::u16string_view arg, std::vector<std::uint8_t>& secret) {
  secret.clear();
  if (!HasHexPrefix(arg)) {
    secret = TextBytes(arg, false);
    return true;
  }
  const std::u16string_view digits = arg.substr(2);
  if (digits.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int hi = HexValue(digits[i]);
    const int lo = HexValue(digits[i + 1]);
    if (hi < 0 || lo < 0) {
      secret.clear();
      return false;
    }
    secret.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return true;
}

std::vector<std::uint8_t> TextBytes(std::u16string_view arg, bool withTerminator) {
  const std::string text = Utf16ToUtf8(arg);
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (withTerminator) bytes.push_back(0);
  return bytes;
}

IscsiLoginOptions ParseLoginOptions(const std::u16string* args) {
  IscsiLoginOptions o;
  if (!IsStar(args[0])) o.loginFlags = ParseNumber32(args[0]);
  struct NumberOption {
    std::uint32_t bit;
    std::uint32_t* field;
  };
  const NumberOption numbers[] = {
      {kIscsiLoginOptionHeaderDigest, &o.headerDigest},
      {kIscsiLoginOptionDataDigest, &o.dataDigest},
      {kIscsiLoginOptionMaximumConnections, &o.maximumConnections},
      {kIscsiLoginOptionDefaultTime2Wait, &o.defaultTime2Wait},
      {kIscsiLoginOptionDefaultTime2Retain, &o.defaultTime2Retain},
  };
  for (std::size_t i = 0; i < 5; ++i) {
    if (IsStar(args[1 + i])) continue;
    *numbers[i].field = ParseNumber32(args[1 + i]);
    o.informationSpecified |= numbers[i].bit;
  }
  if (!IsStar(args[6])) {
    o.informationSpecified |= kIscsiLoginOptionUsername;
    if (args[6] != u"-") o.username = TextBytes(args[6], false);
  }
  if (!IsStar(args[7])) {
    o.informationSpecified |= kIscsiLoginOptionPassword;
    // A malformed hex password stays empty rather than failing the command.
    if (args[7] != u"-") ParseSecret(args[7], o.password);
  }
  if (!IsStar(args[8])) {
    o.authType = ParseNumber32(args[8]);
    o.informationSpecified |= kIscsiLoginOptionAuthType;
  }
  return o;
}

IscsiStatus ParseMappings(const std::u16string* args, std::uint32_t count, IscsiTargetMapping& mapping,
                          std::ostream& out) {
  mapping.luns.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::u16string* m = args + 4 * static_cast<std::size_t>(i);
    const auto targetLun = ParseTargetLun(m[0]);
    if (!targetLun) {
      PrintLine(out, "Target LUN must be in 0x0123456789abcdef format");
      return kIscsiStatusInvalidParameter;
    }
    const std::uint32_t bus = ParseNumber32(m[1]);
    const std::uint32_t target = ParseNumber32(m[2]);
    if (i == 0) {
      mapping.osBusNumber = bus;
      mapping.osTargetNumber = target;
    } else if (bus != mapping.osBusNumber) {
      PrintLine(out, "OSBus number must be the same for all LUNs");
      return kIscsiStatusInvalidParameter;
    } else if (target != mapping.osTargetNumber) {
      PrintLine(out, "OSTarget number must be the same for all LUNs");
      return kIscsiStatusInvalidParameter;
    }
    mapping.luns.push_back(IscsiLunEntry{ParseNumber32(m[3]), *targetLun});
  }
  return kIscsiStatusSuccess;
}

}  // namespace sp
