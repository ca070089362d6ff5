#include "pages/disk/core/driveletterlists.h"

#include "base/text.h"

#include "platform/driveletters.h"
#include "platform/netconnections.h"

namespace sp {

namespace {

int KeptOr(int defaultIndex, int kept, int count) { return kept > 0 && kept < count ? kept : defaultIndex; }

}  // namespace

std::vector<std::string> FreeDriveLetterEntries(IDriveLetters& letters, INetConnections& connections) {
  const std::uint32_t inUse = letters.LogicalDrives();
  std::vector<std::string> entries;
  for (char letter = 'Z'; letter >= 'C'; --letter) {
    if (inUse & DriveLetterBit(letter)) continue;
    const std::string entry = {letter, ':', '\\'};
    std::string remote;
    if (connections.GetConnection(entry.substr(0, 2), &remote) == kNetErrorConnectionUnavail) continue;
    entries.insert(entries.begin(), entry);
  }
  return entries;
}

std::string DriveLetterText(const std::string& entry) { return entry.substr(0, 2); }

LetterSelection InitialLetterSelection(ServiceType service, int entryCount, int keptNas, int keptIscsi) {
  const int last = entryCount - 1;  // -1 for an empty list
  LetterSelection selection;
  switch (service) {
    case ServiceType::Both:
      selection.nas = entryCount >= 2 ? entryCount - 2 : -1;
      selection.iscsi = last;
      break;
    case ServiceType::NasOnly:
      selection.nas = last;
      break;
    case ServiceType::IscsiOnly:
      selection.iscsi = last;
      break;
  }
  // Both lists are filled whatever the service; a hidden list keeps its
  // kept choice too, as the page never reads it.
  selection.nas = KeptOr(selection.nas, keptNas, entryCount);
  selection.iscsi = KeptOr(selection.iscsi, keptIscsi, entryCount);
  return selection;
}

bool LettersClash(ServiceType service, const std::string& nasEntry, const std::string& iscsiEntry) {
  if (service != ServiceType::Both) return false;
  const std::string nas = DriveLetterText(nasEntry);
  return !nas.empty() && nas == DriveLetterText(iscsiEntry);
}

void ApplyConfirmedChoice(const DiskProfile& profile, ServiceType service, const std::string& nasEntry,
                          const std::string& iscsiEntry, WizardState& state) {
  ApplyProfileChoice(profile, state);
  if (service != ServiceType::IscsiOnly) CopyBounded(state.nasDriveLetter, DriveLetterText(nasEntry));
  if (service != ServiceType::NasOnly) CopyBounded(state.iscsiDriveLetter, DriveLetterText(iscsiEntry));
}

}  // namespace sp
