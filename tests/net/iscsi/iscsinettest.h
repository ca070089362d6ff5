#pragma once
// Fixture for the initiator's network tests: the test network, a real tgtd
// target in the vbx namespace (the appliance's, named as the appliance names
// it, vendor "KORVA") and our initiator service in the pc namespace with all
// its paths in the network's scratch directory and short time limits.
#include <memory>
#include <string>
#include <vector>

#include "devtools/vbx207-sim/tgtvolume.h"
#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumes.h"
#include "tests/net/harness/networktest.h"

namespace sp::nettest {

// The name the appliance with MAC 02:4b:56:00:00:01 (the simulator's first) gives its target.
inline constexpr char kIscsiMac[] = "02:4b:56:00:00:01";
inline constexpr char kIscsiTarget[] = "iqn.2008-01.com.korva:storage.000001.1.sys";
inline constexpr std::uint64_t kLunBytes = 64ull << 20;

class IscsiNetTest : public NetworkTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the service (foreground, in pc) and waits until it answers.
  bool StartService();
  // SIGTERM; returns the exit status.
  int StopService();
  // Kills it without warning (SIGKILL).
  void KillService();

  // One request; the status, or -1 when the service gave no reply.
  long Call(const char* op, std::vector<std::pair<std::string, std::string>> fields = {},
            ControlMessage* reply = nullptr, int timeoutMs = 30000);
  // add_portal + ordinary login; the session id text.
  std::string AddPortalAndLogin();
  // Path of the LUN file of the appliance's target, once it is there.
  std::string WaitForLunFile(int timeoutMs = 15000);

  // Runs a program (argument vector, no shell); exit status, output kept.
  int Run(const std::vector<std::string>& argv, std::string* output = nullptr);

  // Every loop device attached to a file under the mount, detached; every
  // mount under the scratch directory undone (for teardown after failures).
  void CleanUpLoopsAndMounts();

  std::string socket_, mount_, state_, pidFile_;
  std::string drives_;  // the service's drive root: X: is <drives_>/x
  std::unique_ptr<sim::TgtVolume> tgt_;
  SpawnedProcess* service_ = nullptr;
  std::unique_ptr<IscsiControlClient> client_;
};

// The Linux storage backends as the program joins them, over the service
// at `serviceSocket` and its LUN files in `lunFolder`; drive letters are the
// folders under `driveRoot` (X: is <driveRoot>/x).
struct LinuxStorageStack {
  LinuxStorageStack(const std::string& serviceSocket, const std::string& lunFolder, const std::string& driveRoot)
      : disks(lunFolder),
        letters(driveRoot),
        control(letters),
        volumes(letters, control, disks),
        enumerator(volumes),
        initiator(serviceSocket, disks, enumerator) {}

  LinuxBlockDevices disks;
  LinuxDriveLetters letters;
  LinuxVolumeControl control;
  LinuxVolumes volumes;
  LinuxVolumeEnumerator enumerator;
  LinuxIscsiInitiator initiator;
};

// The service program of this build.
const char* IscsidPath();

}  // namespace sp::nettest
