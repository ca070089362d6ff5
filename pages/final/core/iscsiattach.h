#pragma once
// Attaching the appliance's iSCSI volume on the PC: the appliance is added
// as a target portal, its target is logged in (persistently, then for now),
// the disk that session brought is found and prepared (partition, NTFS),
// its volume is moved to the drive letter the user chose, and the command
// line that opens it is stored in the state record. The attached volume is
// then remembered with the initiator, which brings it back at its letter
// whenever the PC starts; not being able to remember it leaves today's
// drive as it is.
//
// The attach succeeds only when the volume is at the chosen letter. One that
// does not takes back what it made: its mounts and loop devices go, the
// session is logged out and the persistent login removed, so nothing
// half-attached comes back when the initiator next starts. A stopped one
// takes back its mounts and loop devices only and ends at once; the next
// run's clean-up ends the session it left.
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
#include "platform/volumememory.h"
#include "wizardstate/wizardstate.h"

namespace sp {

inline constexpr int kIscsiPortalSocket = 3260;
inline constexpr int kIscsiDiskSearchPasses = 10;

enum class AttachResult {
  kAttached,  // the volume is NTFS, mounted and at the chosen letter
  kFailed,    // see AttachFailure; what the attempt made was taken back
  kStopped,   // the worker was stopped; its mounts and loop devices were taken back
};

// Why an attach failed, as the summary tells it.
enum class AttachFailure {
  kNone,
  kInitiatorDown,    // the initiator service did not answer
  kPortal,           // the appliance's portal could not be added
  kLogin,            // the target did not take the login
  kNoDisk,           // the session brought no disk of the appliance
  kNotPrepared,      // the disk could not be partitioned, formatted or mounted
  kNoLetter,         // no drive letter was chosen (none was free)
  kLetterTaken,      // the chosen letter holds a volume that is not ours
  kNotAuthorised,    // this user was not allowed to change the PC's disks
  kSetupInProgress,  // another user is setting up an appliance on this PC
};

// Another attempt may help with these, not with a letter problem.
bool AttachFailureIsLasting(AttachFailure why);
// What went wrong, in a few plain words (the setup report, the terminal).
const char* AttachFailureText(AttachFailure why);

struct AttachOutcome {
  AttachResult result = AttachResult::kFailed;
  AttachFailure why = AttachFailure::kNone;
};

class IscsiAttach {
 public:
  struct Timing {
    std::chrono::milliseconds searchPause{1000};  // between and after disk searches
    std::chrono::milliseconds letterPause{100};   // between removing and assigning a letter
  };

  // `disks` must be the run's one DiskPreparation: its format status
  // serves one format at a time for the whole process.
  // `memory` may be null: the drive then lasts until the PC stops.
  IscsiAttach(IscsiInterpreter& interpreter, DiskPreparation& disks, ShareMapping& shares,
              IVolumeMemory* memory = nullptr)
      : IscsiAttach(interpreter, disks, shares, Timing{}, memory) {}
  IscsiAttach(IscsiInterpreter& interpreter, DiskPreparation& disks, ShareMapping& shares, Timing timing,
              IVolumeMemory* memory = nullptr)
      : interpreter_(interpreter), disks_(disks), shares_(shares), timing_(timing), memory_(memory) {}

  // One attach. Reads the target MAC text, the device IP address text and
  // the iSCSI drive letter text; on success writes the explorer command
  // line ("explorer X:\"). `bar` receives 65..98 while a format runs.
  AttachOutcome Run(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar);

  // The two command lines of the attach, values quoted where needed.
  static std::string AddTargetPortalLine(const std::string& portalAddress);
  static std::string LoginTargetLine(const std::string& targetName);

 private:
  AttachOutcome Attach(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar);
  // Up to ten passes of find and prepare over the disks of the target's
  // session. kNone when a disk was made ready (`disk` holds the last pass's
  // record), kNoDisk or kNotPrepared when not; nothing when stopped.
  std::optional<AttachFailure> SearchDisk(const std::string& target, FoundDisk& disk, ISetupWait& wait,
                                          const std::function<void(int)>& bar);
  // Moves the prepared disk's volume from its letter to `chosenDrive`
  // ("X:"); kNone when it is there (or when stopped: the caller looks).
  AttachFailure MoveToChosenLetter(const FoundDisk& disk, const std::string& chosenDrive, ISetupWait& wait);
  // "explorer X:\" from the session's volume, or "explorer ".
  std::string ExplorerLine(const std::string& targetName);

  IscsiInterpreter& interpreter_;
  DiskPreparation& disks_;
  ShareMapping& shares_;
  Timing timing_;
  IVolumeMemory* memory_;
};

}  // namespace sp
