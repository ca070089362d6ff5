#include "pages/disk/core/setuprecord.h"

#include <cstring>
#include <ctime>
#include <iterator>

#include "base/text.h"

namespace sp {

namespace {

// Fills the first "%s" at or after `from` and moves `from` past the value,
// so that a value holding "%s" itself is never filled again.
void FillNext(std::string& text, std::size_t& from, const std::string& value) {
  const auto at = text.find("%s", from);
  if (at == std::string::npos) return;
  text.replace(at, 2, value);
  from = at + value.size();
}

std::string Part(const char* what, std::int32_t sizeGb, const char* level) {
  return std::string(what) + " " + std::to_string(sizeGb) + " GB " + level;
}

}  // namespace

RememberedAppliance SetUpRecord(const WizardState& state, const std::string& day) {
  RememberedAppliance r;
  r.mac = std::string(state.targetMac, strnlen(state.targetMac, sizeof state.targetMac));
  std::size_t n = 0;
  while (n < std::size(state.deviceHostName) && state.deviceHostName[n] != 0) ++n;
  r.name = Utf16ToUtf8(std::u16string_view(state.deviceHostName, n));
  r.address = std::string(state.deviceIpAddress, strnlen(state.deviceIpAddress, sizeof state.deviceIpAddress));
  r.date = day;
  std::string profile;
  if (state.nasSizeGb != 0) profile = Part("NAS", state.nasSizeGb, state.nasLevel);
  if (state.iscsiSizeGb != 0)
    profile += (profile.empty() ? "" : ", ") + Part("iSCSI", state.iscsiSizeGb, state.iscsiLevel);
  r.profile = profile;
  return r;
}

std::string LocalDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::optional<RememberedAppliance> RememberedSetUp(const ApplianceMemory* memory, const char* mac) {
  if (!memory || !mac) return std::nullopt;
  return memory->Find(mac);
}

std::string EraseQuestion(std::string format, const RememberedAppliance& appliance) {
  const std::string who = (appliance.name.empty() ? std::string() : appliance.name + " ") + "(" + appliance.mac + ")";
  std::size_t from = 0;
  FillNext(format, from, who);
  FillNext(format, from, appliance.date);
  return format;
}

}  // namespace sp
