#pragma once
// Command line of setuppilot-iscsid.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace sp::iscsid {

struct Options {
  bool foreground = false;
  bool verbose = false;  // debug messages too
  bool polkit = true;    // false: only root and the service's user may change the PC
  std::string socketPath;
  std::string mountPoint;
  std::string stateFile;
  std::string pidFile;
  std::string driveRoot;  // where remembered volumes are mounted (X: is <root>/x)
  std::string nodeName;   // empty: derived from the host name
  std::chrono::milliseconds commandTimeout{15000};
  std::chrono::milliseconds loginTimeout{10000};
  std::chrono::milliseconds retryInterval{2000};
  std::chrono::milliseconds nopInterval{5000};
  bool help = false;
  bool version = false;
  bool status = false;  // only ask whether a service answers on the socket
};

// nullopt with `error` set for unknown options, missing values and numbers
// out of range (time-outs are whole seconds from 1 to 3600).
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error);
const char* UsageText();

// "iqn.2024-01.org.setuppilot:<host>" with the host name reduced to the
// characters an iSCSI name allows.
std::string DefaultNodeName(const std::string& hostName);

}  // namespace sp::iscsid
