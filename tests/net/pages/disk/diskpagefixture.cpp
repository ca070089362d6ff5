#include "tests/net/pages/disk/diskpagefixture.h"

#include <QCoreApplication>

#include "base/text.h"

namespace sp::test {

std::string Markup(const CHTMLStatic* label) { return Utf16ToUtf8(label->Text()); }

std::vector<std::string> ShownTexts(const CConfigDlg_HD& page) {
  std::vector<std::string> texts;
  for (int i = 0; i < CConfigDlg_HD::kTextLabelCount; ++i) {
    if (page.TextLabel(i)->isVisible()) texts.push_back(Markup(page.TextLabel(i)));
  }
  return texts;
}

bool Shows(const CConfigDlg_HD& page, const std::string& text) {
  for (const auto& markup : ShownTexts(page)) {
    if (markup.find(text) != std::string::npos) return true;
  }
  return false;
}

std::vector<std::string> Entries(const QComboBox* list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list->count(); ++i) entries.push_back(list->itemText(i).toStdString());
  return entries;
}

void DiskPageTest::StartWith(int disks) {
  sim_ = nettest::StartSimulator(net(), {"--appliance", "disks=" + std::to_string(disks)});
  ASSERT_NE(sim_, nullptr);
  mac_ = nettest::SimulatorMac(0);
  // The UI thread makes the link's sockets: it works from the PC's side.
  savedNs_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(savedNs_, 0);
  std::string why;
  ASSERT_TRUE(nettest::EnterNetworkNamespace(net().pc(), &why)) << why;

  addresses_ = std::make_unique<LinuxLocalAddresses>();
  link_ = std::make_unique<DeviceLink>(*addresses_, [] { QCoreApplication::processEvents(); });
  services_.programDir = ProgramDir();
  services_.language = &language_;
  services_.messageBox = &messages_;
  services_.checkPage.adapterLink = link_.get();
  services_.configPage.link = link_.get();
  DiskPageServices& disk = services_.diskPage;
  disk.link = link_.get();
  disk.driveLetters = &storage_;
  disk.netConnections = &connections_;
  disk.initiatorService = &initiator_;
  disk.launcher = &launcher_;
  disk.desktop = &desktop_;
  initiator_.running = true;
}

void DiskPageTest::TearDown() {
  wizard_.reset();
  link_.reset();
  addresses_.reset();
  if (savedNs_ >= 0) {
    EXPECT_EQ(setns(savedNs_, CLONE_NEWNET), 0);
    close(savedNs_);
    savedNs_ = -1;
  }
  NetworkTest::TearDown();
}

void DiskPageTest::FreeOnly(const std::string& freeLetters) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (freeLetters.find(letter) == std::string::npos) {
      storage_.MountOutside("/dev/fake" + std::string(1, static_cast<char>(letter - 'A' + 'a')), letter);
    }
  }
}

CConfigDlg_HD& DiskPageTest::EnterDiskPage() {
  if (!wizard_) {
    wizard_ = std::make_unique<CMainDlg>(services_);
    QObject::connect(wizard_.get(), &QDialog::finished, [this](int code) { finished_.push_back(code); });
    wizard_->show();
    if (!WaitUntil([this] { return !wizard_->PagesWaiting(); })) ADD_FAILURE() << "the pages were not built";
  }
  // What the device configuration page's last Next leaves behind.
  CopyBounded(State().targetMac, mac_);
  CopyBounded(State().deviceIpWide, u"10.77.0.2");
  wizard_->ConfigPage()->ShowSubStep(5);
  wizard_->ShowPage(kPageDisk);
  Settle(30);
  return Page();
}

void DiskPageTest::Click(QAbstractButton* button) {
  ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
  QTest::mouseClick(button, Qt::LeftButton);
  Settle(10);
}

void DiskPageTest::NextTo(int k) {
  while (Page().CurrentSubStep() < k) {
    const int before = Page().CurrentSubStep();
    Next();
    ASSERT_GT(Page().CurrentSubStep(), before) << "Next did not move on from sub-step " << before;
  }
}

}  // namespace sp::test
