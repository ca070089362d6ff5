// The service's polkit gate and setup lease with a real polkitd on a
// private system bus, and the requests made by real processes of ordinary
// users: allowed, refused, kept out while another user's setup runs, and
// let in once that process has gone.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxinitiatorservice.h"
#include "tests/net/harness/policybus.h"
#include "tests/net/harness/runcommand.h"
#include "tests/net/harness/spawnedprocess.h"

namespace sp::nettest {
namespace {

namespace fs = std::filesystem;
using namespace iscsictl;

constexpr char kAllowed[] = "sp-polkit", kAllowedToo[] = "sp-polkit2";
// Commands for a UserProcess: the wizard's BeginSetup, and the wizard's end.
constexpr char kWizardBegin[] = "wizard_begin", kWizardEnd[] = "wizard_end";

// A process of `user` that makes control requests on command, so that one
// process can hold the lease across several of them.
class UserProcess {
 public:
  UserProcess(const std::string& user, const std::string& socket) {
    const passwd* pw = getpwnam(user.c_str());
    if (!pw || pipe(toChild_) != 0 || pipe(fromChild_) != 0) return;
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    pid_ = fork();
    if (pid_ != 0) return;
    close(toChild_[1]);
    close(fromChild_[0]);
    if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0) _exit(1);
    IscsiControlClient client(socket);
    std::optional<LinuxInitiatorService> wizard;  // the wizard's side of the lease
    char name[64];
    for (ssize_t n; (n = read(toChild_[0], name, sizeof name - 1)) > 0;) {
      name[n] = 0;
      if (std::string(name) == "exit") break;  // other users' processes hold our pipe open too
      if (std::string(name) == kWizardBegin || std::string(name) == kWizardEnd) {
        if (!wizard) wizard.emplace(SP_ISCSID_PATH, socket);
        int answer = 0;
        if (std::string(name) == kWizardBegin) answer = static_cast<int>(wizard->BeginSetup());
        if (std::string(name) == kWizardEnd) wizard.reset();
        if (write(fromChild_[1], &answer, sizeof answer) != sizeof answer) _exit(1);
        continue;
      }
      ControlRecord request = IscsiControlClient::Request(name);
      if (std::string(name) == op::kSetNodeName) request.Set("name", "iqn.2024-01.org.setuppilot:" + user);
      const auto reply = client.Call({request}, 60000);
      const int status = reply ? static_cast<int>((*reply)[0].GetU64Or("status", 999)) : -1;
      if (write(fromChild_[1], &status, sizeof status) != sizeof status) _exit(1);
    }
    _exit(0);
  }
  ~UserProcess() { Exit(); }

  // The reply's status; -1 without one.
  int Ask(const char* op) {
    int status = -2;
    if (pid_ <= 0 || write(toChild_[1], op, strlen(op)) < 0 || read(fromChild_[0], &status, sizeof status) <= 0) {
      return -2;
    }
    return status;
  }
  void Exit() {
    if (pid_ <= 0) return;
    if (write(toChild_[1], "exit", 4) < 0) kill(pid_, SIGKILL);
    close(toChild_[1]);
    close(fromChild_[0]);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int toChild_[2] = {-1, -1};
  int fromChild_[2] = {-1, -1};
};

class PolkitNetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root (polkitd, mount namespaces, the service's FUSE folder)";
    for (const char* user : {kAllowed, kAllowedToo}) {
      // Another test may hold the password file's lock for a moment.
      for (int attempt = 0; attempt < 5 && !getpwnam(user); ++attempt) {
        if (RunCommand({"useradd", "-M", "-r", "-s", "/usr/sbin/nologin", user}) != 0) sleep(1);
      }
      ASSERT_TRUE(getpwnam(user)) << "cannot create the test user " << user;
    }
    std::string why;
    bus_ = PolicyBus::Start(PolicyBus::AllowOnly("org.setuppilot.", {kAllowed, kAllowedToo}), {SP_POLICY_FILE}, &why);
    ASSERT_TRUE(bus_) << why;
    dir_ = fs::temp_directory_path() / ("sp-polkit-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    socket_ = (dir_ / "control.sock").string();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus_->address().c_str(), 1);
    service_ = SpawnedProcess::Start(
        "",
        {SP_ISCSID_PATH, "--foreground", "--socket", socket_, "--mount", (dir_ / "disks").string(), "--state",
         (dir_ / "state").string(), "--pidfile", (dir_ / "pid").string(), "--drive-root", (dir_ / "drives").string()},
        (dir_ / "service.log").string(), &why);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    ASSERT_TRUE(service_) << why;
    IscsiControlClient probe(socket_);
    for (int i = 0; i < 100 && !probe.Call({IscsiControlClient::Request(op::kPing)}, 1000); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  void TearDown() override {
    if (service_) {
      EXPECT_EQ(service_->Stop(), 0) << service_->ReadLog();
    }
    service_.reset();
    bus_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string NodeName() {
    IscsiControlClient client(socket_);
    const auto reply = client.Call({IscsiControlClient::Request(op::kNodeName)}, 5000);
    return reply ? (*reply)[0].Get("name") : "";
  }

  std::unique_ptr<PolicyBus> bus_;
  std::unique_ptr<SpawnedProcess> service_;
  fs::path dir_;
  std::string socket_;
};

TEST_F(PolkitNetTest, PolkitKnowsOurActionsAndAnswersPerUser) {
  std::string output;
  ASSERT_EQ(RunCommand({"env", bus_->EnvironmentEntry(), "pkaction", "--verbose", "--action-id",
                        "org.setuppilot.setup-appliance"},
                       &output),
            0)
      << output << bus_->Logs();
  EXPECT_NE(output.find("Set up a network storage appliance's drives on this computer"), std::string::npos);
  EXPECT_NE(output.find("implicit active:   auth_admin_keep"), std::string::npos) << output;

  UserProcess nobody("nobody", socket_);
  EXPECT_EQ(nobody.Ask(op::kBeginSetup), kNotAuthorised) << service_->ReadLog();
  EXPECT_EQ(nobody.Ask(op::kSetNodeName), kNotAuthorised);
  EXPECT_EQ(nobody.Ask(op::kPortals), kOk);  // reading stays free
  const std::string before = NodeName();
  EXPECT_EQ(before.find("sp-polkit"), std::string::npos);

  UserProcess allowed(kAllowed, socket_);
  EXPECT_EQ(allowed.Ask(op::kBeginSetup), kOk) << service_->ReadLog() << bus_->Logs();
  EXPECT_EQ(allowed.Ask(op::kSetNodeName), kOk);
  EXPECT_EQ(NodeName(), "iqn.2024-01.org.setuppilot:sp-polkit");
  EXPECT_EQ(allowed.Ask(op::kEndSetup), kOk);
}

TEST_F(PolkitNetTest, OneSetupAtATimeUntilItsProcessEnds) {
  UserProcess first(kAllowed, socket_);
  UserProcess second(kAllowedToo, socket_);
  ASSERT_EQ(first.Ask(op::kBeginSetup), kOk) << service_->ReadLog() << bus_->Logs();
  EXPECT_EQ(second.Ask(op::kBeginSetup), kSetupInProgress);
  EXPECT_EQ(second.Ask(op::kSetNodeName), kSetupInProgress);
  EXPECT_EQ(second.Ask(op::kSessions), kOk);
  EXPECT_EQ(NodeName().find("sp-polkit2"), std::string::npos);

  first.Exit();  // without end_setup: the service notices it has gone
  EXPECT_EQ(second.Ask(op::kBeginSetup), kOk);
  EXPECT_EQ(second.Ask(op::kSetNodeName), kOk);
  EXPECT_EQ(NodeName(), "iqn.2024-01.org.setuppilot:sp-polkit2");
}

TEST_F(PolkitNetTest, TheWizardsAnswersAndItsEndGivesTheLeaseBack) {
  UserProcess nobody("nobody", socket_);
  UserProcess first(kAllowed, socket_);
  UserProcess second(kAllowedToo, socket_);
  EXPECT_EQ(nobody.Ask(kWizardBegin), static_cast<int>(SetupPermission::Refused));
  EXPECT_EQ(first.Ask(kWizardBegin), static_cast<int>(SetupPermission::Granted));
  EXPECT_EQ(second.Ask(kWizardBegin), static_cast<int>(SetupPermission::OtherUserSetup));
  first.Ask(kWizardEnd);  // the wizard ends; its process stays
  EXPECT_EQ(second.Ask(kWizardBegin), static_cast<int>(SetupPermission::Granted));
}

}  // namespace
}  // namespace sp::nettest
