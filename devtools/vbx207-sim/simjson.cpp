#include "devtools/vbx207-sim/simjson.h"

#include "base/text.h"

namespace sp::sim {

using nlohmann::json;

namespace {

bool Bad(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool GetString(const json& j, const char* key, std::string* out, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_string()) return Bad(error, std::string(key) + ": expected a string");
  *out = j[key].get<std::string>();
  return true;
}

bool GetInt(const json& j, const char* key, long lo, long hi, long* out, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_number_integer()) return Bad(error, std::string(key) + ": expected an integer");
  const long v = j[key].get<long>();
  if (v < lo || v > hi) return Bad(error, std::string(key) + ": out of range");
  *out = v;
  return true;
}

template <class T>
bool GetIntAs(const json& j, const char* key, long lo, long hi, T* out, std::string* error) {
  long v = static_cast<long>(*out);
  if (!GetInt(j, key, lo, hi, &v, error)) return false;
  *out = static_cast<T>(v);
  return true;
}

bool GetNumber(const json& j, const char* key, double* out, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_number()) return Bad(error, std::string(key) + ": expected a number");
  *out = j[key].get<double>();
  return true;
}

}  // namespace

json ToJson(const Identity& id) {
  return {{"name", id.name},
          {"ip", id.ip},
          {"mac", id.mac},
          {"netmask", id.netmask},
          {"gateway", id.gateway},
          {"workgroup", id.workgroup},
          {"description", id.description}};
}

json ToJson(const DiskSpec& d) {
  return {{"manufacturer", d.manufacturer},
          {"model", d.model},
          {"serial", d.serial},
          {"bay", std::string(1, d.bay)},
          {"capacity_mb", d.capacityMb}};
}

json ToJson(const Fault& f) {
  return {{"kind", FaultKindName(f.kind)}, {"command", f.command}, {"item", f.item}, {"count", f.count},
          {"delay_ms", f.delayMs},         {"code", f.code}};
}

bool FromJson(const json& j, Identity* id, std::string* error) {
  if (!j.is_object()) return Bad(error, "identity: expected an object");
  return GetString(j, "name", &id->name, error) && GetString(j, "ip", &id->ip, error) &&
         GetString(j, "mac", &id->mac, error) && GetString(j, "netmask", &id->netmask, error) &&
         GetString(j, "gateway", &id->gateway, error) && GetString(j, "workgroup", &id->workgroup, error) &&
         GetString(j, "description", &id->description, error);
}

bool FromJson(const json& j, DiskSpec* d, std::string* error) {
  if (!j.is_object()) return Bad(error, "disk: expected an object");
  std::string bay(1, d->bay);
  if (!GetString(j, "manufacturer", &d->manufacturer, error) || !GetString(j, "model", &d->model, error) ||
      !GetString(j, "serial", &d->serial, error) || !GetString(j, "bay", &bay, error) ||
      !GetIntAs(j, "capacity_mb", 0, 0xffffffffL, &d->capacityMb, error)) {
    return false;
  }
  if (bay.size() != 1) return Bad(error, "bay: expected one character");
  d->bay = bay[0];
  return true;
}

bool FromJson(const json& j, std::vector<DiskSpec>* out, std::string* error) {
  if (!j.is_array() || j.size() > 2) return Bad(error, "disks: expected a list of at most two disks");
  std::vector<DiskSpec> disks;
  for (const auto& e : j) {
    DiskSpec d;
    if (!FromJson(e, &d, error)) return false;
    disks.push_back(d);
  }
  *out = std::move(disks);
  return true;
}

bool FromJson(const json& j, Fault* f, std::string* error) {
  if (!j.is_object()) return Bad(error, "fault: expected an object");
  std::string kind;
  if (!GetString(j, "kind", &kind, error)) return false;
  if (!FaultKindFromName(kind, &f->kind)) return Bad(error, "fault: unknown kind \"" + kind + "\"");
  return GetIntAs(j, "command", -1, 255, &f->command, error) && GetIntAs(j, "item", -1, 65535, &f->item, error) &&
         GetIntAs(j, "count", -1, 1000000, &f->count, error) &&
         GetIntAs(j, "delay_ms", 0, 600000, &f->delayMs, error) && GetIntAs(j, "code", 0, 255, &f->code, error);
}

bool FromJson(const json& j, ApplianceConfig* a, std::string* error) {
  if (!j.is_object()) return Bad(error, "appliance: expected an object");
  if (!FromJson(j, &a->identity, error) || !GetString(j, "password", &a->password, error) ||
      !GetNumber(j, "progress_per_second", &a->progressPerSecond, error)) {
    return false;
  }
  if (j.contains("disks") && !FromJson(j["disks"], &a->disks, error)) return false;
  if (j.contains("faults")) {
    if (!j["faults"].is_array()) return Bad(error, "faults: expected a list");
    for (const auto& e : j["faults"]) {
      Fault f;
      if (!FromJson(e, &f, error)) return false;
      a->faults.push_back(f);
    }
  }
  return true;
}

bool ConfigFromJson(const json& j, SimConfig* c, std::string* error) {
  if (!j.is_object()) return Bad(error, "configuration: expected an object");
  if (!GetString(j, "interface", &c->interface, error) || !GetString(j, "control", &c->controlPath, error)) {
    return false;
  }
  if (j.contains("manage_addresses")) {
    if (!j["manage_addresses"].is_boolean()) return Bad(error, "manage_addresses: expected true or false");
    c->manageAddresses = j["manage_addresses"].get<bool>();
  }
  if (j.contains("unicast_replies")) {
    if (!j["unicast_replies"].is_boolean()) return Bad(error, "unicast_replies: expected true or false");
    c->unicastReplies = j["unicast_replies"].get<bool>();
  }
  if (j.contains("appliances")) {
    if (!j["appliances"].is_array()) return Bad(error, "appliances: expected a list");
    for (const auto& e : j["appliances"]) {
      ApplianceConfig a = DefaultAppliance(static_cast<int>(c->appliances.size()));
      if (!FromJson(e, &a, error)) return false;
      c->appliances.push_back(std::move(a));
    }
  }
  return true;
}

ApplianceConfig DefaultAppliance(int index) {
  ApplianceConfig a;
  a.identity.mac = Format("02:4b:56:00:%02x:%02x", (index + 1) >> 8 & 0xff, (index + 1) & 0xff);
  a.identity.ip = Format("10.77.0.%d", 2 + index % 250);
  a.identity.name = index == 0 ? "VBX-207" : Format("VBX-207-%d", index + 1);
  return a;
}

}  // namespace sp::sim
