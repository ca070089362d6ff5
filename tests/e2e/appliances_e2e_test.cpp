// A PC that already has an appliance's volume, and a run that is ended from
// outside: the disk prepared is always the one just logged in to, and a
// stop leaves nothing of ours behind.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "app/endsignals.h"
#include "base/text.h"
#include "pages/config/cdevicelistctrl.h"
#include "platform/appliancememory.h"
#include "tests/e2e/wizardrunfixture.h"
#include "tests/net/harness/runcommand.h"

namespace sp::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kSecondMac[] = "02:4b:56:00:00:02";
constexpr char kSecondTarget[] = "iqn.2008-01.com.korva:storage.000002.1.sys";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The partition table sector of a LUN file (never the whole, large file).
std::string TableOf(const std::string& lun) {
  std::ifstream in(lun, std::ios::binary);
  std::string sector(512, '\0');
  in.read(sector.data(), 512);
  sector.resize(static_cast<std::size_t>(in.gcount()));
  return sector;
}

// A child of this process or of `service` running `name` (the storage
// tools run in the initiator service for the wizard).
bool ChildRuns(const char* name, pid_t service = 0) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (dirent* e = readdir(proc)) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string pid, comm, state;
    long ppid = 0;
    if (!(stat >> pid >> comm >> state >> ppid)) continue;
    found = found || ((ppid == getpid() || (service && ppid == service)) && comm == std::string("(") + name + ")");
  }
  closedir(proc);
  return found;
}

class AppliancesTest : public WizardRunTest {
 protected:
  // One whole run for the appliance `mac`, iSCSI only, to its end.
  void RunFor(const std::string& mac) {
    ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
    ASSERT_TRUE(RunUntil([&] { return RowOf(mac) >= 0; }, 15000)) << mac << " is not listed";
    Choices().deviceRow = RowOf(mac);
    ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
    EXPECT_STREQ(Wizard().State().targetMac, mac.c_str());
    ASSERT_TRUE(W().FillIdentity());
    ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
    ASSERT_NO_FATAL_FAILURE(WalkDiskPageAndFinish());
  }
};

TEST_F(AppliancesTest, SecondApplianceGetsItsOwnLunAndTheFirstOnesDataStays) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NE(StartSecondSimulator(
                {"--appliance", std::string("mac=") + kSecondMac +
                                    ",ip=10.77.0.3,name=VBX-SECOND,disks=2,speed=" + std::to_string(kFormatSpeed)}),
            nullptr);

  // The first appliance, its volume at X:, a file on it.
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(RunFor(kMac));
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);
  ExpectIscsiVolumeAt('X');
  std::string data(1 << 20, '\0');
  std::mt19937 random(7);
  for (char& c : data) c = static_cast<char>(random());
  { std::ofstream(Letter('x') + "/first.bin", std::ios::binary) << data; }
  const std::string firstDevice = DeviceAt('X');
  const std::string firstTable = TableOf(LunFile());

  // The second appliance from a new start of the wizard: X: is taken now,
  // so its volume goes to W:.
  ASSERT_NO_FATAL_FAILURE(StartWizardAgain());
  Choices().ipAddress = "10.77.0.51";
  Choices().name = QStringLiteral("vault-two");
  Choices().iscsiLetter = QStringLiteral("W:");
  ASSERT_NO_FATAL_FAILURE(RunFor(kSecondMac));
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);

  // The first appliance's volume is untouched, byte for byte.
  EXPECT_EQ(DeviceAt('X'), firstDevice);
  EXPECT_EQ(ReadAll(Letter('x') + "/first.bin"), data);
  EXPECT_EQ(TableOf(LunFile()), firstTable);
  // The second one's LUN is the one partitioned, formatted and lettered.
  const std::string second = DeviceAt('W');
  ASSERT_FALSE(second.empty());
  const std::string table = TableOf(LunFileOf(kSecondTarget));
  ASSERT_EQ(table.size(), 512u);
  EXPECT_EQ(static_cast<unsigned char>(table[446 + 4]), 0x07) << "NTFS partition";
  std::string backing;
  ASSERT_EQ(nettest::RunCommand({"losetup", "-n", "-O", "BACK-FILE", second}, &backing), 0);
  EXPECT_NE(backing.find(kSecondTarget), std::string::npos) << backing;
  EXPECT_EQ(FieldText(Wizard().State().explorerCommandLine), "explorer W:\\");
}

TEST_F(AppliancesTest, ASecondRunAgainstTheSameApplianceAsksNamingTheDayItWasSetUp) {
  ASSERT_NO_FATAL_FAILURE(StartWith(1));
  if (IsSkipped()) return;
  const std::string list = KeepApplianceList();
  ASSERT_NO_FATAL_FAILURE(StartWizardAgain());  // now with the list
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(RunFor(kMac));
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);
  for (const std::string& m : T().messages()) EXPECT_EQ(m.find("was set up from this PC"), std::string::npos) << m;
  const auto noted = ApplianceMemory(list).Find(kMac);
  ASSERT_TRUE(noted) << "a run that ends in the summary is noted";

  // The next start lists it marked and asks before the format; the driver
  // answers OK as a person who means it would.
  ASSERT_NO_FATAL_FAILURE(StartWizardAgain());
  T().ClearMessages();
  Choices().loginPassword = Choices().newPassword;  // what the first run gave it
  Choices().iscsiLetter = QStringLiteral("W:");     // X: holds the first run's volume
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  ASSERT_TRUE(RunUntil([&] { return RowOf(kMac) >= 0; }, 15000));
  Choices().deviceRow = RowOf(kMac);
  EXPECT_TRUE(Wizard().ConfigPage()->DeviceList()->RowMarked(RowOf(kMac)));
  ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
  ASSERT_TRUE(W().FillIdentity());
  ASSERT_TRUE(W().ApplyIdentity());
  ASSERT_TRUE(W().WaitForDiskPage());
  ASSERT_TRUE(W().ChooseService());
  ASSERT_TRUE(W().ChooseLevel());
  ASSERT_TRUE(W().ChooseRatioAndLetters());
  ASSERT_TRUE(T().messages().empty()) << T().messages().front();
  ASSERT_TRUE(W().Confirm());
  ASSERT_EQ(T().messages().size(), 1u);
  EXPECT_NE(T().messages()[0].find("(" + std::string(kMac) + ") was set up from this PC on " + noted->date),
            std::string::npos)
      << T().messages()[0];
  ASSERT_TRUE(W().WaitForEnd(300000));
}

TEST_F(AppliancesTest, EndedFromOutsideInsideTheFormatItStopsAtOnceAndLeavesNothing) {
  // A large volume, so that its format takes a moment.
  iscsiMaxMb_ = 64 * 1024;
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  Choices().service = ServiceType::IscsiOnly;
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
  ASSERT_TRUE(W().FillIdentity());
  ASSERT_TRUE(W().ApplyIdentity());
  ASSERT_TRUE(W().WaitForDiskPage());
  ASSERT_TRUE(W().ChooseService());
  ASSERT_TRUE(W().ChooseLevel());
  ASSERT_TRUE(W().ChooseRatioAndLetters());

  // As the program wires it: SIGTERM ends the window.
  EndSignals ending([this] { Wizard().EndNow(); });
  ASSERT_TRUE(W().Confirm());
  ASSERT_TRUE(RunUntil([this] { return ChildRuns("mkntfs", Initiator()->pid()); }, 180000))
      << "the format never started";
  raise(SIGTERM);
  ASSERT_TRUE(RunUntil([&] { return !Wizard().isVisible(); }, 5000)) << "the window did not go";
  const auto teardown = EndWizard();
  std::cout << "the wizard was gone " << teardown.count() << " ms after its window\n";
  // Well inside any tool's own time bound: the stop ended the tool.
  EXPECT_LT(teardown.count(), 3000);

  EXPECT_FALSE(ChildRuns("mkntfs", Initiator()->pid()));
  EXPECT_TRUE(LoopsOverLuns().empty()) << LoopsOverLuns().front();
  EXPECT_TRUE(DriveMounts().empty()) << DriveMounts().front();
  // The partition is still of the type it was made with: the next
  // preparation takes it for a format that never finished and formats again.
  const std::string table = TableOf(LunFile());
  ASSERT_EQ(table.size(), 512u);
  EXPECT_EQ(static_cast<unsigned char>(table[446 + 4]), 0x06);
}

}  // namespace
}  // namespace sp::e2e
