// The program's real backends: every service the pages need is there, over
// the paths they are given; the share-mapping agent (the real netdock
// program) is started when none runs, and told to end when the wizard's
// window goes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/cmaindlg.h"
#include "app/ilanguagecontrol.h"
#include "app/linuxwizardbackends.h"
#include "base/text.h"
#include "pages/disk/core/setuprecord.h"
#include "platform/appliancememory.h"
#include "platform/linux/linuxnetdockagent.h"

namespace sp {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST(LinuxWizardBackends, WizardEndingLeavesAnAgentThatRanBeforeIt) {
  const auto dir = std::filesystem::temp_directory_path() / ("sp-backends-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "mnt");
  ::chmod(dir.c_str(), 0700);
  // The agent's socket lives in the user's runtime directory.
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  const std::string socket = NetDockSocketPath();
  ASSERT_EQ(socket, (dir / "NetDock").string());

  const pid_t agent = fork();
  if (agent == 0) {
    execl(SP_NETDOCK_PATH, "netdock", "--socket", socket.c_str(), "--mount-root", (dir / "mnt").c_str(), "--no-restore",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  LinuxNetDockAgent probe(socket);
  ASSERT_TRUE(WaitFor([&] { return probe.Find(); }, 10s));

  {
    SelectorLanguageControl language(SP_PROGRAM_DIR);
    LinuxWizardBackends backends(language, SP_PROGRAM_DIR);
    EXPECT_EQ(backends.Services().shareAgent, nullptr) << "the wizard started no agent, so it ends none";
    CMainDlg wizard(backends.Services());
    wizard.show();
  }
  // Started as at login, it stays to bring the mappings back.
  EXPECT_FALSE(WaitFor([&] { return waitpid(agent, nullptr, WNOHANG) == agent; }, 500ms));
  EXPECT_TRUE(probe.Find());
  probe.Close();
  if (!WaitFor([&] { return waitpid(agent, nullptr, WNOHANG) == agent; }, 10s)) {
    kill(agent, SIGKILL);
    waitpid(agent, nullptr, 0);
  }
  std::filesystem::remove_all(dir);
}

TEST(LinuxWizardBackends, StartTheAgentAndServeEveryPageOverTheGivenPaths) {
  const auto dir = std::filesystem::temp_directory_path() / ("sp-backends-start-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  ::chmod(dir.c_str(), 0700);
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // what the started agent restores
  LinuxNetDockAgent probe((dir / "NetDock").string());
  ASSERT_FALSE(probe.Find());

  LinuxWizardBackends::Options options;
  options.programDir = SP_PROGRAM_DIR;
  options.driveRoot = (dir / "mnt").string();
  options.initiatorProgram = (dir / "no-such-service").string();
  options.initiatorSocket = (dir / "iscsi.sock").string();
  options.lunFolder = (dir / "disks").string();
  options.agentSocket = (dir / "NetDock").string();
  options.rememberedConnections = (dir / "mappings").string();
  {
    SelectorLanguageControl language(SP_PROGRAM_DIR);
    LinuxWizardBackends backends(language, options);
    EXPECT_TRUE(backends.AgentAnswers());
    EXPECT_TRUE(probe.Find()) << "the agent was started from the program's folder";

    WizardServices& s = backends.Services();
    const DiskPageServices& disk = s.diskPage;
    const FinalPageServices& finalPage = s.finalPage;
    for (const void* service :
         {static_cast<const void*>(s.language), static_cast<const void*>(s.messageBox),
          static_cast<const void*>(s.shareAgent), static_cast<const void*>(s.checkPage.adapterLink),
          static_cast<const void*>(s.configPage.link), static_cast<const void*>(s.configPage.iscsiInterpreter),
          static_cast<const void*>(disk.link), static_cast<const void*>(disk.driveLetters),
          static_cast<const void*>(disk.netConnections), static_cast<const void*>(disk.initiatorService),
          static_cast<const void*>(disk.launcher), static_cast<const void*>(finalPage.link),
          static_cast<const void*>(finalPage.iscsiInterpreter), static_cast<const void*>(finalPage.diskPreparation),
          static_cast<const void*>(finalPage.shareMapping), static_cast<const void*>(finalPage.desktopShell)}) {
      EXPECT_NE(service, nullptr);
    }
    // The UI thread's link keeps events flowing while it waits, the
    // workers' only sleeps; the pages clean and attach with one interpreter.
    EXPECT_EQ(s.configPage.link, disk.link);
    EXPECT_NE(disk.link, finalPage.link);
    EXPECT_EQ(s.checkPage.adapterLink, finalPage.link);
    EXPECT_EQ(s.configPage.iscsiInterpreter, finalPage.iscsiInterpreter);
    EXPECT_EQ(s.programDir, SP_PROGRAM_DIR);
    EXPECT_EQ(disk.driveLetters->MountPoint('X'), (dir / "mnt" / "x").string());
    EXPECT_EQ(disk.driveLetters->LogicalDrives(), 0u) << "nothing is mounted under the given root";
    EXPECT_FALSE(disk.initiatorService->IsInstalled());
    EXPECT_FALSE(disk.initiatorService->IsRunning());
    EXPECT_EQ(finalPage.pausePercent, 100) << "the program's own pauses";
    EXPECT_FALSE(finalPage.setUpDone) << "no appliance file given: nothing is remembered";
    EXPECT_EQ(disk.applianceMemory, nullptr);

    CMainDlg wizard(s);
    wizard.show();
  }
  EXPECT_TRUE(WaitFor([&] { return !probe.Find(); }, 10s)) << "the wizard's end told the agent to end";
  if (probe.Find()) probe.Close();
  unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(dir);
}

TEST(LinuxWizardBackends, ASetUpThatEndsInTheSummaryIsRememberedForTheListAndTheDiskPage) {
  const auto dir = std::filesystem::temp_directory_path() / ("sp-backends-memory-" + std::to_string(getpid()));
  LinuxWizardBackends::Options options;
  options.programDir = SP_PROGRAM_DIR;
  options.startAgent = false;
  options.agentSocket = (dir / "NetDock").string();
  options.applianceMemory = (dir / "state" / "appliances").string();
  SelectorLanguageControl language(SP_PROGRAM_DIR);
  LinuxWizardBackends backends(language, options);
  WizardServices& s = backends.Services();
  ASSERT_TRUE(s.finalPage.setUpDone);
  ASSERT_EQ(s.configPage.applianceMemory, s.diskPage.applianceMemory);
  WizardState state{};
  CopyBounded(state.targetMac, "02:4b:56:00:00:07");
  s.finalPage.setUpDone(state);
  const auto remembered = s.diskPage.applianceMemory->Find("02:4b:56:00:00:07");
  ASSERT_TRUE(remembered);
  EXPECT_EQ(remembered->date, LocalDay());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sp
