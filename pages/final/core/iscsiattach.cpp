#include "pages/final/core/iscsiattach.h"

#include "base/text.h"
#include "hoststorage/iscsi/iscsicleanup.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "hoststorage/iscsicli/commandline.h"

namespace sp {

namespace {

// A value from outside (an address, a name) as one word of a command line.
std::string Quoted(const std::string& value) { return Utf16ToUtf8(QuoteArgument(Utf8ToUtf16(value))); }

char UpperAsciiLetter(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char>(c - u'a' + 'A');
  return (c >= u'A' && c <= u'Z') ? static_cast<char>(c) : 0;
}

// The letter of a drive text "X:" (the widest the letter field allows is
// five characters; anything after the colon makes it no drive text).
char DriveTextLetter(const std::string& drive) {
  if (drive.size() != 2 || drive[1] != ':') return 0;
  return UpperAsciiLetter(static_cast<unsigned char>(drive[0]));
}

std::string RootOf(char letter) { return std::string(1, letter) + ":\\"; }

AttachOutcome Failed(AttachFailure why) { return {AttachResult::kFailed, why}; }
AttachOutcome Stopped() { return {AttachResult::kStopped, AttachFailure::kNone}; }

// An initiator call that failed: the service itself, or what it was asked.
AttachOutcome FailedCall(IscsiStatus status, AttachFailure otherwise) {
  const bool serviceDown = status == kIscsiStatusServiceNotActive || status == kIscsiStatusTimeout;
  return Failed(serviceDown ? AttachFailure::kInitiatorDown : otherwise);
}

}  // namespace

const char* AttachFailureText(AttachFailure why) {
  switch (why) {
    case AttachFailure::kNone:
      return "none";
    case AttachFailure::kInitiatorDown:
      return "the iSCSI initiator service did not answer";
    case AttachFailure::kPortal:
      return "the appliance's portal could not be added";
    case AttachFailure::kLogin:
      return "the target did not take the login";
    case AttachFailure::kNoDisk:
      return "the session brought no disk";
    case AttachFailure::kNotPrepared:
      return "the disk could not be partitioned, formatted or mounted";
    case AttachFailure::kNoLetter:
      return "no drive letter was chosen";
    case AttachFailure::kLetterTaken:
      return "the chosen letter holds another volume";
    case AttachFailure::kNotAuthorised:
      return "this computer's administrator did not allow changing its disks";
    case AttachFailure::kSetupInProgress:
      return "another user on this computer is setting up an appliance";
  }
  return "?";
}

bool AttachFailureIsLasting(AttachFailure why) {
  return why == AttachFailure::kNoLetter || why == AttachFailure::kLetterTaken ||
         why == AttachFailure::kNotAuthorised || why == AttachFailure::kSetupInProgress;
}

std::string IscsiAttach::AddTargetPortalLine(const std::string& portalAddress) {
  return "iscsicli AddTargetPortal " + Quoted(portalAddress) + " " + std::to_string(kIscsiPortalSocket);
}

std::string IscsiAttach::LoginTargetLine(const std::string& targetName) {
  // Persistent and ordinary login, reported to the disk layer; no portal,
  // initiator instance, options, key or mappings.
  return "iscsicli LoginTarget " + Quoted(targetName) + " T * * * * * * * * * * * * * * * 0";
}

AttachOutcome IscsiAttach::Run(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar) {
  disks_.ClearRefusal();
  AttachOutcome outcome = Attach(state, wait, bar);
  // A disk step that was not allowed is the reason, whatever it broke.
  if (outcome.result == AttachResult::kFailed) {
    const StorageRefusal refusal = disks_.Refusal();
    if (refusal == StorageRefusal::kNotAuthorised) outcome.why = AttachFailure::kNotAuthorised;
    if (refusal == StorageRefusal::kSetupInProgress) outcome.why = AttachFailure::kSetupInProgress;
  }
  if (outcome.result == AttachResult::kAttached) {
    disks_.KeepOwnVolumes();
    return outcome;
  }
  // The volumes first: the initiator does not log out of a LUN that is
  // still mounted or looped.
  disks_.ReleaseOwnVolumes();
  // A stopped attach ends now: the login stays for the next run's clean-up
  // to end, rather than the stop waiting on the initiator service.
  if (outcome.result == AttachResult::kFailed) RemoveFailedIscsiLogin(interpreter_, state);
  return outcome;
}

AttachOutcome IscsiAttach::Attach(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar) {
  const std::string target = ComposeTargetName(FieldText(state.targetMac));
  IscsiStatus status = interpreter_.Run(AddTargetPortalLine(FieldText(state.deviceIpAddress)));
  if (status != kIscsiStatusSuccess) return FailedCall(status, AttachFailure::kPortal);
  if (wait.StopRequested()) return Stopped();
  status = interpreter_.Run(LoginTargetLine(target));
  if (status != kIscsiStatusSuccess) return FailedCall(status, AttachFailure::kLogin);

  FoundDisk disk;
  const std::optional<AttachFailure> search = SearchDisk(target, disk, wait, bar);
  if (!search || !wait.Sleep(timing_.searchPause)) return Stopped();
  if (*search != AttachFailure::kNone) return Failed(*search);

  const std::string chosen = FieldText(state.iscsiDriveLetter);
  if (!DriveTextLetter(chosen)) return Failed(AttachFailure::kNoLetter);
  shares_.ClearDriveLetter(chosen);
  if (wait.StopRequested()) return Stopped();
  const AttachFailure moved = MoveToChosenLetter(disk, chosen, wait);
  if (wait.StopRequested()) return Stopped();
  if (moved != AttachFailure::kNone) return Failed(moved);
  // Only the volume of the session's own target, now at its letter.
  if (memory_) memory_->RememberVolume(target, DriveTextLetter(chosen));

  const std::string explorer = ExplorerLine(target);
  if (wait.StopRequested()) return Stopped();
  CopyBounded(state.explorerCommandLine, explorer);
  return {AttachResult::kAttached, AttachFailure::kNone};
}

std::optional<AttachFailure> IscsiAttach::SearchDisk(const std::string& target, FoundDisk& disk, ISetupWait& wait,
                                                     const std::function<void(int)>& bar) {
  AttachFailure why = AttachFailure::kNoDisk;
  for (int pass = 0; pass < kIscsiDiskSearchPasses; ++pass) {
    disk.Clear();
    // Only the disks this target's session brought: never a disk of another
    // appliance or of the PC, whatever vendor it reports.
    interpreter_.ClearSessionTable();
    interpreter_.ReportSessions();
    const bool found = disks_.FindIscsiDisk(disk, FindIscsiSessionDisks(interpreter_, target)) == 0;
    if (!wait.Sleep(timing_.searchPause)) return std::nullopt;
    if (!found) continue;
    why = AttachFailure::kNotPrepared;
    if (disks_.PrepareIscsiDisk(disk, bar, wait.StopToken()) == kPrepareReady && disk.driveLetter != 0) {
      return AttachFailure::kNone;
    }
    if (!wait.Sleep(timing_.searchPause)) return std::nullopt;
  }
  return why;
}

AttachFailure IscsiAttach::MoveToChosenLetter(const FoundDisk& disk, const std::string& chosenDrive, ISetupWait& wait) {
  const char from = UpperAsciiLetter(disk.driveLetter);
  const char to = DriveTextLetter(chosenDrive);
  const std::string device = from ? disks_.DeviceBehindLetter(static_cast<char16_t>(from)) : std::string();
  if (device.empty()) return AttachFailure::kNotPrepared;
  if (from != to) {
    // The clearing freed the letter of network connections; what is still
    // there is a volume that is not ours, and it stays where it is.
    if (!disks_.DeviceBehindLetter(static_cast<char16_t>(to)).empty()) return AttachFailure::kLetterTaken;
    if (!disks_.MoveDriveLetter(RootOf(from), device, LetterMove::Remove, wait.StopToken())) {
      return AttachFailure::kNotPrepared;
    }
    if (!wait.Sleep(timing_.letterPause)) return AttachFailure::kNone;  // the caller sees the stop
    if (!disks_.MoveDriveLetter(RootOf(to), device, LetterMove::Assign, wait.StopToken())) {
      return disks_.DeviceBehindLetter(static_cast<char16_t>(to)).empty() ? AttachFailure::kNotPrepared
                                                                          : AttachFailure::kLetterTaken;
    }
  }
  // Done only when the chosen letter shows this volume.
  return disks_.DeviceBehindLetter(static_cast<char16_t>(to)) == device ? AttachFailure::kNone
                                                                        : AttachFailure::kNotPrepared;
}

std::string IscsiAttach::ExplorerLine(const std::string& targetName) {
  interpreter_.ClearSessionTable();
  interpreter_.ReportSessions();
  const IscsiVolumeLookup volume = FindIscsiVolume(interpreter_, targetName);
  const char letter =
      volume.volumePath.empty() ? 0 : UpperAsciiLetter(static_cast<unsigned char>(volume.volumePath[0]));
  if (!letter) return "explorer ";
  return Format("explorer %c:\\", letter);
}

}  // namespace sp
