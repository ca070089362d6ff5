#include "wizardstate/wizardstate.h"

#include <cstring>
#include <type_traits>

namespace sp {

static_assert(std::is_trivially_copyable_v<WizardState>, "the record is plain data");

void WizardState::Clear() { *this = WizardState{}; }

void WizardState::ClearSummaryBlocks() {
  std::memset(targetMac, 0, sizeof targetMac);
  std::memset(deviceIpAddress, 0, sizeof deviceIpAddress);
  nasSharePercent = 0;
  diskLevelCode = 0;
  std::memset(deviceIpWide, 0, sizeof deviceIpWide);
  std::memset(deviceHostName, 0, sizeof deviceHostName);
  std::memset(nasDriveLetter, 0, sizeof nasDriveLetter);
  std::memset(iscsiDriveLetter, 0, sizeof iscsiDriveLetter);
  std::memset(deviceTime, 0, sizeof deviceTime);
  std::memset(deviceIpSummary, 0, sizeof deviceIpSummary);
  std::memset(webLoginPassword, 0, sizeof webLoginPassword);
  nasSizeGb = 0;
  std::memset(nasLevel, 0, sizeof nasLevel);
  iscsiSizeGb = 0;
  std::memset(iscsiLevel, 0, sizeof iscsiLevel);
}

}  // namespace sp
