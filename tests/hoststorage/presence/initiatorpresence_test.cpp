// The initiator gate: check, offer, check again; the installer's command
// line; the web address.
#include "hoststorage/presence/initiatorpresence.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/core/fakemessagebox.h"
#include "platform/fake/fakedesktopshell.h"
#include "platform/fake/fakeinitiatorservice.h"
#include "platform/fake/fakeprocesslauncher.h"

namespace sp {
namespace {

constexpr char kInstaller[] = "/opt/setuppilot/resource/install-iscsi-initiator.sh";
constexpr char kPrompt[] = "iSCSI service is not installed.";

class InitiatorGate : public ::testing::Test {
 protected:
  FakeInitiatorService service;
  FakeProcessLauncher launcher;
  FakeMessageBox box;
  InitiatorPresence presence{service, launcher, box, kInstaller};

  bool InstallerRunning() { return !launcher.FindByArgument(kInstaller).empty(); }
};

TEST_F(InitiatorGate, RunningServicePassesWithoutAPrompt) {
  service.running = true;
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::Present);
  EXPECT_TRUE(box.shown.empty());
  EXPECT_EQ(service.starts, 0);
}

TEST_F(InitiatorGate, StoppedServiceIsStartedAndPasses) {
  service.running = false;
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::Present);
  EXPECT_EQ(service.starts, 1);
  EXPECT_TRUE(service.IsRunning());
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(InitiatorGate, InstalledServiceThatWillNotStartIsOfferedTheInstaller) {
  service.startWorks = false;
  launcher.programs = {"pkexec", "xterm"};
  box.answers = {MessageResult::Yes};
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::StillAbsent);
  EXPECT_EQ(box.shown.size(), 1u);
  EXPECT_TRUE(InstallerRunning());
}

TEST_F(InitiatorGate, MissingServiceAsksYesNoWithTheQuestionIcon) {
  service.installed = false;
  launcher.programs = {"pkexec", "x-terminal-emulator"};
  box.answers = {MessageResult::Yes};
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::StillAbsent);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, kPrompt);
  EXPECT_EQ(box.shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(box.shown[0].icon, MessageIcon::Question);
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_TRUE(InstallerRunning());

  // The user installs it meanwhile; the next confirmation passes at once.
  service.installed = true;
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::Present);
  EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(InitiatorGate, InstallerThatIsInPlaceRightAfterYesPassesTheSecondCheck) {
  service.installed = false;
  box.answers = {MessageResult::Yes};
  // A launcher whose "installer" works instantly.
  struct InstantInstaller : FakeProcessLauncher {
    FakeInitiatorService* service = nullptr;
    long Start(const std::vector<std::string>& argv) override {
      service->installed = true;
      service->running = true;
      return FakeProcessLauncher::Start(argv);
    }
  } instant;
  instant.service = &service;
  instant.programs = {"pkexec"};
  InitiatorPresence p(service, instant, box, kInstaller);
  EXPECT_EQ(p.RunGate(kPrompt), InitiatorGateResult::Present);
}

TEST_F(InitiatorGate, YesWhileTheInstallerRunsDoesNotStartItTwice) {
  service.installed = false;
  launcher.AddRunning({"x-terminal-emulator", "-e", "pkexec", "/bin/sh", kInstaller});
  box.answers = {MessageResult::Yes};
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::StillAbsent);
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_EQ(launcher.FindByArgument(kInstaller).size(), 1u);
}

TEST_F(InitiatorGate, NoClosesRunningInstallersAndDeclines) {
  service.installed = false;
  const long terminal = launcher.AddRunning({"xterm", "-e", "/bin/sh", "-c", "x", "n", "/bin/sh", kInstaller});
  const long script = launcher.AddRunning({"/bin/sh", kInstaller});
  const long other = launcher.AddRunning({"/bin/sh", "/somewhere/else.sh"});
  box.answers = {MessageResult::No};
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::Declined);
  EXPECT_TRUE(launcher.started.empty());
  std::vector<long> ended = launcher.terminated;
  std::sort(ended.begin(), ended.end());
  EXPECT_EQ(ended, (std::vector<long>{terminal, script}));
  EXPECT_EQ(launcher.running.count(other), 1u);
}

TEST_F(InitiatorGate, FailedInstallerStartIsNotReportedAndStays) {
  service.installed = false;
  launcher.startFails = true;
  box.answers = {MessageResult::Yes};
  EXPECT_EQ(presence.RunGate(kPrompt), InitiatorGateResult::StillAbsent);
  EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(InitiatorGate, InstallerCommandFollowsRightsAndDesktop) {
  using V = std::vector<std::string>;
  // A user on a desktop with a terminal: pkexec inside the terminal, kept open.
  launcher.programs = {"pkexec", "xterm", "konsole"};
  V argv = presence.InstallerCommand();
  ASSERT_GE(argv.size(), 6u);
  EXPECT_EQ(argv[0], "konsole");  // konsole comes before xterm
  EXPECT_EQ(argv[1], "-e");
  EXPECT_EQ(V(argv.end() - 3, argv.end()), (V{"pkexec", "/bin/sh", kInstaller}));
  // The installer path is an argument of its own, never part of script text.
  EXPECT_EQ(std::count(argv.begin(), argv.end(), kInstaller), 1);

  // gnome-terminal takes the command after "--", xfce4-terminal after -x.
  launcher.programs = {"pkexec", "gnome-terminal"};
  EXPECT_EQ(presence.InstallerCommand()[1], "--");
  launcher.programs = {"pkexec", "xfce4-terminal"};
  EXPECT_EQ(presence.InstallerCommand()[1], "-x");

  // Root needs no pkexec.
  launcher.superUser = true;
  launcher.programs = {"pkexec"};
  EXPECT_EQ(presence.InstallerCommand(), (V{"/bin/sh", kInstaller}));
  // No graphical session: no terminal, even when one is installed.
  launcher.superUser = false;
  launcher.graphical = false;
  launcher.programs = {"pkexec", "xterm"};
  EXPECT_EQ(presence.InstallerCommand(), (V{"pkexec", "/bin/sh", kInstaller}));
}

TEST(InitiatorInstaller, PathIsInTheResourceFolder) {
  EXPECT_EQ(InitiatorInstallerPath("/opt/sp"), "/opt/sp/resource/install-iscsi-initiator.sh");
  EXPECT_EQ(InitiatorInstallerPath("/opt/sp/"), "/opt/sp/resource/install-iscsi-initiator.sh");
}

TEST(WebPages, AddressFromTheDeviceIpText) {
  char16_t ip[16] = u"10.77.0.9";
  EXPECT_EQ(WebPagesAddress(ip, 16), u"http://10.77.0.9");
  // The longest dotted address fits the 16-byte narrow buffer.
  char16_t longest[16] = u"255.255.255.255";
  EXPECT_EQ(WebPagesAddress(longest, 16), u"http://255.255.255.255");
  // A field without its terminator is read to its end and cut to 15.
  char16_t full[16];
  for (auto& c : full) c = u'1';
  EXPECT_EQ(WebPagesAddress(full, 16), u"http://111111111111111");

  FakeDesktopShell desktop;
  const auto address = OpenWebPages(ip, 16, &desktop);
  EXPECT_EQ(desktop.links, std::vector<std::u16string>{u"http://10.77.0.9"});
  EXPECT_EQ(address, desktop.links[0]);
}

}  // namespace
}  // namespace sp
