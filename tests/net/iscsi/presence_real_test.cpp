// The initiator gate over the real parts: our initiator service (FUSE, so
// root only), the installer script from the program's resource folder
// started by the real launcher (no graphical session here, so without a
// terminal, and as root without pkexec), and No ending a real process that
// carries the installer's path.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "framework/core/fakemessagebox.h"
#include "hoststorage/presence/initiatorpresence.h"
#include "platform/linux/linuxinitiatorservice.h"
#include "platform/linux/linuxprocesslauncher.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

class RealInitiatorGate : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the initiator service mounts its LUN folder: root only";
    installer_ = InitiatorInstallerPath(SP_PROGRAM_DIR);
    if (!fs::exists(installer_) || !fs::exists(fs::path(SP_PROGRAM_DIR) / "setuppilot-iscsid")) {
      GTEST_SKIP() << "the service and its installer are not built";
    }
    dir_ = fs::temp_directory_path() / ("sp-gate-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    program_ = (dir_ / "sbin" / "setuppilot-iscsid").string();
    socket_ = (dir_ / "control.sock").string();
    pidFile_ = (dir_ / "iscsid.pid").string();
    args_ = {"--mount", (dir_ / "disks").string(), "--state", (dir_ / "state").string(), "--pidfile", pidFile_};
    // What the launched installer inherits: where to install, how to start.
    std::string args = "--socket " + socket_;
    for (const auto& a : args_) args += " " + a;
    setenv("SETUPPILOT_ISCSID_DEST", program_.c_str(), 1);
    setenv("SETUPPILOT_ISCSID_ARGS", args.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }

  void TearDown() override {
    unsetenv("SETUPPILOT_ISCSID_DEST");
    unsetenv("SETUPPILOT_ISCSID_ARGS");
    if (dir_.empty()) return;
    std::ifstream in(pidFile_);
    pid_t pid = 0;
    if (in >> pid && pid > 0) {
      kill(pid, SIGTERM);
      for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    fs::remove_all(dir_);
  }

  // Waits (bounded) until no process carries the installer's path.
  bool InstallerGone(LinuxProcessLauncher& launcher, int ms = 60000) {
    for (int waited = 0; waited < ms; waited += 50) {
      if (launcher.FindByArgument(installer_).empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  std::string installer_;
  fs::path dir_;
  std::string program_, socket_, pidFile_;
  std::vector<std::string> args_;
};

TEST_F(RealInitiatorGate, YesRunsTheInstallerAndTheNextConfirmationPasses) {
  LinuxInitiatorService service(program_, socket_, args_);
  LinuxProcessLauncher launcher;
  FakeMessageBox box;
  box.answers = {MessageResult::Yes};
  InitiatorPresence presence(service, launcher, box, installer_);
  ASSERT_FALSE(service.IsInstalled());
  EXPECT_EQ(presence.InstallerCommand(), (std::vector<std::string>{"/bin/sh", installer_}));

  // The installer is started and not waited for; whether it is already done
  // when the gate checks again is a matter of timing.
  const InitiatorGateResult first = presence.RunGate("missing");
  EXPECT_NE(first, InitiatorGateResult::Declined);
  EXPECT_EQ(box.shown.size(), 1u);
  ASSERT_TRUE(InstallerGone(launcher));

  EXPECT_EQ(presence.RunGate("missing"), InitiatorGateResult::Present);
  EXPECT_TRUE(service.IsInstalled());
  EXPECT_TRUE(service.IsRunning());
  EXPECT_EQ(box.shown.size(), 1u) << "no second question once it is there";
}

TEST_F(RealInitiatorGate, NoEndsTheRunningInstaller) {
  LinuxInitiatorService service(program_, socket_, args_);
  LinuxProcessLauncher launcher;
  // A stand-in installer that waits, carrying the installer's path as its
  // name ($0), as the real one does among its arguments.
  const long pid = launcher.Start({"sh", "-c", "sleep 60; :", installer_});
  ASSERT_GT(pid, 0);
  ASSERT_FALSE(launcher.FindByArgument(installer_).empty());

  FakeMessageBox box;
  box.answers = {MessageResult::No};
  InitiatorPresence presence(service, launcher, box, installer_);
  EXPECT_EQ(presence.RunGate("missing"), InitiatorGateResult::Declined);
  EXPECT_TRUE(InstallerGone(launcher, 5000));
  EXPECT_FALSE(service.IsInstalled());
}

}  // namespace
}  // namespace sp
