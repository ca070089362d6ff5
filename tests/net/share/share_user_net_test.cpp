// The share mapped for a desktop user who is not root: the agent runs as an
// unprivileged user in pc, the root service (setuppilot-iscsid) hands it the
// letter's folder, and the user's own smbnetfs shows the appliance's share
// there. Without kernel CIFS here, that is the way the share goes.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "devicelink/devicelink.h"
#include "platform/linux/iscsicontrolclient.h"
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
constexpr const char* kUser = "sp-share";

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

class ShareUserNetTest : public NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* tool : {"/usr/sbin/smbd", "/usr/bin/smbnetfs", "/usr/bin/setpriv", "/usr/sbin/useradd"}) {
      if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
    }
    if (!getpwnam(kUser)) RunCommand({"useradd", "-M", "-r", "-s", "/usr/sbin/nologin", kUser});
    const passwd* pw = getpwnam(kUser);
    ASSERT_NE(pw, nullptr) << "cannot make the user " << kUser;
    uid_ = pw->pw_uid;
    gid_ = pw->pw_gid;
    // FUSE for everyone, as udev sets it up on a desktop.
    struct stat fuse {};
    ASSERT_EQ(stat("/dev/fuse", &fuse), 0);
    fuseMode_ = fuse.st_mode & 0777;
    chmod("/dev/fuse", 0666);

    const std::string scratch = fs::canonical(net().scratchDir()).string();
    chmod(scratch.c_str(), 0711);
    root_ = scratch + "/user";
    for (const char* sub : {"home", "config", "run", "mnt", "smb", "svc"}) fs::create_directories(root_ + "/" + sub);
    for (const char* sub : {"", "/mnt", "/svc"}) chmod((root_ + sub).c_str(), 0755);
    for (const char* sub : {"/home", "/config", "/run"}) {
      ASSERT_EQ(chown((root_ + sub).c_str(), uid_, gid_), 0);
      chmod((root_ + sub).c_str(), 0700);
    }
    socket_ = root_ + "/run/NetDock";
    service_ = root_ + "/svc/control.sock";
    // Y: is on record as this user's mapping (from an earlier, authorised
    // one): bringing it back asks nobody. Nothing else is allowed to them.
    std::ofstream(root_ + "/svc/shares") << "shares v=1\nshare uid=" << uid_
                                         << " letter=y host=VBX-207 share=Volume1\n";
    setenv("VBX207_SIM_SMB_DIR", (root_ + "/smb").c_str(), 1);
    sim_ = StartSimulator(net(), {});
    ASSERT_NE(sim_, nullptr);
  }

  void TearDown() override {
    if (!root_.empty()) {
      if (agent_) AsUser([&] { return LinuxNetDockAgent(socket_).Close() ? 0 : 1; });
      const auto mounts = ParseMountInfo(ReadMountInfo());
      for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        if (it->mountPoint.rfind(root_ + "/", 0) == 0) umount2(it->mountPoint.c_str(), MNT_DETACH);
      }
      for (pid_t pid : ProcessesWithArgument(root_ + "/mnt/y")) kill(pid, SIGKILL);
      unsetenv("VBX207_SIM_SMB_DIR");
      chmod("/dev/fuse", fuseMode_);
    }
    NetworkTest::TearDown();
  }

  // Runs `fn` in a child process as the user; its result is the exit status.
  int AsUser(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (setgroups(0, nullptr) != 0 || setresgid(gid_, gid_, gid_) != 0 || setresuid(uid_, uid_, uid_) != 0) _exit(99);
      _exit(fn());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  void StartService() {
    SpawnedProcess* p =
        net().Spawn(net().pc(),
                    {SP_ISCSID_PATH, "--foreground", "--socket", service_, "--mount", root_ + "/svc/disks", "--state",
                     root_ + "/svc/state", "--pidfile", root_ + "/svc/pid", "--drive-root", root_ + "/mnt"},
                    "iscsid");
    ASSERT_NE(p, nullptr);
    IscsiControlClient client(service_);
    for (int i = 0; i < 200 && p->Running(); ++i) {
      if (client.Call({IscsiControlClient::Request(iscsictl::op::kPing)}, 1000)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    FAIL() << "the service did not answer";
  }

  void StartAgent() {
    agent_ = net().Spawn(
        net().pc(),
        {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_), "--clear-groups", "env",
         "HOME=" + root_ + "/home", "XDG_CONFIG_HOME=" + root_ + "/config", "XDG_RUNTIME_DIR=" + root_ + "/run",
         SP_NETDOCK_PATH, "--mount-root", root_ + "/mnt", "--service-socket", service_},
        "netdock-user");
    ASSERT_NE(agent_, nullptr);
    for (int i = 0; i < 200 && agent_->Running() && !fs::exists(socket_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
  }

  void FormatWithShare() {
    const int code = RunInNamespace(net().pc(), [&] {
      LinuxLocalAddresses addresses;
      DeviceLink link(addresses);
      std::uint8_t area[kReplyAreaSize] = {};
      const std::uint8_t payload[2] = {50, 2};
      return link.SendDeviceCommand(SimulatorMac(0).c_str(), kCmdStartDiskSetup, payload, 2, area) > 0 ? area[0] : -1;
    });
    ASSERT_EQ(code, kReplyAccepted);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      const NetToolResult r = RunInNamespace(net().pc(), [] { return RunNetTool({"nmblookup", "VBX-207"}, 5000); });
      if (r.output.find("10.77.0.2 VBX-207<00>") != std::string::npos) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    FAIL() << "the appliance's NAS name does not answer";
  }

  int Map(const char16_t* request) {
    return AsUser(
        [&] { return static_cast<int>(LinuxNetDockAgent(socket_).SendRequest(kNetDockMapRequest, request)); });
  }
  const MountEntry* Top(char letter) {
    mounts_ = ParseMountInfo(ReadMountInfo());
    return TopMountAt(mounts_, root_ + "/mnt/" + letter);
  }

  std::string root_, socket_, service_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  mode_t fuseMode_ = 0600;
  std::unique_ptr<sim::SimClient> sim_;
  SpawnedProcess* agent_ = nullptr;
  std::vector<MountEntry> mounts_;
};

TEST_F(ShareUserNetTest, UserAgentMapsTheShareAsItsOwnAndTakesItAway) {
  FormatWithShare();
  StartService();
  StartAgent();
  ASSERT_EQ(Map(u"Y: \\\\VBX-207\\Volume1"), 1) << net().SpawnedLogs();
  const MountEntry* y = Top('y');
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(y->fsType, "fuse.smbnetfs");
  EXPECT_EQ(RemoteOfMount(*y), "\\\\10.77.0.2\\Volume1");

  // The user's files, on the PC and on the appliance. (FUSE lets only the
  // user who mounted in, not even root: the user looks.)
  const std::string file = root_ + "/mnt/y/by-user.txt";
  const auto ownedByUser = [&] {
    if (!(std::ofstream(file) << "from the desktop user\n")) return 1;
    struct stat f {
    }, d{};
    if (stat(file.c_str(), &f) != 0 || stat((root_ + "/mnt/y").c_str(), &d) != 0) return 2;
    std::printf("stat %s: uid %u gid %u mode %o; folder uid %u mode %o\n", file.c_str(), f.st_uid, f.st_gid,
                f.st_mode & 07777, d.st_uid, d.st_mode & 07777);
    std::fflush(stdout);
    return f.st_uid == getuid() && f.st_gid == getgid() && d.st_uid == getuid() ? 0 : 3;
  };
  EXPECT_EQ(AsUser(ownedByUser), 0);
  EXPECT_EQ(ReadFile(root_ + "/smb/024b56000001/Volume1/by-user.txt"), "from the desktop user\n");

  // A letter not on record needs an authority; without a policy service
  // the user gets none, and nothing is made there.
  EXPECT_EQ(Map(u"X: \\\\VBX-207\\Volume1"), 0);
  EXPECT_EQ(Top('x'), nullptr);
  EXPECT_FALSE(fs::exists(root_ + "/mnt/x"));

  // The wizard's "delete" as the user: the mount goes, the mapping and the
  // service's record stay.
  EXPECT_EQ(
      AsUser([&] { return LinuxNetUse(root_ + "/mnt", 30000, "/proc/self/mountinfo", service_).DeleteUse("Y:"); }), 1);
  EXPECT_EQ(Top('y'), nullptr);
  EXPECT_NE(ReadFile(root_ + "/svc/shares").find("letter=y"), std::string::npos);
  // Mapped again without asking anyone, then unmapped for good.
  ASSERT_EQ(Map(u"Y: \\\\VBX-207\\Volume1"), 1);
  EXPECT_EQ(AsUser([&] { return ReadFile(file) == "from the desktop user\n" ? 0 : 1; }), 0);
  EXPECT_EQ(
      AsUser([&] { return static_cast<int>(LinuxNetDockAgent(socket_).SendRequest(kNetDockUnmapRequest, u"Y:")); }), 1);
  EXPECT_EQ(Top('y'), nullptr);
  EXPECT_EQ(ReadFile(root_ + "/svc/shares").find("letter=y"), std::string::npos);
  EXPECT_EQ(Map(u"Y: \\\\VBX-207\\Volume1"), 0) << "the record went with the mapping";
}

}  // namespace
}  // namespace sp::nettest
