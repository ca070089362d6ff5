#pragma once
// What a simulated VBX-207 is made of: its identity, its disks, the faults it
// has been told to show, and how a whole simulator run is configured.
#include <cstdint>
#include <string>
#include <vector>

namespace sp::sim {

// The device network record's texts (the identity record on the wire).
struct Identity {
  std::string name = "VBX-207";
  std::string ip = "10.77.0.2";
  std::string mac = "02:4b:56:00:00:01";
  std::string netmask = "255.255.255.0";
  std::string gateway = "10.77.0.254";
  std::string workgroup = "WORKGROUP";
  std::string description = "2-Bay Vaultline";
};

// One installed disk, as the disk query reports it.
struct DiskSpec {
  std::string manufacturer;
  std::string model;
  std::string serial;
  char bay = '0';  // '0' left bay, anything else right bay
  std::uint32_t capacityMb = 0;
};

// The two disks a simulated appliance has unless told otherwise.
std::vector<DiskSpec> DefaultDisks();

// What the appliance was asked to build when a disk setup started.
struct FormatProfile {
  std::string mac;
  std::string ip;
  int nasPercent = 0;
  int levelCode = 0;
  std::vector<std::uint32_t> diskSizesMb;
  // Whether the appliance serves what the profile asks for (a test may
  // keep its iSCSI target or its share server from ever coming up).
  bool serveIscsi = true;
  bool serveShare = true;
};

enum class FaultKind {
  kDrop,               // the request is lost: nothing happens, nothing is answered
  kDropReply,          // the appliance acts, its reply is lost
  kDelay,              // the reply leaves delayMs later
  kDuplicate,          // the reply is sent twice
  kWrongMac,           // the reply carries the appliance's own MAC text instead of the request's
  kShort,              // the reply is cut to its first 12 bytes
  kGarbage,            // the reply is replaced by bytes that are not a reply
  kRefuse,             // the appliance does not act and answers with reply code `code`
  kSilentAfterCommit,  // after a commit the appliance answers nothing more
  kSilentAfterFormat,  // once a disk setup has started the appliance answers nothing more
  kImpostor,           // answers whatever names its MAC at once with code 3 (and "100" to progress) without acting
};

// A fault applies to requests of `command` (-1: any) and, for command 2, of
// `item` (-1: any), the next `count` times (-1: always).
struct Fault {
  FaultKind kind = FaultKind::kDrop;
  int command = -1;
  int item = -1;
  int count = -1;
  int delayMs = 0;
  int code = 1;
};

const char* FaultKindName(FaultKind kind);
bool FaultKindFromName(const std::string& name, FaultKind* kind);

struct ApplianceConfig {
  Identity identity;
  std::string password;  // the factory password is empty
  std::vector<DiskSpec> disks = DefaultDisks();
  double progressPerSecond = 5.0;  // format progress speed, percent per second
  std::vector<Fault> faults;
};

struct SimConfig {
  std::string controlPath;       // Unix socket for tests; empty: none
  std::string interface;         // empty: the one holding the first appliance's address
  bool manageAddresses = false;  // add the appliances' addresses and move them on commit
  // Replies go by unicast to the requester's address only, never broadcast:
  // an appliance behind a router that passes no broadcast either way.
  bool unicastReplies = false;
  bool verbose = false;
  std::vector<ApplianceConfig> appliances;
};

}  // namespace sp::sim
