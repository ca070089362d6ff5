#pragma once
// A private test network for one test process.
//
// Two network namespaces, <prefix>pc (the PC running the wizard) and
// <prefix>vbx (the appliance), joined by a veth pair <prefix>vpc0 /
// <prefix>vvbx0 with 10.77.0.1/24 and 10.77.0.2/24, loopback up and ICMP echo
// sockets allowed for every group (net.ipv4.ping_group_range) in both. The
// layout is the one scripts/netns.sh builds with SP_NS_PREFIX=<prefix>.
//
// The prefix is "sp" + the process id + a letter, so that ctest can run
// several network tests at once and one process can hold several networks
// one after another. Everything the network made, including the programs
// started through Spawn(), goes when the object is destroyed; networks left
// by test processes that died are removed when the next one is created.
//
// Use it through NetworkTest (networktest.h) in GoogleTest tests: that
// fixture skips the test when the machine cannot make namespaces.
#include <memory>
#include <string>
#include <vector>

#include "tests/net/harness/namespacethread.h"
#include "tests/net/harness/spawnedprocess.h"

namespace sp::nettest {

inline constexpr const char* kPcAddress = "10.77.0.1";
inline constexpr const char* kVbxAddress = "10.77.0.2";
inline constexpr int kPrefixLength = 24;

class TestNetwork {
 public:
  // Whether this process can build test networks: root, the `ip` and
  // `nsenter` tools present and network namespaces supported. Returns false
  // with the reason in *why.
  static bool Available(std::string* why);

  // Builds a new network. Returns null with the reason in *why on failure.
  static std::unique_ptr<TestNetwork> Create(std::string* why);

  // Stops every spawned program, then removes namespaces and scratch files.
  ~TestNetwork();

  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  const std::string& prefix() const { return prefix_; }
  std::string pc() const { return prefix_ + "pc"; }
  std::string vbx() const { return prefix_ + "vbx"; }
  std::string pcInterface() const { return prefix_ + "vpc0"; }
  std::string vbxInterface() const { return prefix_ + "vvbx0"; }

  // A directory for this network's files (logs, sockets); removed at the end.
  const std::string& scratchDir() const { return scratch_; }

  // Runs `ip` with `args`, inside namespace `ns` when it is not empty
  // (`ip -n NS ...`). Returns true when it exits with 0; its output goes to
  // *output.
  bool Ip(const std::string& ns, std::vector<std::string> args, std::string* output = nullptr) const;

  // Adds address `cidr` (e.g. "10.77.0.3/24") to interface `ifname` in `ns`.
  bool AddAddress(const std::string& ns, const std::string& ifname, const std::string& cidr) const;

  // Adds to `ns` an interface with address `cidr` that reaches nothing: one
  // end of a veth pair whose other end sits, up and without address, in an
  // otherwise empty namespace. With `first` the interface comes before the
  // main veth in the interface order (it gets a lower index), so it is the
  // first address a program lists. Returns the interface name, "" on failure.
  std::string AddDeadEndInterface(const std::string& ns, const std::string& cidr, bool first);

  // Adds a namespace <prefix><suffix> with only the loopback interface, up.
  // Returns its name, "" on failure.
  std::string AddNamespace(const std::string& suffix);

  // Starts a program in namespace `ns` with its output in
  // scratchDir()/<logName>.log. The network owns it and stops it at the end.
  // Returns null (and fails the test) when it cannot be started.
  SpawnedProcess* Spawn(const std::string& ns, const std::vector<std::string>& argv, const std::string& logName);

  // Stops every spawned program (SIGTERM, then SIGKILL to its group).
  void StopAll();

  // The logs of every spawned program, each headed by its name.
  std::string SpawnedLogs() const;

 private:
  explicit TestNetwork(std::string prefix) : prefix_(std::move(prefix)) {}
  bool Build(std::string* why);
  bool AllowPingSockets(const std::string& ns, std::string* why) const;
  void Teardown();

  std::string prefix_;
  std::string scratch_;
  std::vector<std::string> namespaces_;
  std::vector<std::unique_ptr<SpawnedProcess>> processes_;
  int extraLinks_ = 0;
  bool nilCreated_ = false;
};

}  // namespace sp::nettest
