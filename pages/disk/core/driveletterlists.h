#pragma once
// The drive letters the disk profile page offers for the NAS share and the
// iSCSI volume, and which entry each list selects.
//
// A letter is offered when nothing uses it (no drive under it) and it is not
// the remembered-but-unavailable network connection of an earlier mapping
// (which would come back under that letter). Both lists hold the same
// entries, "X:\" texts in ascending order, from C:\ to Z:\.
#include <string>
#include <vector>

#include "pages/disk/core/diskprofile.h"

namespace sp {

class IDriveLetters;
class INetConnections;

// The entries of both lists.
std::vector<std::string> FreeDriveLetterEntries(IDriveLetters& letters, INetConnections& connections);

// The drive letter text the state record keeps for a list entry: its first
// two characters ("X:"); empty for no entry.
std::string DriveLetterText(const std::string& entry);

// Which entries the lists select when the ratio-and-letters sub-step is
// shown: with `Both` the NAS list takes its next-to-last entry and the iSCSI
// list its last; a single service's list takes its last. Then a kept index
// (the list position chosen on an earlier visit) wins when it is a real
// choice: greater than 0 (0 counts as no choice, so the first entry is never
// remembered) and below the entry count. -1 means nothing is selected.
struct LetterSelection {
  int nas = -1;
  int iscsi = -1;
};
LetterSelection InitialLetterSelection(ServiceType service, int entryCount, int keptNas, int keptIscsi);

// With both services the share and the volume cannot go to one letter:
// the second would hide the first. True when `nasEntry` and `iscsiEntry`
// (the two lists' chosen entries) name the same letter.
bool LettersClash(ServiceType service, const std::string& nasEntry, const std::string& iscsiEntry);
inline constexpr int kMsgLettersClash = 325;

// What confirming the summary writes: the profile's choice (share percent,
// level code) and the letter of each volume `service` makes, from the two
// lists' chosen entries.
void ApplyConfirmedChoice(const DiskProfile& profile, ServiceType service, const std::string& nasEntry,
                          const std::string& iscsiEntry, WizardState& state);

}  // namespace sp
