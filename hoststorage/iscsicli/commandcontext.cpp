// Helpers every command handler shares.
#include <cinttypes>

#include "base/text.h"
#include "hoststorage/iscsicli/arguments.h"
#include "hoststorage/iscsicli/commands.h"
#include "hoststorage/iscsicli/reportblocks.h"
#include "hoststorage/iscsicli/usage.h"

namespace sp {

std::string CommandContext::text(std::size_t n) const { return Utf16ToUtf8(word(n)); }

bool CommandContext::star(std::size_t n) const { return IsStar(word(n)); }

std::optional<std::string> CommandContext::optionalText(std::size_t n) const {
  if (star(n)) return std::nullopt;
  return text(n);
}

bool CommandContext::tooLong(std::size_t n) const { return word(n).size() > kIscsiMaxNameLength; }

std::uint32_t CommandContext::portNumber(std::size_t n) const {
  return star(n) ? kIscsiAnyInitiatorPort : ParseNumber32(word(n));
}

bool CommandContext::socket(std::size_t n, std::uint16_t& value) const {
  // A socket that does not fit 16 bits would silently reach another port.
  const std::uint32_t number = ParseNumber32(word(n));
  if (number > 0xFFFF) {
    PrintLine(out, "Invalid socket: %s", text(n).c_str());
    return false;
  }
  value = static_cast<std::uint16_t>(number);
  return true;
}

IscsiStatus CommandContext::Usage() const {
  PrintUsageSection(out, usageSection);
  return kIscsiStatusSuccess;
}

std::optional<IscsiUniqueSessionId> CommandContext::sessionId(std::size_t n, const char* what) const {
  auto id = ParseSessionId(word(n));
  if (!id) PrintLine(out, "Invalid %s: %s", what, text(n).c_str());
  return id;
}

IscsiLoginOptions QuickChapOptions(const std::u16string& username, const std::u16string& password) {
  IscsiLoginOptions o;
  o.informationSpecified = kIscsiLoginOptionUsername | kIscsiLoginOptionPassword | kIscsiLoginOptionAuthType;
  o.authType = kIscsiAuthChap;
  if (username != u"-") o.username = TextBytes(username, false);
  if (password != u"-") ParseSecret(password, o.password);
  return o;
}

void PrintSessionAndConnection(std::ostream& out, const IscsiUniqueSessionId& session,
                               const IscsiUniqueConnectionId& connection) {
  PrintLine(out, "Session Id is 0x%" PRIx64 "-0x%" PRIx64, session.adapterUnique, session.adapterSpecific);
  PrintLine(out, "Connection Id is 0x%" PRIx64 "-0x%" PRIx64, connection.adapterUnique, connection.adapterSpecific);
}

}  // namespace sp
