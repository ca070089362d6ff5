// SimAppliance::State: what tests read back.
#include <cstring>

#include "devtools/vbx207-sim/simappliance.h"
#include "devtools/vbx207-sim/simjson.h"

namespace sp::sim {

using nlohmann::json;

namespace {

std::int32_t Le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

json TimeJson(const std::array<std::uint8_t, kTimeSettingsSize>& t) {
  const std::uint8_t* b = t.data();
  return {
      {"hex", Hex(b, t.size())},
      {"zone", b[0]},
      {"dst", Le32(b + 4)},
      {"dst_region", Le32(b + 8)},
      {"dst_start", {Le32(b + 12), Le32(b + 16), Le32(b + 20), Le32(b + 24)}},
      {"dst_end", {Le32(b + 28), Le32(b + 32), Le32(b + 36), Le32(b + 40)}},
      {"ntp", Le32(b + 44)},
      {"ntp_server", FieldString(b + 48, 64)},
      // month, day, year after 2008, hour, minute, second
      {"clock", {Le32(b + 112), Le32(b + 116), Le32(b + 120), Le32(b + 124), Le32(b + 128), Le32(b + 132)}},
  };
}

template <class M>
json KeyedByNumber(const M& map) {
  json j = json::object();
  for (const auto& [k, v] : map) j[std::to_string(k)] = v;
  return j;
}

}  // namespace

json SimAppliance::State(Clock::time_point now) const {
  json disks = json::array();
  for (const auto& d : disks_) disks.push_back(ToJson(d));
  json faults = json::array();
  for (const auto& f : faults_) faults.push_back(ToJson(f));
  json format = nullptr;
  if (format_) {
    format = {{"nas_percent", format_->nasPercent},
              {"level", format_->levelCode},
              {"disk_sizes_mb", format_->diskSizesMb},
              {"count", formatCount_},
              {"progress", Progress(now)}};
  }
  json committed = nullptr;
  if (committed_) {
    committed = {{"identity", ToJson(committed_->identity)},
                 {"password", committed_->password},
                 {"time_hex", committed_->timeHex}};
  }
  return {
      {"mac", identity_.mac},
      {"identity", ToJson(identity_)},
      {"pending_identity", pending_ ? ToJson(*pending_) : json(nullptr)},
      {"password", password_},
      {"time", time_ ? TimeJson(*time_) : json(nullptr)},
      {"disks", disks},
      {"format", format},
      {"progress_per_second", progressPerSecond_},
      {"restarts", restarts_},
      {"serves", {{"iscsi", serveIscsi_}, {"share", serveShare_}}},
      {"identify_count", identifyCount_},
      {"identify_lit", identifyCount_ > 0},  // the bay lights stay purple once asked
      {"commit_count", commitCount_},
      {"committed", committed},
      {"logins", {{"accepted", loginsAccepted_}, {"rejected", loginsRejected_}}},
      {"dropped", dropped_},
      {"counts", KeyedByNumber(commandCounts_)},
      {"item_counts", KeyedByNumber(itemCounts_)},
      {"last_payload", KeyedByNumber(lastPayload_)},
      {"last_item_data", KeyedByNumber(lastItemData_)},
      {"faults", faults},
  };
}

}  // namespace sp::sim
