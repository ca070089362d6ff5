#pragma once
// Talks to a running vbx207-sim through its control socket (--control PATH):
// reads the appliances' state and sets faults, disks and format speed.
//
//   SimClient sim(path);
//   ASSERT_TRUE(sim.WaitReady(5000));
//   sim.SetFault({.mac = "02:4b:56:00:00:01", .kind = "drop", .command = 7});
//   nlohmann::json a = sim.Appliance("02:4b:56:00:00:01");
//   EXPECT_EQ(a["password"], "secret1");
//
// The state of one appliance (Appliance()) holds: "mac", "identity" (name, ip,
// mac, netmask, gateway, workgroup, description: what command 0 reports),
// "pending_identity" (set by item 17, null after the commit), "password",
// "time" (null, or "hex" of the 136 bytes and decoded fields), "disks",
// "format" (null, or nas_percent, level, disk_sizes_mb, count, progress),
// "restarts", "serves" {iscsi, share}, "identify_count", "commit_count", "committed" (what the last commit made
// permanent), "logins" {accepted, rejected}, "dropped", "counts" and
// "item_counts" (requests per command / item, keyed by the number as text),
// "last_payload" and "last_item_data" (hex of the last one per command /
// item), "faults".
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sp::sim {

struct SimFault {
  std::string mac;  // empty: every appliance
  // drop, drop_reply, delay, duplicate, wrong_mac, short, garbage, refuse,
  // silent_after_commit, silent_after_format, impostor
  std::string kind;
  int command = -1;  // -1: any command
  int item = -1;     // -1: any item (command 2)
  int count = -1;    // -1: always; else the next `count` matching requests
  int delayMs = 0;   // delay
  int code = 1;      // refuse: the reply code
};

struct SimDisk {
  std::string manufacturer;
  std::string model;
  std::string serial;
  char bay = '0';
  unsigned capacityMb = 0;
};

// Lower-case hex of bytes, as the state above writes them ("hex",
// "last_payload", "last_item_data"): for comparing with what was sent.
std::string HexOf(const std::vector<std::uint8_t>& bytes);

class SimClient {
 public:
  explicit SimClient(std::string socketPath) : path_(std::move(socketPath)) {}

  // Waits until the simulator answers (it opens its control socket only when
  // its appliances are on the network).
  bool WaitReady(int timeoutMs) const;

  // Sends one request object and returns the answer object; an object with
  // "ok": false and "error" when the simulator cannot be reached.
  nlohmann::json Request(const nlohmann::json& request) const;

  // {"appliances": [...]} or null when unreachable.
  nlohmann::json State() const;
  // The state of the appliance with `mac`, or null.
  nlohmann::json Appliance(const std::string& mac) const;

  bool SetFault(const SimFault& fault) const;
  bool ClearFaults(const std::string& mac = "") const;
  bool SetDisks(const std::string& mac, const std::vector<SimDisk>& disks) const;
  bool SetProgressSpeed(const std::string& mac, double percentPerSecond) const;
  // The appliance restarts: silent for `downMs`, its format cut off.
  bool Restart(const std::string& mac, int downMs) const;
  // Whether its next disk setup brings up the iSCSI target and the share.
  bool SetServed(const std::string& mac, bool iscsi, bool share) const;
  // Its iSCSI target goes away now.
  bool RemoveTarget(const std::string& mac) const;

  const std::string& path() const { return path_; }

 private:
  bool Ok(const nlohmann::json& request) const;
  std::string path_;
};

}  // namespace sp::sim
