// The program's real backends: when the wizard's window goes, a running
// share-mapping agent (the real netdock program) is told to end.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/linuxwizardbackends.h"
#include "platform/linux/linuxnetdockagent.h"
#include "shell/cmaindlg.h"
#include "shell/ilanguagecontrol.h"

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

TEST(LinuxWizardBackends, WizardEndingClosesTheRunningAgent) {
  const auto dir = std::filesystem::temp_directory_path() / ("sp-backends-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "mnt");
  ::chmod(dir.c_str(), 0700);
  // The agent's socket lives in the user's runtime directory.
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  const std::string socket = NetDockSocketPath();
  ASSERT_EQ(socket, (dir / "NetDock").string());

  const pid_t agent = fork();
  if (agent == 0) {
    execl(SP_NETDOCK_PATH, "netdock", "--socket", socket.c_str(), "--mount-root", (dir / "mnt").c_str(),
          "--no-restore", static_cast<char*>(nullptr));
    _exit(127);
  }
  LinuxNetDockAgent probe(socket);
  ASSERT_TRUE(WaitFor([&] { return probe.Find(); }, 10s));

  {
    SelectorLanguageControl language(SP_PROGRAM_DIR);
    LinuxWizardBackends backends(language, SP_PROGRAM_DIR);
    ASSERT_NE(backends.Services().shareAgent, nullptr);
    CMainDlg wizard(backends.Services());
    wizard.show();
    EXPECT_TRUE(probe.Find()) << "the agent runs while the wizard does";
  }
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(agent, &status, WNOHANG) == agent; }, 10s);
  if (!ended) {
    kill(agent, SIGKILL);
    waitpid(agent, nullptr, 0);
  }
  EXPECT_TRUE(ended) << "the agent was not told to end";
  EXPECT_FALSE(probe.Find());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sp
