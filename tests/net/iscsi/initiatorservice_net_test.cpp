// The initiator presence check on Linux and the installer the wizard offers:
// not installed, installed and started by the script, stopped and started
// again by the check. Runs the real service (FUSE mount; root).
#include "platform/linux/linuxinitiatorservice.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/net/harness/runcommand.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp {
namespace {

class InitiatorServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the service mounts its LUN directory: root only";
    dir_ = std::filesystem::temp_directory_path() / ("sp-service-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    program_ = (dir_ / "sbin" / "setuppilot-iscsid").string();
    socket_ = (dir_ / "control.sock").string();
    pidFile_ = (dir_ / "iscsid.pid").string();
    args_ = {"--mount", (dir_ / "disks").string(), "--state", (dir_ / "state").string(), "--pidfile", pidFile_};
  }
  void TearDown() override {
    if (dir_.empty()) return;
    StopDaemon();
    std::filesystem::remove_all(dir_);
  }

  void StopDaemon() {
    std::ifstream in(pidFile_);
    pid_t pid = 0;
    if (!(in >> pid) || pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  int RunInstaller(std::string* output) {
    std::string args = "--socket " + socket_;
    for (const auto& a : args_) args += " " + a;
    setenv("SETUPPILOT_ISCSID_DEST", program_.c_str(), 1);
    setenv("SETUPPILOT_ISCSID_ARGS", args.c_str(), 1);
    const int status = nettest::RunCommand({SP_INSTALLER_PATH, nettest::IscsidPath()}, output);
    unsetenv("SETUPPILOT_ISCSID_DEST");
    unsetenv("SETUPPILOT_ISCSID_ARGS");
    return status;
  }

  std::filesystem::path dir_;
  std::string program_, socket_, pidFile_;
  std::vector<std::string> args_;
};

TEST_F(InitiatorServiceTest, MissingThenInstalledThenStartedByTheCheck) {
  LinuxInitiatorService service(program_, socket_, args_);
  EXPECT_FALSE(service.IsInstalled());
  EXPECT_FALSE(service.IsRunning());
  EXPECT_FALSE(service.Start()) << "nothing to start before it is installed";

  std::string output;
  ASSERT_EQ(RunInstaller(&output), 0) << output;
  EXPECT_TRUE(service.IsInstalled());
  struct stat st {};
  ASSERT_EQ(stat(program_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  EXPECT_TRUE(service.IsRunning()) << "the installer starts it: " << output;
  ASSERT_EQ(RunInstaller(&output), 0) << "running it again is harmless: " << output;
  EXPECT_NE(output.find("already running"), std::string::npos);

  // Installed but stopped: the check starts it and it answers at once.
  StopDaemon();
  EXPECT_FALSE(service.IsRunning());
  EXPECT_TRUE(service.Start());
  EXPECT_TRUE(service.IsRunning());
  EXPECT_TRUE(service.Start()) << "a running service is left alone";
}

// Installed from a package (no systemd here): the installer finds the
// service under its own prefix and starts it in place, copying nothing.
TEST_F(InitiatorServiceTest, PackagedServiceIsStartedWhereItIs) {
  namespace fs = std::filesystem;
  if (fs::exists("/run/systemd/system")) GTEST_SKIP() << "systemd runs here: the installer would enable the unit";
  const fs::path prefix = dir_ / "usr";
  fs::create_directories(prefix / "sbin");
  fs::create_directories(prefix / "share" / "setuppilot" / "resource");
  const fs::path installer = prefix / "share" / "setuppilot" / "resource" / "install-iscsi-initiator.sh";
  fs::copy_file(SP_INSTALLER_PATH, installer);
  fs::copy_file(nettest::IscsidPath(), prefix / "sbin" / "setuppilot-iscsid");
  std::string args = "--socket " + socket_;
  for (const auto& a : args_) args += " " + a;
  setenv("SETUPPILOT_ISCSID_ARGS", args.c_str(), 1);
  std::string output;
  const int status = nettest::RunCommand({"/bin/sh", installer.string()}, &output);
  unsetenv("SETUPPILOT_ISCSID_ARGS");
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find((prefix / "sbin" / "setuppilot-iscsid").string() + " started"), std::string::npos) << output;
  EXPECT_TRUE(LinuxInitiatorService((prefix / "sbin" / "setuppilot-iscsid").string(), socket_, args_).IsRunning());
  EXPECT_FALSE(fs::exists(program_)) << "nothing was copied";
}

}  // namespace
}  // namespace sp
