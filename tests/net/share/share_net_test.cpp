// The NAS share mapping for real: the simulator formats with a NAS part and
// serves "Volume1" with smbd/nmbd in vbx; the netdock agent runs in pc and
// maps it (NetBIOS name lookup, smbnetfs, bind mount) under a temporary mount
// root; the wizard side is the ShareMapping with the Linux backends.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "devicelink/devicelink.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/linuxnetdockagent.h"
#include "platform/linux/linuxnetuse.h"
#include "platform/linux/nettools.h"
#include "platform/netmounts.h"
#include "tests/net/harness/networktest.h"
#include "tests/net/harness/runcommand.h"
#include "tests/net/harness/simulatorinnetwork.h"

namespace sp::nettest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ShareNetTest : public NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* tool : {"/usr/sbin/smbd", "/usr/sbin/nmbd", "/usr/bin/smbnetfs", "/usr/bin/nmblookup"}) {
      if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no FUSE";
    root_ = fs::canonical(net().scratchDir()).string() + "/share";
    for (const char* sub : {"home", "config", "run", "mnt", "smb"}) fs::create_directories(root_ + "/" + sub);
    chmod((root_ + "/run").c_str(), 0700);
    socket_ = root_ + "/run/NetDock";
    tree_ = socket_ + "-smbnetfs";
    mappings_ = root_ + "/config/netdock/mappings";
    // The simulator keeps its share where this test can look at it.
    setenv("VBX207_SIM_SMB_DIR", (root_ + "/smb").c_str(), 1);
    sim_ = StartSimulator(net(), {});
    ASSERT_NE(sim_, nullptr);
  }

  void TearDown() override {
    if (!root_.empty()) {
      if (agent_) LinuxNetDockAgent(socket_).Close();
      // Mappings and the smbnetfs tree outlive the agent by design: take them
      // down before the scratch folder goes (innermost first).
      const auto mounts = ParseMountInfo(ReadMountInfo());
      for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        if (it->mountPoint.rfind(root_ + "/", 0) == 0) umount2(it->mountPoint.c_str(), MNT_DETACH);
      }
      for (int i = 0; i < 100 && !ProcessesWithArgument(tree_).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      for (pid_t pid : ProcessesWithArgument(tree_)) kill(pid, SIGKILL);
      unsetenv("VBX207_SIM_SMB_DIR");
    }
    NetworkTest::TearDown();
  }

  std::string ShareDir() const { return root_ + "/smb/024b56000001/Volume1"; }
  std::string Letter(char lower) const { return root_ + "/mnt/" + lower; }

  // Command 8 from pc, as the final setup sends it.
  void Format(std::uint8_t nasPercent) {
    const int code = RunInNamespace(net().pc(), [&] {
      LinuxLocalAddresses addresses;
      DeviceLink link(addresses);
      std::uint8_t area[kReplyAreaSize] = {};
      const std::uint8_t payload[2] = {nasPercent, 2};
      return link.SendDeviceCommand(SimulatorMac(0).c_str(), kCmdStartDiskSetup, payload, 2, area) > 0 ? area[0] : -1;
    });
    ASSERT_EQ(code, kReplyAccepted);
  }

  // nmbd needs a few seconds to claim the appliance's name.
  bool NameAnswers(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
      const NetToolResult r = RunInNamespace(net().pc(), [] { return RunNetTool({"nmblookup", "VBX-207"}, 5000); });
      if (r.output.find("10.77.0.2 VBX-207<00>") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return false;
  }

  void FormatWithShare() {
    Format(50);
    ASSERT_TRUE(NameAnswers(30000)) << "the appliance's NAS name does not answer";
  }

  SpawnedProcess* StartAgent(const std::string& logName = "netdock") {
    SpawnedProcess* p =
        net().Spawn(net().pc(),
                    {"env", "HOME=" + root_ + "/home", "XDG_CONFIG_HOME=" + root_ + "/config",
                     "XDG_RUNTIME_DIR=" + root_ + "/run", SP_NETDOCK_PATH, "--mount-root", root_ + "/mnt"},
                    logName);
    LinuxNetDockAgent client(socket_);
    for (int i = 0; i < 200 && p && p->Running() && !client.Find(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    agent_ = p;
    return p;
  }

  // The wizard's side, run in pc: returns the NAS mapped flag.
  int MapNas(char letter) {
    return RunInNamespace(net().pc(), [&] {
      WizardState state;
      state.Clear();
      const char drive[3] = {letter, ':', 0};
      CopyBounded(state.nasDriveLetter, drive);
      CopyBounded(state.deviceHostName, u"VBX-207");
      state.nasMapped = 5;
      Wizard().mapping.MapNasShare(state);
      return static_cast<int>(state.nasMapped);
    });
  }

  struct WizardSide {
    WizardSide(const std::string& mountRoot, const std::string& mappings, const std::string& socket)
        : connections(mountRoot, mappings), netUse(mountRoot), agent(socket) {}
    LinuxNetConnections connections;
    LinuxNetUse netUse;
    LinuxNetDockAgent agent;
    ShareMapping mapping{connections, netUse, agent};
  };
  WizardSide& Wizard() {
    if (!wizard_) wizard_ = std::make_unique<WizardSide>(root_ + "/mnt", mappings_, socket_);
    return *wizard_;
  }

  // How many smbnetfs trees are mounted for this user.
  int Trees() {
    int n = 0;
    for (const MountEntry& m : ParseMountInfo(ReadMountInfo())) n += m.mountPoint == tree_;
    return n;
  }

  int Connection(const char* drive, std::string* remote = nullptr) {
    std::string r;
    const int result = LinuxNetConnections(root_ + "/mnt", mappings_).GetConnection(drive, &r);
    if (remote) *remote = r;
    return result;
  }

  static const MountEntry* MountAt(const std::vector<MountEntry>& mounts, const std::string& path) {
    return TopMountAt(mounts, path);
  }
  static bool Mounted(const std::string& path) { return TopMountAt(ParseMountInfo(ReadMountInfo()), path) != nullptr; }

  std::string root_, socket_, tree_, mappings_;
  std::unique_ptr<sim::SimClient> sim_;
  SpawnedProcess* agent_ = nullptr;
  std::unique_ptr<WizardSide> wizard_;
};

TEST_F(ShareNetTest, AgentMapsTheAppliancesShareAndTheClearingUnmapsIt) {
  FormatWithShare();
  ASSERT_NE(StartAgent(), nullptr);
  ASSERT_EQ(MapNas('Z'), 1);

  const auto mounts = ParseMountInfo(ReadMountInfo());
  const MountEntry* z = MountAt(mounts, Letter('z'));
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->fsType, "fuse.smbnetfs");
  EXPECT_EQ(z->root, "/10.77.0.2/Volume1");
  std::string remote;
  EXPECT_EQ(Connection("Z:", &remote), kNetNoError);
  EXPECT_EQ(remote, "\\\\VBX-207\\Volume1");
  EXPECT_NE(ReadFile(mappings_).find("Z:\t\\\\VBX-207\\Volume1\n"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/home/.smb/smbnetfs.conf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Files cross in both directions.
  std::ofstream(Letter('z') + "/from-pc.txt") << "written on the PC\n";
  EXPECT_EQ(ReadFile(ShareDir() + "/from-pc.txt"), "written on the PC\n");
  std::ofstream(ShareDir() + "/from-nas.txt") << "on the appliance\n";
  EXPECT_EQ(ReadFile(Letter('z') + "/from-nas.txt"), "on the appliance\n");

  // Clearing the letter (as the iSCSI attach does for its own) unmaps and
  // forgets; the data stays on the appliance.
  RunInNamespace(net().pc(), [&] { Wizard().mapping.ClearDriveLetter("Z:"); });
  EXPECT_FALSE(Mounted(Letter('z')));
  EXPECT_EQ(Connection("Z:"), kNetErrorNotConnected);
  EXPECT_TRUE(fs::exists(ShareDir() + "/from-pc.txt"));

  // Mapping again right away works, and so does a second letter from the
  // same smbnetfs tree.
  EXPECT_EQ(MapNas('Z'), 1);
  EXPECT_EQ(MapNas('Y'), 1);
  EXPECT_EQ(ReadFile(Letter('y') + "/from-nas.txt"), "on the appliance\n");
  EXPECT_EQ(Trees(), 1);
}

TEST_F(ShareNetTest, DroppingConnectionsTouchesNetworkMountsOnly) {
  FormatWithShare();
  ASSERT_NE(StartAgent(), nullptr);
  ASSERT_EQ(MapNas('Z'), 1);
  // A local volume on another letter.
  fs::create_directories(Letter('e'));
  ASSERT_EQ(mount("tmpfs", Letter('e').c_str(), "tmpfs", 0, "size=1m"), 0);
  LinuxNetConnections connections(root_ + "/mnt", mappings_);
  LinuxNetUse netUse(root_ + "/mnt");
  EXPECT_FALSE(netUse.DeleteUse("E:"));
  EXPECT_EQ(connections.CancelConnection("E:", true, true), kNetErrorNotConnected);
  EXPECT_TRUE(Mounted(Letter('e')));
  EXPECT_EQ(Connection("E:"), kNetErrorNotConnected);

  // Files open on the share: only a forced cancel takes it off.
  {
    std::ofstream open(Letter('z') + "/open.txt");
    open << "busy";
    open.flush();
    EXPECT_EQ(connections.CancelConnection("Z:", true, false), kNetErrorOpenFiles);
    EXPECT_TRUE(Mounted(Letter('z')));
    EXPECT_EQ(Connection("Z:"), kNetNoError);  // nothing forgotten either
    EXPECT_EQ(connections.CancelConnection("Z:", false, true), kNetNoError);
    EXPECT_FALSE(Mounted(Letter('z')));
  }
  // Dropped but still remembered: unavailable.
  EXPECT_EQ(Connection("Z:"), kNetErrorConnectionUnavail);

  // The delete command unmounts a mapping and leaves the list alone.
  const auto mapY = [&] {
    return LinuxNetDockAgent(socket_).SendRequest(kNetDockMapRequest, u"Y: \\\\10.77.0.2\\Volume1");
  };
  ASSERT_EQ(RunInNamespace(net().pc(), mapY), 1);
  EXPECT_TRUE(netUse.DeleteUse("y:"));
  EXPECT_FALSE(Mounted(Letter('y')));
  EXPECT_EQ(Connection("Y:"), kNetErrorConnectionUnavail);
  EXPECT_FALSE(netUse.DeleteUse("Y:"));  // nothing left to run it for
}

TEST_F(ShareNetTest, WithoutAgentTheFlagIsZeroAndNothingIsMounted) {
  FormatWithShare();
  EXPECT_EQ(MapNas('Z'), 0);
  EXPECT_FALSE(Mounted(Letter('z')));
  EXPECT_EQ(Connection("Z:"), kNetErrorNotConnected);
}

TEST_F(ShareNetTest, RememberedMappingIsRestoredOrRetriedUntilThere) {
  FormatWithShare();
  ASSERT_NE(StartAgent("netdock-1"), nullptr);
  ASSERT_EQ(MapNas('Z'), 1);
  std::ofstream(ShareDir() + "/kept.txt") << "still here\n";
  const auto end_session = [&] {
    // The agent ends with the wizard; the session's mounts go with the user's
    // logout, the remembered list stays.
    ASSERT_TRUE(LinuxNetDockAgent(socket_).Close());
    ASSERT_EQ(agent_->Wait(10000), 0);
    agent_ = nullptr;
    ASSERT_EQ(umount2(Letter('z').c_str(), 0), 0);
  };
  end_session();
  std::string remote;
  EXPECT_EQ(Connection("Z:", &remote), kNetErrorConnectionUnavail);

  // Next session, share still there: the agent maps it again as it starts.
  // (It answers requests only after that, so one request waits for it.)
  ASSERT_NE(StartAgent("netdock-2"), nullptr);
  EXPECT_EQ(LinuxNetDockAgent(socket_).SendRequest(kNetDockUnmapRequest, u"Q:"), 0);
  EXPECT_EQ(Connection("Z:", &remote), kNetNoError);
  EXPECT_EQ(ReadFile(Letter('z') + "/kept.txt"), "still here\n");
  // One smbnetfs tree, kept from the first agent.
  EXPECT_EQ(Trees(), 1);

  // The appliance is formatted without NAS part: the share goes.
  Format(0);
  end_session();
  ASSERT_NE(StartAgent("netdock-3"), nullptr);
  EXPECT_EQ(LinuxNetDockAgent(socket_).SendRequest(kNetDockUnmapRequest, u"Q:"), 0);
  EXPECT_EQ(Connection("Z:", &remote), kNetErrorConnectionUnavail);
  EXPECT_EQ(remote, "\\\\VBX-207\\Volume1");
  EXPECT_FALSE(Mounted(Letter('z')));

  // The share comes back while the agent runs: the agent, still trying in
  // the background, maps it without being asked.
  FormatWithShare();
  const auto end = Clock::now() + std::chrono::seconds(120);
  while (!Mounted(Letter('z')) && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Connection("Z:", &remote), kNetNoError);

  // The clearing forgets it.
  RunInNamespace(net().pc(), [&] { Wizard().mapping.ClearDriveLetter("Z:"); });
  EXPECT_EQ(Connection("Z:"), kNetErrorNotConnected);
}

TEST_F(ShareNetTest, OneAgentAtATimeAndTheCloseRequestEndsIt) {
  SpawnedProcess* first = StartAgent();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(LinuxNetDockAgent(socket_).Find());
  SpawnedProcess* second = net().Spawn(net().pc(),
                                       {"env", "HOME=" + root_ + "/home", "XDG_CONFIG_HOME=" + root_ + "/config",
                                        "XDG_RUNTIME_DIR=" + root_ + "/run", SP_NETDOCK_PATH},
                                       "netdock-second");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Wait(5000), 1);
  EXPECT_TRUE(first->Running());

  EXPECT_TRUE(RunInNamespace(net().pc(), [&] { return Wizard().mapping.CloseAgent(); }));
  EXPECT_EQ(first->Wait(5000), 0);
  agent_ = nullptr;
  EXPECT_FALSE(fs::exists(socket_));
  EXPECT_FALSE(RunInNamespace(net().pc(), [&] { return Wizard().mapping.CloseAgent(); }));
}

}  // namespace
}  // namespace sp::nettest
