#include "pages/final/core/iscsiattach.h"

#include "base/text.h"
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

}  // namespace

std::string IscsiAttach::AddTargetPortalLine(const std::string& portalAddress) {
  return "iscsicli AddTargetPortal " + Quoted(portalAddress) + " " + std::to_string(kIscsiPortalSocket);
}

std::string IscsiAttach::LoginTargetLine(const std::string& targetName) {
  // Persistent and ordinary login, reported to the disk layer; no portal,
  // initiator instance, options, key or mappings.
  return "iscsicli LoginTarget " + Quoted(targetName) + " T * * * * * * * * * * * * * * * 0";
}

AttachResult IscsiAttach::Run(WizardState& state, ISetupWait& wait, const std::function<void(int)>& bar) {
  const std::string target = ComposeTargetName(FieldText(state.targetMac));
  if (interpreter_.Run(AddTargetPortalLine(FieldText(state.deviceIpAddress))) != kIscsiStatusSuccess) {
    return AttachResult::kFailed;
  }
  if (wait.StopRequested()) return AttachResult::kStopped;
  if (interpreter_.Run(LoginTargetLine(target)) != kIscsiStatusSuccess) return AttachResult::kFailed;

  FoundDisk disk;
  const std::optional<bool> ready = SearchDisk(disk, wait, bar);
  if (!ready || !wait.Sleep(timing_.searchPause)) return AttachResult::kStopped;

  const std::string chosen = FieldText(state.iscsiDriveLetter);
  shares_.ClearDriveLetter(chosen);
  if (wait.StopRequested()) return AttachResult::kStopped;
  // Only a disk that was made ready is moved: a search that found nothing
  // (or nothing usable) leaves every letter as it is.
  if (*ready && !MoveToChosenLetter(disk, chosen, wait)) return AttachResult::kStopped;

  const std::string explorer = ExplorerLine(target);
  if (wait.StopRequested()) return AttachResult::kStopped;
  CopyBounded(state.explorerCommandLine, explorer);
  return AttachResult::kAttached;
}

std::optional<bool> IscsiAttach::SearchDisk(FoundDisk& disk, ISetupWait& wait, const std::function<void(int)>& bar) {
  for (int pass = 0; pass < kIscsiDiskSearchPasses; ++pass) {
    disk.Clear();
    const bool found = disks_.FindIscsiDisk(disk) == 0;
    if (!wait.Sleep(timing_.searchPause)) return std::nullopt;
    if (!found) continue;
    if (disks_.PrepareIscsiDisk(disk, bar, wait.StopToken()) == kPrepareReady && disk.driveLetter != 0) return true;
    if (!wait.Sleep(timing_.searchPause)) return std::nullopt;
  }
  return false;
}

std::optional<bool> IscsiAttach::MoveToChosenLetter(const FoundDisk& disk, const std::string& chosenDrive,
                                                    ISetupWait& wait) {
  const char from = UpperAsciiLetter(disk.driveLetter);
  const char to = DriveTextLetter(chosenDrive);
  // No letter chosen (too few were free), or the volume is there already:
  // the volume keeps the letter it has rather than losing it.
  if (!from || !to) return false;
  if (from == to) return true;
  const std::string device = disks_.DeviceBehindLetter(static_cast<char16_t>(from));
  if (device.empty()) return false;
  if (!disks_.MoveDriveLetter(RootOf(from), device, LetterMove::Remove)) return false;
  if (!wait.Sleep(timing_.letterPause)) return std::nullopt;
  if (disks_.MoveDriveLetter(RootOf(to), device, LetterMove::Assign)) return true;
  // The chosen letter would not take it (a local volume holds it): give the
  // volume its old letter back instead of leaving it without one.
  disks_.MoveDriveLetter(RootOf(from), device, LetterMove::Assign);
  return false;
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
