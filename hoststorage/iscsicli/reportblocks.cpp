#include "hoststorage/iscsicli/reportblocks.h"

#include <cinttypes>
#include <cstdarg>
#include <string>

#include "base/text.h"

namespace sp {

namespace {

const char* DigestName(std::uint32_t digest) {
  return digest == kIscsiDigestCrc32c ? "CRC-32C" : digest == kIscsiDigestNone ? "None" : "Unknown";
}

void PrintAuthType(std::ostream& out, const char* indent, std::uint32_t authType) {
  if (authType == kIscsiAuthChap) {
    PrintLine(out, "%sAuthentication Type  : CHAP", indent);
  } else if (authType == kIscsiAuthMutualChap) {
    PrintLine(out, "%sAuthentication Type  : Mutual CHAP", indent);
  } else {
    PrintLine(out, "%sAuthentication Type  : Unknown - %u", indent, authType);
  }
}

}  // namespace

void PrintLine(std::ostream& out, const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  out << FormatV(fmt, args) << '\n';
  va_end(args);
}

void PrintSecurityFlags(std::ostream& out, const char* indent, std::uint64_t flags) {
  PrintLine(out, "%sSecurity Flags        : 0x%" PRIx64, indent, flags);
  struct Flag {
    std::uint64_t bit;
    const char* text;
  };
  static const Flag kFlags[] = {
      {kIscsiSecurityTunnelMode, "Tunnel Mode Preferred"}, {kIscsiSecurityTransportMode, "Transport Mode Preferred"},
      {kIscsiSecurityPfsEnabled, "PFS Enabled"},           {kIscsiSecurityAggressiveMode, "Aggressive Mode Enabled"},
      {kIscsiSecurityIkeIpsecEnabled, "IPSEC Enabled"},    {kIscsiSecurityValid, "Security Flags are Valid"},
  };
  for (const Flag& f : kFlags) {
    if (flags & f.bit) PrintLine(out, "%s    %s", indent, f.text);
  }
}

void PrintLoginOptions(std::ostream& out, const char* indent, const IscsiLoginOptions& o) {
  const std::uint32_t given = o.informationSpecified;
  PrintLine(out, "%sVersion              : %u", indent, o.version);
  PrintLine(out, "%sInformation Specified: 0x%x", indent, given);
  if (given & kIscsiLoginOptionHeaderDigest)
    PrintLine(out, "%sHeader Digest        : %s", indent, DigestName(o.headerDigest));
  if (given & kIscsiLoginOptionDataDigest)
    PrintLine(out, "%sData Digest          : %s", indent, DigestName(o.dataDigest));
  if (given & kIscsiLoginOptionMaximumConnections) {
    PrintLine(out, "%sMaximum Connections  : %u", indent, o.maximumConnections);
  }
  if (given & kIscsiLoginOptionDefaultTime2Wait)
    PrintLine(out, "%sDefault Time 2 Wait  : %u", indent, o.defaultTime2Wait);
  if (given & kIscsiLoginOptionDefaultTime2Retain) {
    PrintLine(out, "%sDefault Time 2 Retain: %u", indent, o.defaultTime2Retain);
  }
  if (o.loginFlags != 0) {
    PrintLine(out, "%sLogin Flags          : 0x%x", indent, o.loginFlags);
    if (o.loginFlags & kIscsiLoginFlagRequireIpsec) PrintLine(out, "%s    Require IPsec", indent);
    if (o.loginFlags & kIscsiLoginFlagMultipathEnabled) PrintLine(out, "%s    Multipath Enabled", indent);
  }
  if (given & kIscsiLoginOptionAuthType) PrintAuthType(out, indent, o.authType);
  if (given & kIscsiLoginOptionUsername) {
    PrintLine(out, "%sUsername             :", indent);
    PrintHexDump(out, (std::string(indent) + "    ").c_str(), o.username);
  }
  if (given & kIscsiLoginOptionPassword) PrintLine(out, "%sPassword             : <is established>", indent);
}

void PrintMapping(std::ostream& out, const IscsiTargetMapping& m) {
  PrintLine(out, "    Session Id             : %" PRIx64 "-%" PRIx64, m.sessionId.adapterUnique,
            m.sessionId.adapterSpecific);
  PrintLine(out, "    Target Name            : %s", m.targetName.c_str());
  PrintLine(out, "    Initiator              : %s", m.initiatorName.c_str());
  PrintLine(out, "    Initiator Scsi Device  : %s", m.osDeviceName.c_str());
  PrintLine(out, "    Initiator Bus          : %u", m.osBusNumber);
  PrintLine(out, "    Initiator Target Id    : %u", m.osTargetNumber);
  for (const IscsiLunEntry& lun : m.luns) {
    PrintLine(out, "        Target LUN: 0x%" PRIx64 " <--> OS Lun: 0x%x", lun.targetLun, lun.osLun);
  }
}

void PrintHexDump(std::ostream& out, const char* indent, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t row = 0; row < bytes.size(); row += 16) {
    std::string hex;
    std::string chars;
    for (std::size_t i = row; i < row + 16; ++i) {
      if (i < bytes.size()) {
        hex += Format("%02x ", bytes[i]);
        chars += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
      } else {
        hex += "   ";
      }
    }
    PrintLine(out, "%s%04zx  %s %s", indent, row, hex.c_str(), chars.c_str());
  }
}

void PrintPortNumber(std::ostream& out, const char* label, std::uint32_t port) {
  if (port == kIscsiAnyInitiatorPort) {
    PrintLine(out, "%s<Any Port>", label);
  } else {
    PrintLine(out, "%s%u", label, port);
  }
}

}  // namespace sp
