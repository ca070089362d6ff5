// The final page in the whole wizard window, offscreen: the working layout
// while the appliance formats, the three summary layouts, the failure text,
// Finish ending a sleeping worker at once, and pictures of each.
#include "pages/final/cnetcfgdlg.h"

#include <QTest>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "framework/core/pageids.h"
#include "pages/final/core/finalsequence.h"
#include "setupreport/setupreport.h"
#include "tests/pages/final/finalworld.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

using finaltest::InquiryOf;

// The appliance on the worker's link: the format request is accepted, the
// progress query answers `progress`; from the `holdAt`-th query on it waits
// until released, as an appliance slow to answer would.
class GatedApplianceLink : public IDeviceLink {
 public:
  int SendDeviceCommand(const char*, std::uint8_t command, const std::uint8_t*, std::size_t,
                        std::uint8_t* replyArea) override {
    std::unique_lock lock(mutex_);
    std::string data;
    if (command == kCmdStartDiskSetup) ++formats_;
    if (command == kCmdQueryProgress) {
      ++polls_;
      changed_.notify_all();
      if (holdAt_ && polls_ >= holdAt_) changed_.wait(lock, [this] { return released_; });
      if (silent_) return 0;
      data = progress_;
    }
    std::memset(replyArea, 0, kReplyAreaSize);
    replyArea[0] = kReplyAccepted;
    replyArea[1] = command;
    std::memcpy(replyArea + 5, data.data(), data.size());
    return static_cast<int>(27 + data.size());
  }
  void DiscoverDevices(IDeviceList&) override {}
  bool ProbeDeviceAddress(const char*) override { return false; }
  bool HasUsableAdapter() override { return true; }

  void Script(std::string progress, int holdAt) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(progress);
    holdAt_ = holdAt;
    released_ = false;
  }
  void Release(std::string progress) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(progress);
    released_ = true;
    changed_.notify_all();
  }
  int polls() {
    std::lock_guard lock(mutex_);
    return polls_;
  }
  int formats() {
    std::lock_guard lock(mutex_);
    return formats_;
  }
  // From now on the progress query gets no reply.
  void FallSilent() {
    std::lock_guard lock(mutex_);
    silent_ = true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string progress_ = "100";
  int holdAt_ = 0;
  int polls_ = 0;
  int formats_ = 0;
  bool released_ = true;
  bool silent_ = false;
};

QImage GrabWindow(CMainDlg& w) {
  QCoreApplication::processEvents();
  QImage image = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion shape = w.mask();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!shape.contains(QPoint(x, y))) image.setPixel(x, y, 0);
    }
  }
  return image;
}

// The text a label shows, markup and entities resolved.
std::u16string Shown(CHTMLStatic* label) {
  label->EnsureLayout();
  std::u16string text;
  for (const auto& run : label->Drawer().Runs()) text += run->text;
  return text;
}

class FinalPageTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    FakeIscsiInitiator::Lun lun;
    lun.devicePath = finaltest::kLunDisk;
    initiator_.AddReachablePortal(finaltest::kApplianceIp, 3260, {{finaltest::kTarget, "vbx207", {lun}}});
    initiator_.SetNextDiskNumber(finaltest::kLunDiskNumber);
    storage_.AddDisk(finaltest::kSystemDisk, 500ull << 30, InquiryOf("ATA     "));
    storage_.AddDisk(finaltest::kLunDisk, 64ull << 20, InquiryOf("KORVA   "));
    services_.finalPage.link = &appliance_;
    services_.finalPage.iscsiInterpreter = &interpreter_;
    services_.finalPage.diskPreparation = &disks_;
    services_.finalPage.shareMapping = &shares_;
    services_.finalPage.desktopShell = &desktop_;
    services_.finalPage.pausePercent = 0;
  }
  void TearDown() override {
    appliance_.Release("100");  // a worker held by the appliance can end
    WizardTest::TearDown();
  }

  CNetcfgDlg* Page() { return Wizard().FinalPage(); }

  // What the disk profile page leaves in the record.
  void FillRecord(int nasGb, int iscsiGb) {
    WizardState& s = Wizard().State();
    CopyBounded(s.targetMac, finaltest::kMac);
    CopyBounded(s.deviceIpAddress, finaltest::kApplianceIp);
    CopyBounded(s.deviceHostName, u"storage1");
    CopyBounded(s.deviceTime, "(GMT+01:00) Amsterdam, Berlin, Rome");
    CopyBounded(s.deviceIpSummary, "10.77.0.2");
    CopyBounded(s.webLoginPassword, "Vault-2024");
    s.nasSharePercent = nasGb && iscsiGb ? 60 : nasGb ? 100 : 0;
    s.diskLevelCode = 2;
    if (nasGb) CopyBounded(s.nasDriveLetter, "Y:");
    if (iscsiGb) CopyBounded(s.iscsiDriveLetter, "X:");
    s.nasSizeGb = nasGb;
    CopyBounded(s.nasLevel, nasGb ? "Standard" : "");
    s.iscsiSizeGb = iscsiGb;
    CopyBounded(s.iscsiLevel, iscsiGb ? "Standard" : "");
  }

  // As the disk profile page does on its last Next.
  void StartAndShow() { Wizard().ShowPage(kPageFinal); }

  void Save(const std::string& name) {
    const QImage image = GrabWindow(Wizard());
    ASSERT_EQ(image.size(), QSize(722, 532));
    const std::string path = SaveScreenshot(image, name);
    if (!path.empty()) std::cout << "screenshot: " << path << "\n";
  }

  void ExpectRow(int id, int y) {
    CHTMLStatic* label = Page()->Label(id);
    EXPECT_TRUE(label->isVisible()) << id;
    EXPECT_EQ(label->geometry(), QRect(55, y, 500, 30)) << id;
  }
  void ExpectHidden(std::initializer_list<int> ids) {
    for (int id : ids) EXPECT_FALSE(Page()->Label(id)->isVisible()) << id;
  }

  GatedApplianceLink appliance_;
  FakeIscsiInitiator initiator_;
  FakeStorage storage_;
  finaltest::StorageVolumes volumes_{storage_};
  DiscardingStream report_;
  IscsiInterpreter interpreter_{initiator_, volumes_, report_};
  DiskPreparation disks_{storage_, storage_, storage_, storage_, finaltest::FastDiskOptions()};
  FakeNetConnections connections_;
  FakeNetUse netUse_;
  ShareMapping shares_{connections_, netUse_, agent_};  // the agent the main window closes
  FakeDesktopShell desktop_;
};

TEST_F(FinalPageTest, WorkingLayoutFollowsTheApplianceThenTheSummaryEndsTheRun) {
  FillRecord(600, 400);
  appliance_.Script("40", 2);
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return page->ProgressBar()->value() == 31; })) << page->ProgressBar()->value();
  ASSERT_TRUE(WaitUntil([&] { return appliance_.polls() == 2; }));
  Settle(30);

  // Working: title, three lines, the bar at (70,177), Finish hidden and off.
  EXPECT_EQ(page->CurrentLayout(), CNetcfgDlg::Layout::Working);
  EXPECT_EQ(page->ProgressBar()->geometry(), QRect(70, 177, 300, 20));
  EXPECT_TRUE(page->ProgressBar()->isVisible());
  EXPECT_FALSE(page->FinishButton()->isVisible());
  EXPECT_FALSE(page->FinishButton()->isEnabled());
  EXPECT_FALSE(page->BackButton()->isVisible());
  EXPECT_EQ(page->PageSurface()->List(), kFinalFormattingList);
  EXPECT_EQ(Shown(page->Label(1100)), u"Format and setup shared folder");
  EXPECT_EQ(page->Label(1102)->geometry(), QRect(100, 102, 500, 30));
  EXPECT_EQ(page->Label(1103)->geometry(), QRect(100, 132, 300, 30));
  ExpectHidden({1110, 1111, 1112, 1113, 1114, 1115, 1119});
  EXPECT_EQ(Wizard().CurrentPageId(), kPageFinal);
  Save("final-working");

  appliance_.Release("100");
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Summary; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  EXPECT_FALSE(page->ProgressBar()->isVisible());
  EXPECT_TRUE(page->FinishButton()->isVisible());
  EXPECT_TRUE(page->FinishButton()->isEnabled());
  EXPECT_EQ(page->PageSurface()->List(), kFinalBackgroundList);
  EXPECT_EQ(Wizard().State().nasMapped, 1);
  EXPECT_EQ(desktop_.commandLines, std::vector<std::string>{"explorer X:\\"});
  EXPECT_FALSE(storage_.DeviceAtLetter('X').empty()) << "the iSCSI volume is at its letter";
  Save("final-summary");

  QTest::mouseClick(page->FinishButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
}

TEST_F(FinalPageTest, SummaryRowsForBothNasOnlyAndIscsiOnly) {
  Wizard().TStackedDialog::ShowPage(kPageFinal);  // shown, not started
  CNetcfgDlg* page = Page();
  const auto summary = [&](int nas, int iscsi) {
    FillRecord(nas, iscsi);
    wm::PostWizardEvent(page, wm::kFinalSummary);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->CurrentLayout(), CNetcfgDlg::Layout::Summary);
    EXPECT_EQ(page->Label(1101)->geometry(), QRect(35, 60, 500, 30));
    EXPECT_EQ(Shown(page->Label(1101)), u"VBX-207 Information");
    ExpectRow(1102, 90);
    ExpectRow(1103, 120);
    ExpectRow(1110, 150);
  };

  // The surroundings of an ended run: the background Start set, Finish the
  // worker showed.
  page->PageSurface()->SetList(kFinalBackgroundList);
  QCoreApplication::postEvent(page, new QEvent(CNetcfgDlg::kFinishShowEvent));
  summary(600, 400);
  CopyBounded(Wizard().State().webLoginPassword, "p&w;<b>&amp;");
  wm::PostWizardEvent(page, wm::kFinalSummary);
  QCoreApplication::processEvents();
  for (auto [id, y] : {std::pair{1111, 180}, {1112, 210}, {1113, 240}, {1114, 270}, {1115, 300}, {1119, 330}}) {
    ExpectRow(id, y);
  }
  EXPECT_EQ(Shown(page->Label(1102)), u"Device time: (GMT+01:00) Amsterdam, Berlin, Rome");
  EXPECT_EQ(Shown(page->Label(1110)), u"Webpage login password: p&w;<b>&amp;") << "shown as typed, not read as markup";
  EXPECT_EQ(Shown(page->Label(1111)), u"NAS shared folder path: Y: (Volume1)");
  EXPECT_EQ(Shown(page->Label(1112)), u"NAS size: 600 GB");
  EXPECT_EQ(Shown(page->Label(1114)), u"iSCSI shared folder path: X: ");
  EXPECT_EQ(Shown(page->Label(1115)), u"iSCSI size: 400 GB");
  EXPECT_EQ(Shown(page->Label(1119)), u"iSCSI level: Standard");

  summary(1000, 0);
  ExpectRow(1111, 180);
  ExpectRow(1112, 210);
  ExpectRow(1113, 240);
  ExpectHidden({1114, 1115, 1119});
  Save("final-summary-nas");

  summary(0, 1000);
  ExpectHidden({1111, 1112, 1113});
  ExpectRow(1114, 180);
  ExpectRow(1115, 210);
  ExpectRow(1119, 240);
  EXPECT_EQ(Shown(page->Label(1115)), u"iSCSI size: 1000 GB");
  Save("final-summary-iscsi");
}

TEST_F(FinalPageTest, DiskStepsNotAllowedAreTheVolumesReason) {
  FillRecord(600, 400);
  storage_.refuse = StorageRefusal::kNotAuthorised;
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Summary; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  EXPECT_EQ(Shown(page->Label(1114)), u"iSCSI volume: not attached (you were not allowed to change this PC's disks)");
  EXPECT_LE(page->Label(1114)->TextBottom(), page->Label(1114)->height());
  Save("final-summary-notauthorised");
  Wizard().close();
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
}

TEST_F(FinalPageTest, NoAgentEndsWithTheFailureText) {
  FillRecord(600, 400);
  agent_.present = false;
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Failure; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  EXPECT_EQ(page->Label(1101)->pos(), QPoint(35, 60));
  EXPECT_EQ(page->Label(1101)->width(), 500);
  const std::u16string text = Shown(page->Label(1101));
  EXPECT_EQ(text.rfind(u"The wizard has experienced some problems", 0), 0u);
  EXPECT_LE(page->Label(1101)->TextBottom(), page->Label(1101)->height()) << "the whole text, Thank You included";
  EXPECT_NE(text.find(u"Thank You."), std::u16string::npos);
  EXPECT_TRUE(page->Label(1100)->isVisible());
  // One line under it names what did work.
  EXPECT_EQ(Shown(page->Label(1102)), u"The iSCSI volume is ready at X:.");
  EXPECT_GE(page->Label(1102)->y(), page->Label(1101)->geometry().bottom());
  ExpectHidden({1103, 1110, 1111, 1112, 1113, 1114, 1115, 1119});
  EXPECT_FALSE(page->ProgressBar()->isVisible());
  EXPECT_TRUE(page->FinishButton()->isVisible());
  EXPECT_TRUE(page->FinishButton()->isEnabled());
  Save("final-failure");
}

TEST_F(FinalPageTest, TheOutcomeSaysWhatIsMissingAndWhy) {
  // Both services; the share is mapped, the iSCSI target never takes a
  // login: the NAS rows and one row for the volume that is not there.
  FillRecord(600, 400);
  for (int i = 0; i < 10; ++i) initiator_.FailNext(FakeIscsiInitiator::Op::AddIScsiSendTargetPortal, 1231);
  StartAndShow();
  CNetcfgDlg* page = Page();
  // A window-manager close while the sequence runs asks nothing and does
  // nothing; once Finish is there it does what Finish does.
  Wizard().close();
  Settle(20);
  EXPECT_TRUE(finishedCodes_.empty());
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Summary; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  for (auto [id, y] : {std::pair{1111, 180}, {1112, 210}, {1113, 240}}) ExpectRow(id, y);
  EXPECT_EQ(page->Label(1114)->geometry(), QRect(55, 270, 500, 60)) << "room for a reason that wraps";
  EXPECT_LE(page->Label(1114)->TextBottom(), page->Label(1114)->height());
  EXPECT_EQ(Shown(page->Label(1114)), u"iSCSI volume: not attached (no iSCSI target answered at the VBX-207)");
  ExpectHidden({1115, 1119});
  EXPECT_TRUE(desktop_.commandLines.empty());
  Save("final-summary-noiscsi");
  Wizard().close();
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
}

TEST_F(FinalPageTest, TryAgainRedoesTheFailedShareWithoutFormattingAndTheReportIsOneClickAway) {
  char folder[] = "/tmp/final-report-XXXXXX";
  ASSERT_TRUE(mkdtemp(folder));
  SetCurrentSetupReport(SetupReport::Create(folder, std::chrono::system_clock::now()));
  const std::string reportPath = CurrentSetupReport()->Path();
  FillRecord(600, 400);
  agent_.present = false;
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Failure; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  CHoverButtonEx* again = page->BackButton();
  ASSERT_TRUE(again->isVisible());
  EXPECT_EQ(again->geometry(), QRect(336, 413, 104, 39));
  EXPECT_EQ(again->text(), QStringLiteral("Try again"));
  ASSERT_TRUE(page->ReportLink()->isVisible());
  EXPECT_EQ(Shown(page->ReportLink()), u"Open the setup report");
  EXPECT_LE(page->ReportLink()->geometry().right(), again->x());
  Save("final-failure-tryagain");
  page->ReportLink()->ClickAt(QPoint(20, 10));
  ASSERT_EQ(desktop_.links.size(), 1u);
  EXPECT_EQ(Utf16ToUtf8(desktop_.links[0]), reportPath);
  // The keyboard reaches it too.
  EXPECT_EQ(page->ReportLink()->focusPolicy(), Qt::TabFocus);
  QTest::keyClick(page->ReportLink(), Qt::Key_Return);
  EXPECT_EQ(desktop_.links.size(), 2u);

  agent_.present = true;
  QTest::mouseClick(again, Qt::LeftButton);
  EXPECT_FALSE(again->isVisible());
  EXPECT_FALSE(page->FinishButton()->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Summary; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  EXPECT_EQ(appliance_.formats(), 1) << "the appliance formatted once";
  EXPECT_TRUE(page->Report().nasMapped);
  EXPECT_FALSE(again->isVisible());
  EXPECT_TRUE(page->ReportLink()->isVisible());
  EXPECT_TRUE(page->FinishButton()->isEnabled());
  Save("final-summary-after-retry");
  const std::string text = CurrentSetupReport()->Text();
  EXPECT_NE(text.find("trying the PC's steps again: share mapping"), std::string::npos) << text;
  EXPECT_NE(text.find("shared folder mapped at Y:"), std::string::npos);
  SetCurrentSetupReport(nullptr);
  std::filesystem::remove_all(folder);
}

TEST_F(FinalPageTest, WaitingForTheApplianceIsSaidAndItsSilenceEndsTheRun) {
  FillRecord(600, 400);
  services_.finalPage.silentPolls = 2;
  appliance_.Script("0", 1);
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return appliance_.polls() == 1; }));
  Settle(30);
  CHTMLStatic* waiting = page->Label(CNetcfgDlg::kWaitingLabelId);
  EXPECT_TRUE(waiting->isVisible());
  EXPECT_EQ(Shown(waiting), u"Waiting for the VBX-207 to report its progress...");
  EXPECT_GE(waiting->y(), page->ProgressBar()->geometry().bottom());
  Save("final-waiting");

  appliance_.FallSilent();
  appliance_.Release("0");
  ASSERT_TRUE(WaitUntil([&] { return page->CurrentLayout() == CNetcfgDlg::Layout::Failure; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return !page->WorkerRunning(); }));
  Settle(30);
  EXPECT_EQ(Shown(page->Label(1102)), u"The VBX-207 stopped answering while it formatted its disks.");
  EXPECT_EQ(initiator_.CallCount(FakeIscsiInitiator::Op::AddIScsiSendTargetPortal), 0) << "nothing set up after it";
  EXPECT_EQ(Wizard().State().nasMapped, 0);
  Save("final-failure-silent");
}

TEST_F(FinalPageTest, FinishStopsASleepingWorkerAtOnceAndNothingChangesAfterwards) {
  // Every pause is 10000 times as long: the first one lasts close to three
  // hours, so only a stop that wakes the worker lets this test end.
  services_.finalPage.pausePercent = 1000000;
  FillRecord(600, 400);
  StartAndShow();
  CNetcfgDlg* page = Page();
  ASSERT_TRUE(WaitUntil([&] { return page->PageSurface()->List() == kFinalFormattingList; }));
  Settle(50);
  ASSERT_TRUE(page->WorkerRunning());
  const int value = page->ProgressBar()->value();

  // Finish is hidden while the sequence runs; this is what its click runs
  // (and what ends a worker still finishing its last steps).
  page->OnFinish();
  EXPECT_FALSE(page->WorkerRunning()) << "stopped and collected when Finish returns";
  Settle(100);
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
  EXPECT_EQ(page->ProgressBar()->value(), value);
  EXPECT_EQ(page->PageSurface()->List(), kFinalFormattingList);
  EXPECT_EQ(page->CurrentLayout(), CNetcfgDlg::Layout::Working);
  EXPECT_EQ(appliance_.polls(), 0);
}

TEST_F(FinalPageTest, ClosingTheWizardWhileTheWorkerWaitsForTheApplianceEndsIt) {
  FillRecord(600, 400);
  appliance_.Script("0", 1);
  StartAndShow();
  ASSERT_TRUE(WaitUntil([&] { return appliance_.polls() == 1; }));
  appliance_.Release("0");  // the reply arrives while the window goes
  wizard_.reset();          // pages torn down: the worker is stopped and joined
  SUCCEED();
}

TEST_F(FinalPageTest, WithoutTheSetupServicesTheFailureTextAndFinishComeAtOnce) {
  services_.finalPage.iscsiInterpreter = nullptr;
  StartAndShow();
  CNetcfgDlg* page = Page();
  EXPECT_EQ(page->CurrentLayout(), CNetcfgDlg::Layout::Failure);
  EXPECT_FALSE(page->WorkerRunning());
  EXPECT_TRUE(page->FinishButton()->isEnabled());
}

}  // namespace
}  // namespace sp::test
