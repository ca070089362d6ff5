#include "hoststorage/iscsi/iscsitarget.h"

#include "base/text.h"

namespace sp {

namespace {

const IscsiSessionRecord* FindSessionRecord(const IscsiInterpreter& interpreter, std::string_view targetName) {
  const std::string_view name = targetName.substr(0, Utf8PrefixLength(targetName, 127));
  for (const IscsiSessionRecord& r : interpreter.sessionTable()) {
    if (FieldText(r.targetName) == name) return &r;
  }
  return nullptr;
}

}  // namespace

std::string ComposeTargetName(std::string_view macText) {
  std::string digits;
  for (std::size_t position : {10, 11, 13, 14, 16, 17}) {
    if (position - 1 < macText.size() && macText[position - 1] != '\0') digits += macText[position - 1];
  }
  const std::string name = std::string("iqn.2008-01.") + kIscsiNamingAuthority + ":storage." + digits + ".1.sys";
  return name.substr(0, Utf8PrefixLength(name, kTargetNameFieldWidth - 1));
}

IscsiSessionLookup FindIscsiSession(const IscsiInterpreter& interpreter, std::string_view targetName) {
  const IscsiSessionRecord* r = FindSessionRecord(interpreter, targetName);
  if (!r) return {};
  return {true, FieldText(r->sessionId)};
}

IscsiVolumeLookup FindIscsiVolume(const IscsiInterpreter& interpreter, std::string_view targetName) {
  const IscsiSessionRecord* r = FindSessionRecord(interpreter, targetName);
  if (!r) return {};
  return {true, FieldText(r->volumePath)};
}

std::vector<std::string> FindIscsiSessionDisks(const IscsiInterpreter& interpreter, std::string_view targetName) {
  const std::string_view name = targetName.substr(0, Utf8PrefixLength(targetName, 127));
  const auto& sessions = interpreter.sessionTable();
  const auto& disks = interpreter.sessionDiskTable();
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < sessions.size() && i < disks.size(); ++i) {
    if (FieldText(sessions[i].targetName) != name) continue;
    paths.insert(paths.end(), disks[i].paths.begin(), disks[i].paths.end());
  }
  return paths;
}

std::optional<IscsiPersistentLoginRecord> FindIscsiPersistentLogin(const IscsiInterpreter& interpreter,
                                                                   std::string_view targetName) {
  const std::string_view name = targetName.substr(0, Utf8PrefixLength(targetName, 255));
  for (const IscsiPersistentLoginRecord& r : interpreter.persistentLoginTable()) {
    if (FieldText(r.targetName) == name) return r;
  }
  return std::nullopt;
}

}  // namespace sp
