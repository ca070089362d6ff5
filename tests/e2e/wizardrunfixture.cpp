#include "tests/e2e/wizardrunfixture.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "pages/config/cdevicelistctrl.h"
#include "platform/linux/iscsicontrolclient.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxnetdockagent.h"
#include "setupreport/setupreport.h"
#include "tests/net/harness/runcommand.h"

namespace sp::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Mount points of the mount table below `dir`, in table order.
std::vector<std::string> MountsBelow(const std::string& dir) {
  std::vector<std::string> points;
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point;
    fields >> device >> point;
    if (point.rfind(dir + "/", 0) == 0) points.push_back(point);
  }
  return points;
}

const char* const kTools[] = {"/usr/sbin/smbd",     "/usr/sbin/nmbd",   "/usr/bin/smbnetfs",
                              "/usr/bin/nmblookup", "/usr/sbin/tgtd",   "/usr/sbin/tgtadm",
                              "/usr/bin/ntfs-3g",   "/usr/sbin/mkntfs", "/usr/sbin/losetup"};

}  // namespace

std::string Hex(const std::vector<std::uint8_t>& bytes) { return sim::HexOf(bytes); }

std::string HexOf(const std::string& text) { return Hex(std::vector<std::uint8_t>(text.begin(), text.end())); }

std::string FieldHex(const std::string& text, std::size_t width) {
  std::vector<std::uint8_t> field(width, 0);
  std::copy(text.begin(), text.end(), field.begin());
  return Hex(field);
}

void WizardRunTest::StartWith(int disks, const std::string& moreKeys) {
  for (const char* tool : kTools) {
    if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
  }
  if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no FUSE";
  root_ = fs::canonical(net().scratchDir()).string() + "/run";
  for (const char* sub : {"home", "config", "runtime", "mnt", "smb", "iscsi"})
    fs::create_directories(root_ + "/" + sub);
  chmod((root_ + "/runtime").c_str(), 0700);
  mountRoot_ = root_ + "/mnt";
  lunFolder_ = root_ + "/iscsi/disks";
  iscsiSocket_ = root_ + "/iscsi/control.sock";
  agentSocket_ = root_ + "/runtime/NetDock";
  // The drive the wizard opens at the end goes to a file, not a file browser.
  {
    std::ofstream opener(root_ + "/opener.sh");
    opener << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << root_ << "/opened.txt\n";
  }
  chmod((root_ + "/opener.sh").c_str(), 0755);

  // The appliance keeps its share where the test can look, and its iSCSI
  // volume small.
  setenv("VBX207_SIM_SMB_DIR", (root_ + "/smb").c_str(), 1);
  setenv("VBX207_SIM_ISCSI_MAX_MB", std::to_string(iscsiMaxMb_).c_str(), 1);
  std::string spec = "disks=" + std::to_string(disks) + ",speed=" + std::to_string(kFormatSpeed);
  if (!moreKeys.empty()) spec += "," + moreKeys;
  sim_ = nettest::StartSimulator(net(), {"--appliance", spec});
  ASSERT_NE(sim_, nullptr);
  ASSERT_NO_FATAL_FAILURE(StartInitiatorService());
  ASSERT_NO_FATAL_FAILURE(StartAgent());
  ASSERT_NO_FATAL_FAILURE(EnterPc());

  language_ = std::make_unique<SelectorLanguageControl>(SP_PROGRAM_DIR);
  // The run's report, as the program keeps one.
  SetCurrentSetupReport(SetupReport::Create(root_ + "/state", std::chrono::system_clock::now()));
  ASSERT_NO_FATAL_FAILURE(MakeWizard());
}

std::string WizardRunTest::ReportText() const {
  const std::shared_ptr<SetupReport> report = CurrentSetupReport();
  return report ? report->Text() : std::string();
}

void WizardRunTest::MakeWizard() {
  LinuxWizardBackends::Options options;
  options.programDir = SP_PROGRAM_DIR;
  options.driveRoot = mountRoot_;
  options.initiatorProgram = SP_ISCSID_PATH;
  options.initiatorSocket = iscsiSocket_;
  options.lunFolder = lunFolder_;
  options.agentSocket = agentSocket_;
  options.rememberedConnections = root_ + "/config/netdock/mappings";
  options.gtkBookmarks = root_ + "/config/gtk-3.0/bookmarks";
  options.kdePlaces = root_ + "/data/user-places.xbel";
  options.opener = root_ + "/opener.sh";
  options.applianceMemory = applianceMemory_;
  backends_ = std::make_unique<LinuxWizardBackends>(*language_, options);
  ASSERT_TRUE(backends_->AgentAnswers());
  // The final setup's fixed pauses at a fiftieth; nothing else is cut.
  backends_->Services().finalPage.pausePercent = 2;
  wizard_ = std::make_unique<CMainDlg>(backends_->Services());
  wizard_->show();
  driver_ = std::make_unique<tour::TourDriver>(*wizard_, "");
  walk_ = std::make_unique<tour::WizardWalk>(*driver_, tour::RunChoices{});
}

std::chrono::milliseconds WizardRunTest::EndWizard() {
  const auto start = std::chrono::steady_clock::now();
  walk_.reset();
  driver_.reset();
  wizard_.reset();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

void WizardRunTest::StartWizardAgain() {
  const tour::RunChoices choices = walk_->choices();
  walk_.reset();
  driver_.reset();
  wizard_.reset();
  backends_.reset();
  ASSERT_NO_FATAL_FAILURE(MakeWizard());
  walk_->choices() = choices;
}

sim::SimClient* WizardRunTest::StartSecondSimulator(const std::vector<std::string>& args) {
  secondSim_ = nettest::StartSimulator(net(), args, "vbx207-sim-2");
  return secondSim_.get();
}

bool WizardRunTest::RunUntil(const std::function<bool()>& done, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

int WizardRunTest::RowOf(const std::string& mac) {
  CDeviceListCtrl* list = Config().DeviceList();
  for (int row = 0; row < list->rowCount(); ++row) {
    if (list->CellText(row, 2).toStdString() == mac) return row;
  }
  return -1;
}

std::vector<std::string> WizardRunTest::LoopsOverLuns() const {
  std::vector<std::string> loops;
  std::string list;
  if (nettest::RunCommand({"losetup", "-n", "-O", "NAME,BACK-FILE", "-l"}, &list) != 0) return loops;
  std::istringstream rows(list);
  std::string line;
  while (std::getline(rows, line)) {
    std::istringstream fields(line);
    std::string name, file;
    fields >> name >> file;
    if (file.rfind(lunFolder_ + "/", 0) == 0) loops.push_back(name + " " + file);
  }
  return loops;
}

std::vector<std::string> WizardRunTest::DriveMounts() const { return MountsBelow(mountRoot_); }

std::vector<std::string> WizardRunTest::PersistentTargets() {
  std::vector<std::string> names;
  IscsiInterpreter* interpreter = backends_->Services().finalPage.iscsiInterpreter;
  interpreter->ClearPersistentLoginTable();
  if (interpreter->ReportPersistentLogins() != 0) return {"(the initiator service did not answer)"};
  for (const auto& login : interpreter->persistentLoginTable()) names.push_back(FieldText(login.targetName));
  return names;
}

void WizardRunTest::StartInitiatorService() {
  nettest::SpawnedProcess* service = iscsid_ = net().Spawn(net().pc(), {SP_ISCSID_PATH,     "--foreground",
                                                                        "--socket",         iscsiSocket_,
                                                                        "--mount",          lunFolder_,
                                                                        "--state",          root_ + "/iscsi/state",
                                                                        "--pidfile",        root_ + "/iscsi/iscsid.pid",
                                                                        "--drive-root",     mountRoot_,
                                                                        "--io-timeout",     "3",
                                                                        "--login-timeout",  "3",
                                                                        "--retry-interval", "1",
                                                                        "--nop-interval",   "1"},
                                                           "iscsid");
  ASSERT_NE(service, nullptr);
  IscsiControlClient client(iscsiSocket_);
  const bool up = WaitFor(
      [&] {
        const auto answer = client.Call({IscsiControlClient::Request(iscsictl::op::kPing)}, 1000);
        return (answer && (*answer)[0].GetU64Or("status", 1) == 0) || !service->Running();
      },
      15s);
  ASSERT_TRUE(up && service->Running()) << service->ReadLog();
}

void WizardRunTest::StartAgent(bool restore) {
  std::vector<std::string> argv = {"env",
                                   "HOME=" + root_ + "/home",
                                   "XDG_CONFIG_HOME=" + root_ + "/config",
                                   "XDG_RUNTIME_DIR=" + root_ + "/runtime",
                                   SP_NETDOCK_PATH,
                                   "--mount-root",
                                   mountRoot_};
  if (!restore) argv.push_back("--no-restore");
  nettest::SpawnedProcess* agent = net().Spawn(net().pc(), argv, restore ? "netdock-login" : "netdock");
  ASSERT_NE(agent, nullptr);
  LinuxNetDockAgent client(agentSocket_);
  ASSERT_TRUE(WaitFor([&] { return client.Find() || !agent->Running(); }, 10s) && agent->Running()) << agent->ReadLog();
  agent_ = agent;
}

void WizardRunTest::EnterPc() {
  // The page's exchanges run on this (the UI) thread and the final page's
  // worker starts from it: both work from the PC's side.
  homeNs_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(homeNs_, 0);
  std::string why;
  ASSERT_TRUE(nettest::EnterNetworkNamespace(net().pc(), &why)) << why;
}

void WizardRunTest::TearDown() {
  walk_.reset();
  driver_.reset();
  // The window stops the final page's worker at once and tells the agent
  // to end.
  wizard_.reset();
  backends_.reset();
  SetCurrentSetupReport(nullptr);
  secondSim_.reset();
  if (homeNs_ >= 0) {
    EXPECT_EQ(setns(homeNs_, CLONE_NEWNET), 0);
    close(homeNs_);
    homeNs_ = -1;
  }
  if (!root_.empty()) {
    if (booted_) StopBootedService();
    CleanUpMounts(false);
    // The service goes before its LUN folder's mount, if it is still there.
    net().StopAll();
    CleanUpMounts(true);
    unsetenv("VBX207_SIM_SMB_DIR");
    unsetenv("VBX207_SIM_ISCSI_MAX_MB");
  }
  NetworkTest::TearDown();
}

void WizardRunTest::PowerOff() {
  walk_.reset();
  driver_.reset();
  wizard_.reset();
  backends_.reset();
  // The agent was started as at login, so the wizard left it running; the
  // session's end takes it.
  StopAgent();
  EXPECT_TRUE(WaitFor([&] { return !LinuxNetDockAgent(agentSocket_).Find(); }, 10s));
  ASSERT_NE(iscsid_, nullptr);
  EXPECT_EQ(iscsid_->Stop(60000), 0) << iscsid_->ReadLog();
  iscsid_ = nullptr;
  CleanUpMounts(true);
  ASSERT_EQ(MountsBelow(root_), std::vector<std::string>{});
  ASSERT_EQ(LoopsOverLuns(), std::vector<std::string>{});
}

void WizardRunTest::BootAndLogIn() {
  // systemd's forking service: the command returns once the service answers.
  nettest::SpawnedProcess* start =
      net().Spawn(net().pc(),
                  {SP_ISCSID_PATH, "--socket", iscsiSocket_, "--mount", lunFolder_, "--state", root_ + "/iscsi/state",
                   "--pidfile", root_ + "/iscsi/iscsid.pid", "--drive-root", mountRoot_},
                  "iscsid-boot");
  ASSERT_NE(start, nullptr);
  booted_ = true;
  ASSERT_EQ(start->Wait(30000), 0) << start->ReadLog();
  ASSERT_NO_FATAL_FAILURE(StartAgent(true));
}

void WizardRunTest::StopBootedService() {
  booted_ = false;
  const pid_t pid = static_cast<pid_t>(std::atol(ReadFile(root_ + "/iscsi/iscsid.pid").c_str()));
  if (pid <= 1 || kill(pid, SIGTERM) != 0) return;
  // Not our child: gone when signal 0 no longer finds it.
  if (!WaitFor([&] { return kill(pid, 0) != 0; }, 60s)) kill(pid, SIGKILL);
}

void WizardRunTest::CleanUpMounts(bool includingLunFolder) {
  // Drives and the agent's smbnetfs tree (which outlives the agent by
  // design), innermost first; then the loop devices on the LUN files.
  const auto points = MountsBelow(root_);
  for (auto it = points.rbegin(); it != points.rend(); ++it) {
    if (*it == lunFolder_ && !includingLunFolder) continue;
    umount2(it->c_str(), MNT_DETACH);
  }
  std::string list;
  if (nettest::RunCommand({"losetup", "-n", "-O", "NAME,BACK-FILE", "-l"}, &list) == 0) {
    std::istringstream rows(list);
    std::string line;
    while (std::getline(rows, line)) {
      std::istringstream fields(line);
      std::string name, file;
      fields >> name >> file;
      if (file.rfind(root_ + "/", 0) == 0) nettest::RunCommand({"losetup", "-d", name});
    }
  }
  const std::string tree = agentSocket_ + "-smbnetfs";
  WaitFor([&] { return nettest::ProcessesWithArgument(tree).empty(); }, 3s);
  for (pid_t pid : nettest::ProcessesWithArgument(tree)) kill(pid, SIGKILL);
}

void WizardRunTest::WalkToDeviceList() {
  ASSERT_TRUE(W().Agree());
  ASSERT_TRUE(W().PassCheck()) << "the connection check did not pass in pc";
  for (int step = 0; step < 3; ++step) ASSERT_TRUE(W().InstallStep(step)) << "install step " << step;
  ASSERT_TRUE(W().WaitForDevices()) << "no appliance in the device list";
}

void WizardRunTest::WalkToNetworkStep() {
  ASSERT_TRUE(W().ChooseDevice());
  ASSERT_TRUE(W().LogIn()) << (T().messages().empty() ? "" : T().messages().front());
  ASSERT_TRUE(W().NewPassword());
  ASSERT_TRUE(W().TimeZone());
  ASSERT_TRUE(W().Clock());
  ASSERT_TRUE(T().messages().empty()) << T().messages().front();
}

void WizardRunTest::WalkDiskPageAndFinish() {
  ASSERT_TRUE(W().WaitForDiskPage()) << "the disk profile page did not come";
  ASSERT_TRUE(W().ChooseService());
  ASSERT_TRUE(W().ChooseLevel());
  ASSERT_TRUE(W().ChooseRatioAndLetters());
  ASSERT_TRUE(W().Confirm());
  ASSERT_TRUE(W().WaitForEnd(300000)) << "the final page did not end";
  EXPECT_TRUE(T().messages().empty()) << T().messages().front();
}

std::string WizardRunTest::DeviceAt(char upper) const { return LinuxDriveLetters(mountRoot_).DeviceAtLetter(upper); }

std::string WizardRunTest::Opened() const { return ReadFile(root_ + "/opened.txt"); }

std::vector<std::string> WizardRunTest::FinalTexts() {
  std::vector<std::string> texts;
  for (int id : CNetcfgDlg::kLabelIds) {
    CHTMLStatic* label = Final().Label(id);
    if (!label->isVisible()) continue;
    const QString markup = QString::fromStdU16String(label->Text());
    texts.push_back(QTextDocumentFragment::fromHtml(markup).toPlainText().simplified().toStdString());
  }
  return texts;
}

void WizardRunTest::ExpectIscsiVolumeAt(char upper) {
  const std::string device = DeviceAt(upper);
  ASSERT_FALSE(device.empty()) << upper << ": holds no volume";
  // The LUN got an MBR with one NTFS partition from sector 63.
  std::ifstream lun(LunFile(), std::ios::binary);
  std::vector<unsigned char> mbr(512);
  ASSERT_TRUE(lun.read(reinterpret_cast<char*>(mbr.data()), 512)) << LunFile();
  EXPECT_EQ(mbr[510], 0x55);
  EXPECT_EQ(mbr[511], 0xaa);
  EXPECT_EQ(mbr[446 + 4], 0x07) << "partition type NTFS";
  const std::uint32_t start = mbr[454] | mbr[455] << 8 | mbr[456] << 16 | static_cast<std::uint32_t>(mbr[457]) << 24;
  EXPECT_EQ(start, 63u);
  std::string type;
  EXPECT_EQ(nettest::RunCommand({"blkid", "-o", "value", "-s", "TYPE", device}, &type), 0);
  EXPECT_EQ(type, "ntfs\n");
  const char lower = static_cast<char>(upper - 'A' + 'a');
  const std::string file = Letter(lower) + "/written-by-e2e.txt";
  { std::ofstream(file) << "on the appliance's iSCSI volume"; }
  EXPECT_EQ(ReadFile(file), "on the appliance's iSCSI volume");
}

void WizardRunTest::ExpectShareAt(char upper) {
  const char lower = static_cast<char>(upper - 'A' + 'a');
  bool mounted = false;
  for (const std::string& point : MountsBelow(mountRoot_)) mounted = mounted || point == Letter(lower);
  ASSERT_TRUE(mounted) << upper << ": is not mapped";
  { std::ofstream(Letter(lower) + "/from-the-pc.txt") << "on the appliance's share"; }
  EXPECT_EQ(ReadFile(ShareFolder() + "/from-the-pc.txt"), "on the appliance's share")
      << "the file written at " << upper << ": reached the appliance's shared folder";
}

}  // namespace sp::e2e
