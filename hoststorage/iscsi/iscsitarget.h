#pragma once
// The appliance's iSCSI target on the PC side: its name, formed from the
// appliance's MAC text, and the searches over the interpreter's tables.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hoststorage/iscsicli/iscsiinterpreter.h"

namespace sp {

// Naming authority of the appliance family inside its target names; the
// appliance (and its simulator) names its target with the same text.
inline constexpr const char kIscsiNamingAuthority[] = "com.korva";

// Target names live in 64-byte fields: at most 63 characters.
inline constexpr std::size_t kTargetNameFieldWidth = 64;

// "iqn.2008-01." + authority + ":storage." + the hex digits of the MAC
// text's last three octets (its characters 10, 11, 13, 14, 16 and 17, in the
// letter case they have) + ".1.sys". A MAC text too short for some of those
// characters contributes only the ones it has.
std::string ComposeTargetName(std::string_view macText);

struct IscsiSessionLookup {
  bool found = false;
  std::string sessionId;
};
struct IscsiVolumeLookup {
  bool found = false;
  std::string volumePath;  // empty when not found
};

// Searches compare the whole target name exactly, letter case included; the
// name is first cut to 127 characters (session and volume) or 255
// (persistent login), the widths the tables keep.
IscsiSessionLookup FindIscsiSession(const IscsiInterpreter& interpreter, std::string_view targetName);
IscsiVolumeLookup FindIscsiVolume(const IscsiInterpreter& interpreter, std::string_view targetName);
// The disks that the sessions to `targetName` brought to the PC, as the
// last session report listed them (every session of that name, in table
// order). Empty when no session to the target shows a disk.
std::vector<std::string> FindIscsiSessionDisks(const IscsiInterpreter& interpreter, std::string_view targetName);
std::optional<IscsiPersistentLoginRecord> FindIscsiPersistentLogin(const IscsiInterpreter& interpreter,
                                                                   std::string_view targetName);

}  // namespace sp
