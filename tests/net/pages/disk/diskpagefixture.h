#pragma once
// The whole wizard window on the PC side of a private test network, with the
// appliance simulator on the other side: the disk profile page queries the
// simulated appliance over the real device link. The test's main thread (the
// UI thread) joins the pc namespace for the test and leaves it afterwards.
//
// Drive letters, remembered connections, the initiator service and the
// process launcher are stateful fakes the test sets up; message boxes are
// recorded and answered as queued; opened web pages are recorded.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/cmaindlg.h"
#include "app/ilanguagecontrol.h"
#include "devicelink/devicelink.h"
#include "framework/core/fakemessagebox.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "platform/fake/fakedesktopshell.h"
#include "platform/fake/fakeinitiatorservice.h"
#include "platform/fake/fakenetwork.h"
#include "platform/fake/fakeprocesslauncher.h"
#include "platform/fake/fakestorage.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "tests/net/harness/networktest.h"
#include "tests/net/harness/simulatorinnetwork.h"
#include "tests/support/guiwait.h"
#include "uikit/cbitcombobox.h"
#include "uikit/ccolorlist.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp::test {

inline std::string ProgramDir() { return SP_PROGRAM_DIR; }

// The label's markup as UTF-8.
std::string Markup(const CHTMLStatic* label);
// The texts of the shown labels of `page`, in label order.
std::vector<std::string> ShownTexts(const CConfigDlg_HD& page);
// Whether one of the shown labels' markup contains `text`.
bool Shows(const CConfigDlg_HD& page, const std::string& text);
// The entries of a letter list.
std::vector<std::string> Entries(const QComboBox* list);

class DiskPageTest : public nettest::NetworkTest {
 protected:
  // Builds the network, starts the simulator with one appliance that has
  // `disks` disks and moves the UI thread into the pc namespace.
  void StartWith(int disks);
  void TearDown() override;

  // Makes only `freeLetters` free (every other letter from A to Z is mounted).
  void FreeOnly(const std::string& freeLetters);

  // Builds the window (shown) and enters the disk profile page as the device
  // configuration page's last Next does.
  CConfigDlg_HD& EnterDiskPage();
  CMainDlg& Wizard() { return *wizard_; }
  CConfigDlg_HD& Page() { return *wizard_->DiskPage(); }
  WizardState& State() { return wizard_->State(); }

  void Click(QAbstractButton* button);
  void Next() { Click(Page().NextButton()); }
  void Back() { Click(Page().BackButton()); }
  // Walks from sub-step 1 to `k` with Next.
  void NextTo(int k);
  bool Ended() const { return !finished_.empty(); }

  std::unique_ptr<sim::SimClient> sim_;
  std::string mac_;
  int savedNs_ = -1;

  SelectorLanguageControl language_{ProgramDir()};
  std::unique_ptr<LinuxLocalAddresses> addresses_;
  std::unique_ptr<DeviceLink> link_;
  FakeStorage storage_;
  FakeNetConnections connections_;
  FakeInitiatorService initiator_;
  FakeProcessLauncher launcher_;
  FakeMessageBox messages_;
  FakeDesktopShell desktop_;
  WizardServices services_;
  std::unique_ptr<CMainDlg> wizard_;
  std::vector<int> finished_;
};

}  // namespace sp::test
