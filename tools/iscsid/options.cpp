#include "tools/iscsid/options.h"

#include <charconv>
#include <functional>
#include <map>

#include "platform/driveletters.h"
#include "platform/linux/iscsicontrolprotocol.h"

namespace sp::iscsid {
namespace {

bool Seconds(const std::string& text, std::chrono::milliseconds& out) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 3600) return false;
  out = std::chrono::seconds(value);
  return true;
}

}  // namespace

const char* UsageText() {
  return "usage: setuppilot-iscsid [options]\n"
         "  --foreground           stay in the foreground, messages to standard error\n"
         "  --socket PATH          control socket (default /run/setuppilot/iscsi/control.sock)\n"
         "  --mount DIR            where the LUN files appear (default /run/setuppilot/iscsi/disks)\n"
         "  --state FILE           persistent state (default /var/lib/setuppilot/iscsi/state)\n"
         "  --drive-root DIR       drive letters' folders, X: is DIR/x (default /mnt)\n"
         "  --pidfile FILE         pid file (default /run/setuppilot/iscsi/iscsid.pid)\n"
         "  --node-name IQN        initiator node name (default from the host name)\n"
         "  --io-timeout SEC       time a SCSI command may take (default 15)\n"
         "  --login-timeout SEC    time a connection and login may take (default 10)\n"
         "  --retry-interval SEC   pause between logins to a lost target (default 2)\n"
         "  --nop-interval SEC     keep-alive interval on an idle session (default 5)\n"
         "  --verbose              log debug messages too\n"
         "  --no-polkit            do not ask polkit: only root and the service's user may\n"
         "                         change the PC, no setup lease\n"
         "  --status               exit 0 when a service answers on the socket, else 1\n"
         "  --version, --help\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error) {
  Options o;
  o.socketPath = iscsictl::kDefaultSocket;
  o.mountPoint = iscsictl::kDefaultMountPoint;
  o.stateFile = iscsictl::kDefaultStateFile;
  o.pidFile = iscsictl::kDefaultPidFile;
  o.driveRoot = kDriveMountRoot;
  const std::map<std::string, std::function<bool(const std::string&)>> valued = {
      {"--socket",
       [&](const std::string& v) {
         o.socketPath = v;
         return !v.empty();
       }},
      {"--mount",
       [&](const std::string& v) {
         o.mountPoint = v;
         return !v.empty();
       }},
      {"--state",
       [&](const std::string& v) {
         o.stateFile = v;
         return !v.empty();
       }},
      {"--drive-root",
       [&](const std::string& v) {
         o.driveRoot = v;
         return !v.empty() && v[0] == '/';
       }},
      {"--pidfile",
       [&](const std::string& v) {
         o.pidFile = v;
         return !v.empty();
       }},
      {"--node-name",
       [&](const std::string& v) {
         o.nodeName = v;
         return !v.empty();
       }},
      {"--io-timeout", [&](const std::string& v) { return Seconds(v, o.commandTimeout); }},
      {"--login-timeout", [&](const std::string& v) { return Seconds(v, o.loginTimeout); }},
      {"--retry-interval", [&](const std::string& v) { return Seconds(v, o.retryInterval); }},
      {"--nop-interval", [&](const std::string& v) { return Seconds(v, o.nopInterval); }},
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--foreground") {
      o.foreground = true;
    } else if (arg == "--no-polkit") {
      o.polkit = false;
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--status") {
      o.status = true;
    } else if (const auto it = valued.find(arg); it != valued.end()) {
      if (i + 1 >= args.size() || !it->second(args[++i])) {
        if (error) *error = "bad or missing value for " + arg;
        return std::nullopt;
      }
    } else {
      if (error) *error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  return o;
}

std::string DefaultNodeName(const std::string& hostName) {
  std::string host;
  for (char c : hostName) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.') host += c;
  }
  if (host.empty()) host = "localhost";
  return "iqn.2024-01.org.setuppilot:" + host.substr(0, 180);
}

}  // namespace sp::iscsid
