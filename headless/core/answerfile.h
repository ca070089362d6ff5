#pragma once
// The answer file of a setup without a window: the same choices a person
// makes on the device settings and disk profile pages, written down in TOML
// once and used for many appliances. Reading it checks everything that can
// be checked before the appliance is touched, with the pages' own rules, and
// names the line and the field of the first thing wrong.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pages/config/core/identityrecord.h"
#include "pages/config/core/timesettings.h"
#include "pages/disk/core/diskprofile.h"
#include "platform/localaddresses.h"

namespace sp {

// What is wrong with an answer file, where.
struct AnswerError {
  int line = 0;       // 1-based; 0 when the file as a whole is wrong
  std::string field;  // "disk.profile"; empty for a syntax error
  std::string message;

  // "answers.toml:7: disk.profile: expected one of nas, iscsi, both"
  std::string Text(const std::string& fileName) const;
};

struct Answers {
  // The appliance: by its MAC text (any case) or by its device name.
  std::string applianceMac;
  std::string applianceName;

  std::string loginPassword;    // the password it takes now ("" at the factory)
  std::string newPassword;      // the new admin password
  std::string confirmPassword;  // as typed a second time
  bool leaveBlank = false;      // a blank new password was meant

  ZoneChoice zone;           // zone and daylight saving, as list indices
  bool clockFromPc = false;  // set the clock from this PC; else a time server
  std::string timeServer;

  // Unset: what the appliance reports now stays (the page fills its
  // controls with that too).
  std::optional<std::string> ip, netmask, gateway;
  std::optional<std::string> name, workgroup, description;

  ServiceType service = ServiceType::Both;
  DiskLevel level = DiskLevel::Normal;
  int nasPercent = kDefaultNasRatio;
  char nasLetter = 0;          // 'C'..'Z', 0 without a NAS volume
  char iscsiLetter = 0;        // 'C'..'Z', 0 without an iSCSI volume
  bool eraseExisting = false;  // an appliance that holds volumes may be formatted

  // Line of each field read, for errors found later (a letter in use).
  std::map<std::string, int> lines;
  int LineOf(const std::string& field) const;
};

struct AnswerReading {
  std::optional<Answers> answers;
  AnswerError error;  // when there are no answers
};

// Reads and checks `text`. Unknown tables and keys, values of the wrong
// type, values out of range and missing fields are refused.
AnswerReading ReadAnswers(std::string_view text);

// The network identity `answers` asks for, over `current` (what the
// appliance reports), checked as the network sub-step checks it.
// Nothing when it passes.
IdentityFields IdentityFor(const Answers& answers, const IdentityFields& current);
std::optional<AnswerError> CheckIdentity(const Answers& answers, const IdentityFields& identity,
                                         const std::vector<LocalAddress>& own);

// Whether the letters `answers` names are among `freeEntries` ("X:\" texts,
// as the disk profile page offers them).
std::optional<AnswerError> CheckLettersFree(const Answers& answers, const std::vector<std::string>& freeEntries);

// Refuses an answer file that someone else than `uid` owns or that group or
// others may read: it holds the appliance's passwords. `mode` and `owner`
// are the file's. Nothing when it is private.
std::optional<std::string> AnswerFilePrivacyProblem(unsigned mode, unsigned owner, unsigned uid);

}  // namespace sp
