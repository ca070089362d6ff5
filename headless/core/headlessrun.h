#pragma once
// One setup without a window, from an answer file: the device settings
// page's exchanges, the disk profile page's model and the final page's
// sequence, run one after the other with what the file says instead of
// what a person clicks. Each step is printed as a plain line; the run ends
// with an exit code that says which kind of step failed.
#include <functional>
#include <ostream>
#include <stop_token>
#include <string>

#include "devicelink/idevicelink.h"
#include "headless/core/answerfile.h"
#include "pages/final/core/finalsetuprun.h"
#include "platform/driveletters.h"
#include "platform/initiatorservice.h"
#include "platform/localaddresses.h"
#include "platform/netconnections.h"
#include "wizardstate/wizardstate.h"

namespace sp {

// What `setuppilot --answers` ends with.
enum HeadlessExit : int {
  kExitDone = 0,
  kExitUsage = 2,           // the answer file cannot be read or is wrong
  kExitFileNotPrivate = 3,  // others may read the passwords in it
  kExitNotFound = 4,        // no appliance answered as the file names it
  kExitLoginRefused = 5,    // the appliance refused the login password
  kExitSettingRefused = 6,  // the appliance refused a setting, or cannot take the profile
  kExitFormatFailed = 7,    // the appliance did not finish formatting
  kExitAttachFailed = 8,    // the iSCSI volume is not at its letter
  kExitShareFailed = 9,     // the NAS share is not mapped
  kExitInterrupted = 10,    // stopped by a signal
  kExitLetterInUse = 11,    // a chosen drive letter is in use on this computer
  kExitNotAuthorised = 12,  // this computer's administrator did not allow the setup
  kExitOtherSetup = 13,     // another user is setting up an appliance on this computer
};

// The final setup's parts (the device link among them, for every step)
// and what the steps before it look at.
struct HeadlessServices : FinalSetupParts {
  ILocalAddresses* addresses = nullptr;
  IDriveLetters* driveLetters = nullptr;
  INetConnections* netConnections = nullptr;
  // Started when the profile has an iSCSI volume and it is not running; null: not looked at.
  IInitiatorService* initiatorService = nullptr;
  // Whether the appliance holds volumes already (set up before); null: not asked.
  std::function<bool(const WizardState&)> holdsVolumes;
  // Called after a run that did everything (remembering the appliance).
  std::function<void(const WizardState&)> setUpDone;
  // This PC's local time: year, month, day, hour, minute, second.
  std::function<std::array<int, 6>()> localTime;
};

// Runs the setup `answers` describes (read from `fileName`) and prints its
// steps to `out`; a refusal before the first step goes to `err`. Stops at
// the first failed step; a stop request ends it with kExitInterrupted.
int RunHeadlessSetup(const Answers& answers, const std::string& fileName, HeadlessServices& services, std::ostream& out,
                     std::ostream& err, std::stop_token stop);

}  // namespace sp
