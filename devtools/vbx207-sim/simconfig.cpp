#include "devtools/vbx207-sim/simconfig.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "devtools/vbx207-sim/simjson.h"

namespace sp::sim {

namespace {

bool Bad(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

bool ParseNumber(const std::string& text, long lo, long hi, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != 0 || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool LoadConfigFile(const std::string& path, SimConfig* config, std::string* error) {
  std::ifstream in(path);
  if (!in) return Bad(error, "cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  const auto j = nlohmann::json::parse(text.str(), nullptr, false);
  if (j.is_discarded()) return Bad(error, path + ": not JSON");
  if (!ConfigFromJson(j, config, error)) return Bad(error, path + ": " + *error);
  return true;
}

}  // namespace

const char* SimUsage() {
  return "usage: vbx207-sim [--control PATH] [--config FILE] [--interface NAME] [--manage-addresses]\n"
         "                  [--unicast-replies]\n"
         "                  [--appliance key=value,...]... [--count N] [--verbose]\n"
         "  appliance keys: mac ip name netmask gateway workgroup description password disks speed\n";
}

bool ApplySpec(const std::string& spec, ApplianceConfig* a, std::string* error) {
  std::stringstream in(spec);
  std::string pair;
  while (std::getline(in, pair, ',')) {
    if (pair.empty()) continue;
    const auto eq = pair.find('=');
    if (eq == std::string::npos) return Bad(error, "appliance: expected key=value, got \"" + pair + "\"");
    const std::string key = pair.substr(0, eq), value = pair.substr(eq + 1);
    Identity& id = a->identity;
    long n = 0;
    if (key == "mac")
      id.mac = value;
    else if (key == "ip")
      id.ip = value;
    else if (key == "name")
      id.name = value;
    else if (key == "netmask")
      id.netmask = value;
    else if (key == "gateway")
      id.gateway = value;
    else if (key == "workgroup")
      id.workgroup = value;
    else if (key == "description")
      id.description = value;
    else if (key == "password")
      a->password = value;
    else if (key == "disks" && ParseNumber(value, 0, 2, &n))
      a->disks.resize(static_cast<std::size_t>(n));
    else if (key == "speed" && ParseNumber(value, 0, 100000, &n))
      a->progressPerSecond = static_cast<double>(n);
    else
      return Bad(error, "appliance: bad key or value \"" + pair + "\"");
  }
  return true;
}

bool ParseCommandLine(const std::vector<std::string>& args, SimConfig* config, bool* help, std::string* error) {
  *help = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const auto value = [&]() -> const std::string& { return args[++i]; };
    long n = 0;
    if (arg == "--help" || arg == "-h") {
      *help = true;
      return true;
    } else if (arg == "--manage-addresses") {
      config->manageAddresses = true;
    } else if (arg == "--unicast-replies") {
      config->unicastReplies = true;
    } else if (arg == "--verbose") {
      config->verbose = true;
    } else if (!hasValue) {
      return Bad(error, arg == "--control" || arg == "--config" || arg == "--interface" || arg == "--appliance" ||
                                arg == "--count"
                            ? arg + " needs a value"
                            : "unknown option " + arg);
    } else if (arg == "--control") {
      config->controlPath = value();
    } else if (arg == "--interface") {
      config->interface = value();
    } else if (arg == "--config") {
      if (!LoadConfigFile(value(), config, error)) return false;
    } else if (arg == "--appliance") {
      ApplianceConfig a = DefaultAppliance(static_cast<int>(config->appliances.size()));
      if (!ApplySpec(value(), &a, error)) return false;
      config->appliances.push_back(std::move(a));
    } else if (arg == "--count") {
      if (!ParseNumber(value(), 1, 250, &n)) return Bad(error, "--count: expected 1 to 250");
      for (long k = 0; k < n; ++k)
        config->appliances.push_back(DefaultAppliance(static_cast<int>(config->appliances.size())));
    } else {
      return Bad(error, "unknown option " + arg);
    }
  }
  if (config->appliances.empty()) config->appliances.push_back(DefaultAppliance(0));
  return true;
}

}  // namespace sp::sim
