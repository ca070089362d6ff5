#pragma once
// The shares an SMB server offers, as `smbclient -L //ADDRESS -N -g` lists
// them to a guest: whether an appliance already serves its "Volume1".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// The share an appliance serves its NAS volume as.
inline constexpr std::string_view kApplianceShareName = "Volume1";

// The disk share names in smbclient's machine-readable listing ("-g"):
// lines "Disk|NAME|comment"; printer and IPC shares, the server and
// workgroup lines and any other text are passed over. Names keep their
// case; a line whose name is empty is skipped.
std::vector<std::string> ParseDiskShares(std::string_view listing);

// Whether `shares` holds `name`; share names compare without regard to
// (ASCII) case, as SMB servers treat them.
bool HasShare(const std::vector<std::string>& shares, std::string_view name);

// Asks the server at `address` (dotted decimal) for its shares as a guest,
// through the tool runner, ended after `timeoutMs`. Nothing when smbclient
// is missing, did not finish in time or listed no share at all (no server
// there, guest refused).
std::optional<std::vector<std::string>> ListDiskShares(const std::string& address, int timeoutMs);

}  // namespace sp
