// The device configuration page against the appliance simulator in a
// private test network: the page's UI thread works inside the pc namespace
// with the real device link, the simulator plays two appliances in vbx. The
// simulator's state shows what the appliance really received.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QCheckBox>
#include <QTimer>

#include "base/text.h"
#include "devicelink/devicelink.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "tests/net/harness/networktest.h"
#include "tests/net/harness/simulatorinnetwork.h"
#include "tests/pages/config/configpagefixture.h"

namespace sp::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& b) { return sim::HexOf(b); }
void Put(Bytes& b, std::size_t at, const std::string& text) { std::memcpy(b.data() + at, text.data(), text.size()); }
void Put32(Bytes& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

class ConfigPageNetTest : public nettest::NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    sim_ = nettest::StartSimulator(net(), {"--count", "2"});
    ASSERT_NE(sim_, nullptr);
    // The page's exchanges run on this (the UI) thread and pump its events
    // while they wait, so this thread itself works inside pc.
    home_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(home_, 0);
    std::string why;
    ASSERT_TRUE(nettest::EnterNetworkNamespace(net().pc(), &why)) << why;
    link_ = std::make_unique<DeviceLink>(addresses_, [] { QCoreApplication::processEvents(); });
    w_ = std::make_unique<ConfigWizard>(*link_);
  }
  void TearDown() override {
    w_.reset();
    link_.reset();
    if (home_ >= 0) {
      EXPECT_EQ(setns(home_, CLONE_NEWNET), 0);
      close(home_);
    }
    NetworkTest::TearDown();
  }

  ConfigWizard& W() { return *w_; }
  CConfigDlg_Basic& Page() { return w_->Page(); }
  nlohmann::json Appliance(int i) { return sim_->Appliance(nettest::SimulatorMac(i)); }

  // Device list to the login sub-step, on appliance `index`.
  void ChooseAppliance(int index) {
    W().Enter();
    ASSERT_TRUE(WaitUntil([&] { return !Page().Busy(); }));
    ASSERT_EQ(Page().DeviceList()->rowCount(), 2);
    Page().DeviceList()->SetFocusRow(index);
    W().Next();
    ASSERT_EQ(Page().CurrentSubStep(), kStepLogin);
  }
  // From the login (factory password: blank) to the network sub-step with
  // the time server on.
  void LogInAndSetUp(const QString& password) {
    W().Type(kCtlLoginPassword, "");
    W().Next();
    ASSERT_EQ(Page().CurrentSubStep(), kStepPassword);
    W().Type(kCtlNewPassword, password);
    W().Type(kCtlConfirmPassword, password);
    W().Next();
    ASSERT_EQ(Page().CurrentSubStep(), kStepTimeZone);
    W().Next();
    W().Next();
    ASSERT_EQ(Page().CurrentSubStep(), kStepNetwork) << (W().messages.shown.empty() ? "" : W().messages.shown[0].text);
  }
  void Shot(const std::string& name) {
    const std::string path = W().Screenshot(name);
    if (!path.empty()) std::cout << "screenshot: " << path << "\n";
  }

  std::unique_ptr<sim::SimClient> sim_;
  int home_ = -1;
  LinuxLocalAddresses addresses_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<ConfigWizard> w_;
};

TEST_F(ConfigPageNetTest, WalkFromTheDeviceListToTheDiskProfilePage) {
  W().Enter();
  ASSERT_TRUE(WaitUntil([&] { return !Page().Busy(); }));
  CDeviceListCtrl* list = Page().DeviceList();
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->CellText(0, 0), "VBX-207");
  EXPECT_EQ(list->CellText(1, 1), "10.77.0.3");
  EXPECT_EQ(list->CellText(1, 2), QString::fromStdString(nettest::SimulatorMac(1)));
  Shot("config-0-select-device");

  // The second appliance, chosen by the keyboard's focus row.
  list->SetFocusRow(1);
  W().Next();
  ASSERT_EQ(Page().CurrentSubStep(), kStepLogin);
  EXPECT_EQ(W().State().targetMac, nettest::SimulatorMac(1));
  Shot("config-1-login");
  W().Next();  // factory password: blank
  ASSERT_EQ(Page().CurrentSubStep(), kStepPassword);
  EXPECT_EQ(Appliance(1)["logins"]["accepted"], 1);

  W().Type(kCtlNewPassword, "ab12cd");
  W().Type(kCtlConfirmPassword, "ab12cd");
  Shot("config-2-password");
  W().Next();
  ASSERT_EQ(Page().CurrentSubStep(), kStepTimeZone);
  EXPECT_EQ(Appliance(1)["password"], "ab12cd");
  EXPECT_STREQ(W().State().webLoginPassword, "ab12cd");

  // EU daylight saving from the last Sunday of March, 2 am, to the last
  // Sunday of October, 3 am, in Amsterdam's zone.
  Page().List(kCtlList1104)->setCurrentIndex(13);
  Page().CheckBox(kCtlDaylightSaving)->click();
  const int picks[9][2] = {{kCtlList1105, 1}, {kCtlList1107, 2}, {kCtlList1108, 4},
                           {kCtlList1109, 0}, {kCtlList1110, 2}, {kCtlList1112, 9},
                           {kCtlList1113, 4}, {kCtlList1114, 0}, {kCtlList1115, 3}};
  for (const auto& p : picks) Page().List(p[0])->setCurrentIndex(p[1]);
  Shot("config-3-time-zone");
  W().Next();
  ASSERT_EQ(Page().CurrentSubStep(), kStepDateTime);
  EXPECT_STREQ(W().State().deviceTime, "(GMT+01:00) Amsterdam, Berlin, Bern, Rome");
  Shot("config-4-time-server");

  Page().SetLocalClock([] { return QDateTime(QDate(2025, 6, 15), QTime(10, 30, 59)); });
  Page().CheckBox(kCtlTimeServer)->click();
  Shot("config-4-date-time");
  W().Next();
  ASSERT_EQ(Page().CurrentSubStep(), kStepNetwork) << (W().messages.shown.empty() ? "" : W().messages.shown[0].text);

  Bytes time(136, 0);
  time[0] = 13;
  const std::int32_t fields[] = {1, 7, 3, 5, 0, 2, 10, 5, 0, 3, 0};  // dst .. time server flag
  for (int i = 0; i < 11; ++i) Put32(time, 4 + 4 * i, fields[i]);
  const std::int32_t clock[] = {6, 15, 17, 10, 30, 59};
  for (int i = 0; i < 6; ++i) Put32(time, 112 + 4 * i, clock[i]);
  EXPECT_EQ(Appliance(1)["time"]["hex"], Hex(time));

  // The identity read back from the appliance fills the sub-step.
  EXPECT_EQ(Page().AddressField(kCtlIpAddress)->Text(), "10.77.0.3");
  EXPECT_EQ(Page().Edit(kCtlNasName)->text(), "VBX-207-2");
  Shot("config-5-network");

  Page().AddressField(kCtlIpAddress)->SetText("10.77.0.50");
  W().Type(kCtlNasName, "nas-two");
  W().Type(kCtlWorkGroup, "OFFICE");
  W().Type(kCtlDescription, "Second floor");
  const std::string netmask = Page().AddressField(kCtlNetmask)->Text();
  const std::string gateway = Page().AddressField(kCtlGateway)->Text();
  W().Next();
  ASSERT_TRUE(W().messages.shown.empty()) << W().messages.shown[0].text;
  EXPECT_EQ(W().Wizard().CurrentPageId(), kPageDisk);

  Bytes record(177, 0);
  Put(record, 0, "nas-two");
  Put(record, 20, "10.77.0.50");
  Put(record, 36, nettest::SimulatorMac(1));
  Put(record, 56, netmask);
  Put(record, 72, gateway);
  Put(record, 137, "OFFICE");
  Put(record, 157, "Second floor");
  const auto a = Appliance(1);
  EXPECT_EQ(a["last_item_data"]["17"], Hex(record));
  EXPECT_EQ(a["last_item_data"]["16"], Hex(Bytes{'n', 'v', 'r', 'a', 'm', '_', 'c', 'o', 'm', 'm', 'i', 't'}));
  EXPECT_EQ(a["commit_count"], 1);
  EXPECT_EQ(a["identity"]["ip"], "10.77.0.50");
  EXPECT_EQ(a["committed"]["password"], "ab12cd");
  EXPECT_TRUE(link_->ProbeDeviceAddress("10.77.0.50")) << "the appliance answers at its new address";
  EXPECT_STREQ(W().State().deviceIpSummary, "10.77.0.50");
  EXPECT_STREQ(W().State().deviceIpAddress, "10.77.0.50");
  EXPECT_EQ(FieldText(W().State().deviceHostName), u"nas-two");
  EXPECT_EQ(Appliance(0)["commit_count"], 0) << "the other appliance was not touched";
  EXPECT_EQ(Appliance(0)["password"], "");
  EXPECT_TRUE(W().AllButtonsEnabled());
}

TEST_F(ConfigPageNetTest, WrongPasswordGivesItsMessageAndStays) {
  ChooseAppliance(0);
  // A slow answer: while the page waits, its events keep flowing and its
  // buttons are disabled.
  ASSERT_TRUE(sim_->SetFault({.kind = "delay", .command = kCmdLoginCheck, .delayMs = 700}));
  bool sawDisabled = false;
  int ticks = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    ++ticks;
    sawDisabled = sawDisabled || W().AllButtonsDisabled();
  });
  probe.start(50);
  W().Type(kCtlLoginPassword, "guess");
  W().Next();
  probe.stop();
  EXPECT_TRUE(sawDisabled);
  EXPECT_GE(ticks, 5) << "the UI thread kept dispatching events during the exchange";

  ASSERT_EQ(W().messages.shown.size(), 1u);
  EXPECT_EQ(W().messages.shown[0].text, "Incorrect password!");
  EXPECT_EQ(W().messages.shown[0].icon, MessageIcon::None);
  EXPECT_EQ(W().messages.shown[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(Page().CurrentSubStep(), kStepLogin);
  EXPECT_EQ(Page().Edit(kCtlLoginPassword)->text(), "guess");
  EXPECT_EQ(Appliance(0)["logins"]["rejected"], 1);
  EXPECT_TRUE(W().AllButtonsEnabled());
}

TEST_F(ConfigPageNetTest, RefusedIdentityRecordGivesChangeFailedAndStays) {
  ChooseAppliance(0);
  LogInAndSetUp("abc123");
  ASSERT_TRUE(sim_->SetFault({.kind = "refuse", .command = kCmdSetItem, .item = 17}));
  Page().AddressField(kCtlIpAddress)->SetText("10.77.0.60");
  W().Next();
  ASSERT_EQ(W().messages.shown.size(), 1u);
  EXPECT_EQ(W().messages.shown[0].text, "Change target setting failed !");
  EXPECT_EQ(W().messages.shown[0].icon, MessageIcon::Error);
  EXPECT_EQ(Page().CurrentSubStep(), kStepNetwork);
  EXPECT_EQ(W().Wizard().CurrentPageId(), kPageConfig);
  const auto a = Appliance(0);
  EXPECT_EQ(a["commit_count"], 0) << "nothing was committed";
  EXPECT_EQ(a["identity"]["ip"], "10.77.0.2");
  EXPECT_EQ(Page().AddressField(kCtlIpAddress)->Text(), "10.77.0.60");
  EXPECT_TRUE(W().AllButtonsEnabled());

  // With the appliance willing again, a further Next sends the whole
  // sequence and moves it.
  ASSERT_TRUE(sim_->ClearFaults());
  W().messages.shown.clear();
  W().Next();
  EXPECT_TRUE(W().messages.shown.empty());
  EXPECT_EQ(Appliance(0)["commit_count"], 1);
  EXPECT_EQ(Appliance(0)["identity"]["ip"], "10.77.0.60");
  EXPECT_EQ(W().Wizard().CurrentPageId(), kPageDisk);
}

TEST_F(ConfigPageNetTest, BackFromLoginRunsDiscoveryAgain) {
  ChooseAppliance(1);
  const int queries = Appliance(0)["counts"].value("0", 0);
  W().Back();
  EXPECT_EQ(Page().CurrentSubStep(), kStepSelectDevice);
  EXPECT_GT(Appliance(0)["counts"].value("0", 0), queries);
  EXPECT_EQ(Page().DeviceList()->rowCount(), 2);
  EXPECT_EQ(Page().DeviceList()->FocusRow(), 0);
  EXPECT_TRUE(Page().RefreshButton()->isVisible());
  EXPECT_TRUE(Page().IdentifyButton()->isVisible());
  EXPECT_TRUE(W().AllButtonsEnabled());

  // Identify lights the focus row's appliance only.
  Page().DeviceList()->SetFocusRow(1);
  W().Click(Page().IdentifyButton());
  EXPECT_EQ(Appliance(1)["identify_count"], 1);
  EXPECT_EQ(Appliance(0)["identify_count"], 0);
}

TEST_F(ConfigPageNetTest, ComingBackFromTheDiskProfilePageLandsOnTheNetworkStep) {
  ChooseAppliance(0);
  LogInAndSetUp("abc123");
  W().Type(kCtlDescription, "kept");
  W().Next();
  ASSERT_EQ(W().Wizard().CurrentPageId(), kPageDisk);

  W().Wizard().DiskPage()->OnBack();
  EXPECT_EQ(W().Wizard().CurrentPageId(), kPageConfig);
  EXPECT_EQ(Page().CurrentSubStep(), kStepNetwork);
  EXPECT_EQ(Page().Edit(kCtlDescription)->text(), "kept");
  EXPECT_EQ(Page().AddressField(kCtlIpAddress)->Text(), "10.77.0.2");
  EXPECT_EQ(Page().TimeMemory().listIndex[0], kDefaultTimeZone) << "entering resets the time memory";
  EXPECT_TRUE(Page().AddressField(kCtlIpAddress)->isVisible());

  // An unchanged address still goes through the whole sequence.
  W().Next();
  EXPECT_EQ(W().Wizard().CurrentPageId(), kPageDisk);
  EXPECT_EQ(Appliance(0)["commit_count"], 2);
}

}  // namespace
}  // namespace sp::test
