#pragma once
// Attaching the appliance's iSCSI volume on the PC: the appliance is added
// as a target portal, its target is logged in (persistently, then for now),
// the new disk is found and prepared (partition, NTFS), its volume is moved
// to the drive letter the user chose, and the command line that opens it is
// stored in the state record.
//
// Every initiator operation is an "iscsicli" command line for the
// interpreter; results come back through its report tables. Runs on the
// final setup worker; every pause goes through the worker's ISetupWait, so a
// stop ends the attach at once without changing anything more.
#include <functional>
#include <string>

#include "hoststorage/diskprep/diskpreparation.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "pages/final/core/isetupwait.h"
#include "wizardstate/wizardstate.h"

namespace sp {

inline constexpr int kIscsiPortalSocket = 3260;
inline constexpr int kIscsiDiskSearchPasses = 10;

enum class AttachResult {
  kAttached,  // portal and login succeeded (whether or not a disk turned up)
  kFailed,    // the portal or the login failed: the caller may try again
  kStopped,   // the worker was stopped; nothing more was done
};

class IscsiAttach {
 public:
  struct Timing {
    std::chrono::milliseconds searchPause{1000};  // between and after disk searches
    std::chrono::milliseconds letterPause{100};   // between removing and assigning a letter
  };

  // `disks` must be the run's one DiskPreparation: its format status
  // serves one format at a time for the whole process.
  IscsiAttach(IscsiInterpreter& interpreter, DiskPreparation& disks, ShareMapping& shares)
      : IscsiAttach(interpreter, disks, shares, Timing{}) {}
  IscsiAttach(IscsiInterpreter& interpreter, DiskPreparation& disks, ShareMapping& shares, Timing timing)
      : interpreter_(interpreter), disks_(disks), shares_(shares), timing_(timing) {}

  // One attach. Reads the target MAC text, the device IP address text and
  // the iSCSI drive letter text; writes the explorer command line ("explorer
  // X:\", or "explorer " when the session shows no volume). `bar` receives
  // 65..98 while a format runs.
  AttachResult Run(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar);

  // The two command lines of the attach, values quoted where needed.
  static std::string AddTargetPortalLine(const std::string& portalAddress);
  static std::string LoginTargetLine(const std::string& targetName);

 private:
  // Up to ten passes of find and prepare. True when a disk was made ready;
  // `disk` holds the last pass's record. Nothing when stopped.
  std::optional<bool> SearchDisk(FoundDisk& disk, ISetupWait& wait, const std::function<void(int)>& bar);
  // Moves the prepared disk's volume from its letter to `chosenDrive`
  // ("X:"). Nothing when stopped, else whether the volume ended at the
  // chosen letter.
  std::optional<bool> MoveToChosenLetter(const FoundDisk& disk, const std::string& chosenDrive, ISetupWait& wait);
  // "explorer X:\" from the session's volume, or "explorer ".
  std::string ExplorerLine(const std::string& targetName);

  IscsiInterpreter& interpreter_;
  DiskPreparation& disks_;
  ShareMapping& shares_;
  Timing timing_;
};

}  // namespace sp
