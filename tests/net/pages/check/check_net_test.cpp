// The connection check page against the real adapter test: the device
// link's own check, run on a thread inside a private network namespace.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>

#include "devicelink/devicelink.h"
#include "pages/check/ccheckdlg.h"
#include "pages/check/core/connectioncheck.h"
#include "pages/welcome/cwelcomedlg.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "tests/net/harness/networktest.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

// The real DeviceLink with the real address list, each call made on a
// thread inside namespace `ns` (sockets and addresses are per namespace).
class LinkInNamespace : public IDeviceLink {
 public:
  explicit LinkInNamespace(std::string ns) : ns_(std::move(ns)) {}
  int SendDeviceCommand(const char* mac, std::uint8_t command, const std::uint8_t* payload, std::size_t length,
                        std::uint8_t* reply) override {
    return nettest::RunInNamespace(ns_, [&] { return link_.SendDeviceCommand(mac, command, payload, length, reply); });
  }
  void DiscoverDevices(IDeviceList& list) override {
    nettest::RunInNamespace(ns_, [&] { link_.DiscoverDevices(list); });
  }
  bool ProbeDeviceAddress(const char* ip) override {
    return nettest::RunInNamespace(ns_, [&] { return link_.ProbeDeviceAddress(ip); });
  }
  bool HasUsableAdapter() override {
    ++checks;
    return nettest::RunInNamespace(ns_, [&] { return link_.HasUsableAdapter(); });
  }
  std::atomic<int> checks{0};

 private:
  std::string ns_;
  LinuxLocalAddresses addresses_;
  DeviceLink link_{addresses_};
};

class CheckNetTest : public nettest::NetworkTest {
 protected:
  // Runs the check page once over `link`; returns the page when it finished.
  CCheckDlg* RunCheck(IDeviceLink& link) {
    services_.programDir = ProgramDir();
    services_.language = &language_;
    services_.checkPage.adapterLink = &link;
    services_.messageBox = &messages_;
    services_.checkPage.stepMs = 1;
    wizard_ = std::make_unique<CMainDlg>(services_);
    wizard_->show();
    CWelcomeDlg* welcome = wizard_->WelcomePage();
    QTest::mouseClick(welcome->AgreementBox(), Qt::LeftButton);
    QTest::mouseClick(welcome->NextButton(), Qt::LeftButton);
    CCheckDlg* page = wizard_->CheckPage();
    EXPECT_TRUE(WaitUntil([&] { return page->NextButton()->isEnabled() || page->Label(1119)->isVisible(); }, 20000));
    return page;
  }
  void TearDown() override {
    wizard_.reset();
    NetworkTest::TearDown();
  }

  SelectorLanguageControl language_{ProgramDir()};
  FakeMessageBox messages_;
  WizardServices services_;
  std::unique_ptr<CMainDlg> wizard_;
};

TEST_F(CheckNetTest, PassesOnThePcsNetwork) {
  LinkInNamespace link(net().pc());
  CCheckDlg* page = RunCheck(link);
  EXPECT_TRUE(page->NextButton()->isEnabled());
  EXPECT_EQ(page->PageSurface()->List(), kCheckPassedList);
  EXPECT_TRUE(page->Label(1054)->isVisible());
  EXPECT_EQ(link.checks.load(), 2);
}

TEST_F(CheckNetTest, FailsWithOnlyLoopback) {
  const std::string lonely = net().AddNamespace("lo");
  ASSERT_FALSE(lonely.empty());
  LinkInNamespace link(lonely);
  CCheckDlg* page = RunCheck(link);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_FALSE(page->ProgressBar()->isVisible());
  EXPECT_EQ(page->PageSurface()->List(), kCheckRow1FailedList);
  for (int id : {1119, 1116, 1117, 1118, 1120}) EXPECT_TRUE(page->Label(id)->isVisible()) << id;
  EXPECT_EQ(link.checks.load(), 1);
}

TEST_F(CheckNetTest, FailsWhenPort7778IsTakenEverywhere) {
  // Another program holds UDP port 7778 on the PC's only address, without
  // address sharing: the wizard cannot use it.
  const std::string ns = net().pc();
  const int holder = nettest::RunInNamespace(ns, [] {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(7778);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? fd : -1;
  });
  ASSERT_GE(holder, 0);
  LinkInNamespace link(ns);
  CCheckDlg* page = RunCheck(link);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_EQ(page->PageSurface()->List(), kCheckRow1FailedList);
  ::close(holder);
}

}  // namespace
}  // namespace sp::test
