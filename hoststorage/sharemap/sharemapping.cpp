#include "hoststorage/sharemap/sharemapping.h"

#include <string>

#include "base/text.h"

namespace sp {
namespace {

// The drive texts handed to the system are at most this many wide
// characters, terminator included.
constexpr std::size_t kDriveTextMax = 256;

}  // namespace

void ShareMapping::ClearDriveLetter(std::string_view driveText) {
  std::u16string wide = Utf8ToUtf16(driveText);
  if (wide.size() >= kDriveTextMax) wide.resize(kDriveTextMax - 1);
  const std::string drive = Utf16ToUtf8(wide);
  connections_.CancelConnection(drive, /*updateProfile=*/true, /*force=*/true);
  netUse_.DeleteUse(drive);
  agent_.SendRequest(kNetDockUnmapRequest, wide);
}

void ShareMapping::MapNasShare(WizardState& state) {
  const std::string drive = FieldText(state.nasDriveLetter);
  ClearDriveLetter(drive);
  // "%s \\%s\Volume1": the drive, a blank, the share on the appliance.
  const std::u16string text = Utf8ToUtf16(drive) + u" \\\\" + FieldText(state.deviceHostName) + u"\\Volume1";
  state.nasMapped = agent_.SendRequest(kNetDockMapRequest, text) != 0 ? 1 : 0;
}

bool ShareMapping::CloseAgent() { return agent_.Close(); }

}  // namespace sp
