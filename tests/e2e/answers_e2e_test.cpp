// `setuppilot --answers`: the setup without a window against the simulated
// appliance, its real iSCSI target and SMB share, with our initiator
// service and the share-mapping agent, on the wizard's own backends.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "headless/core/headlessrun.h"
#include "headless/headlessmain.h"
#include "tests/e2e/wizardrunfixture.h"

namespace sp::e2e {
namespace {

class AnswersTest : public WizardRunTest {
 protected:
  // Writes `text` as a private answer file and runs it; the terminal's
  // lines land in out_.
  int Run(const std::string& text, std::stop_token stop = {}) {
    const std::string path = net().scratchDir() + "/answers.toml";
    std::ofstream(path) << text;
    chmod(path.c_str(), 0600);
    const LinuxWizardBackends::Options& o = BackendOptions();
    HeadlessOptions options;
    options.programFolder = SP_PROGRAM_DIR;
    options.driveRoot = o.driveRoot;
    options.initiatorSocket = o.initiatorSocket;
    options.agentSocket = o.agentSocket;
    options.rememberedConnections = o.rememberedConnections;
    options.gtkBookmarks = o.gtkBookmarks;
    options.kdePlaces = o.kdePlaces;
    options.startAgent = false;  // the test's agent runs already
    options.pausePercent = 2;
    out_.str({});
    return RunAnswersFile(path, options, out_, out_, stop);
  }

  std::ostringstream out_;
};

std::string GoodFile(const std::string& netmask) {
  return R"([appliance]
mac = "02:4B:56:00:00:01"

[admin]
login_password = ""
new_password = "vault42"

[time]
zone = 7
clock = "server"
server = "pool.ntp.org"

[network]
address = "10.77.0.50"
netmask = ")" +
         netmask +
         R"("
name = "vault-one"
workgroup = "OFFICE"

[disk]
profile = "both"
level = "standard"
nas_percent = 70
nas_letter = "Y"
iscsi_letter = "X"
)";
}

TEST_F(AnswersTest, GoodFileSetsUpTheApplianceWithoutAWindow) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  const int code = Run(GoodFile(Appliance()["identity"]["netmask"]));
  const std::string out = out_.str();
  ASSERT_EQ(code, kExitDone) << out;
  for (const char* line :
       {"[1/9] Finding the appliance 02:4b:56:00:00:01... found 02:4b:56:00:00:01 at 10.77.0.2",
        "[5/9] Setting the network identity... vault-one at 10.77.0.50", "[7/9] Formatting the disks...\n",
        "      progress 50%\n", "[7/9] Formatting the disks... done", "[8/9] Attaching the iSCSI volume at X:... done",
        "[9/9] Mapping the NAS share at Y:... done"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;

  const nlohmann::json a = Appliance();
  EXPECT_EQ(a["password"], "vault42");
  EXPECT_EQ(a["identity"]["ip"], "10.77.0.50");
  EXPECT_EQ(a["identity"]["workgroup"], "OFFICE");
  EXPECT_EQ(a["last_payload"]["8"], "4602") << "NAS 70 %, level 2, as the page sends it";
  EXPECT_EQ(a["format"]["progress"], 100);
  ExpectIscsiVolumeAt('X');
  ExpectShareAt('Y');

  // The run's report, as the wizard writes one.
  const std::size_t at = out.find("Setup report: ");
  ASSERT_NE(at, std::string::npos);
  std::ifstream report(out.substr(at + 14, out.find('\n', at) - at - 14));
  const std::string text((std::istreambuf_iterator<char>(report)), {});
  EXPECT_NE(text.find("answers: ended with exit code 0"), std::string::npos);
  EXPECT_EQ(text.find("vault42"), std::string::npos) << "no password in the report";
  // For the README's picture of a run.
  if (const char* keep = std::getenv("SP_ANSWERS_TRANSCRIPT")) std::ofstream(keep) << out;
}

TEST_F(AnswersTest, BadFileIsRefusedBeforeAnythingIsSent) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  std::string text = GoodFile("255.255.255.0");
  text.replace(text.find("\"both\""), 6, "\"all\"");
  EXPECT_EQ(Run(text), kExitUsage);
  EXPECT_EQ(out_.str(),
            "setuppilot: " + net().scratchDir() + "/answers.toml:20: disk.profile: expected one of nas, iscsi, both\n");
  // The appliance heard nothing: not even a discovery.
  EXPECT_TRUE(Appliance()["counts"].empty()) << Appliance()["counts"].dump();
}

TEST_F(AnswersTest, RefusedLoginPasswordEndsWithItsOwnCode) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2, "password=secret9"));
  if (IsSkipped()) return;
  EXPECT_EQ(Run(GoodFile(Appliance()["identity"]["netmask"])), kExitLoginRefused) << out_.str();
  EXPECT_NE(out_.str().find("[2/9] Logging in... failed\n  Incorrect password!"), std::string::npos) << out_.str();
  const nlohmann::json a = Appliance();
  EXPECT_EQ(a["logins"]["rejected"], 1);
  EXPECT_EQ(a["password"], "secret9") << "nothing set after the refusal";
  EXPECT_EQ(a["counts"].value("8", 0), 0) << "no format asked";
}

TEST_F(AnswersTest, StoppedDuringTheFormatEndsAsInterruptedAndAttachesNothing) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  const std::string file = GoodFile(Appliance()["identity"]["netmask"]);
  std::stop_source stop;
  int code = -1;
  // The run's thread is made here, so it works in this thread's namespaces.
  std::thread run([&] { code = Run(file, stop.get_token()); });
  ASSERT_TRUE(RunUntil([&] { return Appliance()["format"]["progress"] >= 20; }, 60000));
  const auto asked = std::chrono::steady_clock::now();
  stop.request_stop();  // what SIGINT does through the program's watcher
  run.join();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5)) << "a pause waited out the stop";
  EXPECT_EQ(code, kExitInterrupted) << out_.str();
  EXPECT_NE(out_.str().find("setuppilot: interrupted"), std::string::npos) << out_.str();
  EXPECT_EQ(out_.str().find("[8/9]"), std::string::npos) << out_.str();
  EXPECT_TRUE(DriveMounts().empty()) << DriveMounts().front();
  EXPECT_TRUE(LoopsOverLuns().empty()) << LoopsOverLuns().front();
}

}  // namespace
}  // namespace sp::e2e
