#pragma once
// The appliances this PC has set up: when the wizard formatted one, it notes
// its MAC, name, address, the day and the profile, so that a later run can
// warn before erasing an appliance that holds this person's data.
//
// File form ($XDG_STATE_HOME/setuppilot/appliances, else
// ~/.local/state/setuppilot/appliances), one appliance a line, UTF-8:
//   # comment
//   02:4b:56:00:00:01<TAB>VBX-207<TAB>10.77.0.2<TAB>2026-12-09<TAB>Raid1 iSCSI 40% NAS 60%
// Lines without five fields, or whose MAC is not six hex pairs, are skipped;
// a later line for the same MAC replaces an earlier one.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

struct RememberedAppliance {
  std::string mac;  // lower case "xx:xx:xx:xx:xx:xx"
  std::string name;
  std::string address;
  std::string date;  // "YYYY-MM-DD", the day the setup succeeded
  std::string profile;
};

// Files longer than this are read only up to here.
inline constexpr std::size_t kApplianceMemoryMaxBytes = 256 * 1024;

std::vector<RememberedAppliance> ParseApplianceMemory(std::string_view text);
std::string SerializeApplianceMemory(const std::vector<RememberedAppliance>& appliances);

// The file for a state folder ($XDG_STATE_HOME, "" when unset) and a home.
std::string ApplianceMemoryPath(const std::string& xdgStateHome, const std::string& home);

class ApplianceMemory {
 public:
  // The store at `path` (ApplianceMemoryPath for this user by default).
  explicit ApplianceMemory(std::string path = DefaultPath()) : path_(std::move(path)) {}
  static std::string DefaultPath();

  // What the file says about `mac` (any case), if anything.
  std::optional<RememberedAppliance> Find(const std::string& mac) const;
  // Notes (or renews) `appliance`, creating the folder; false when the file
  // cannot be written. Written whole to a new file and renamed over the old,
  // so a crash leaves one or the other.
  bool Remember(const RememberedAppliance& appliance) const;

 private:
  std::string path_;
};

}  // namespace sp
