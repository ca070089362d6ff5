#pragma once
// The whole wizard window with the device configuration page entered, for
// the page's widget tests: the real main window and pages over the pictures
// the build drew, a scripted message box, and the device link and iSCSI
// interpreter the test gives.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "app/cmaindlg.h"
#include "app/ilanguagecontrol.h"
#include "framework/core/fakemessagebox.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"
#include "platform/fake/fakeiscsiinitiator.h"
#include "platform/fake/fakevolumeenumerator.h"
#include "tests/support/guiwait.h"
#include "uikit/cbitcombobox.h"
#include "uikit/choverbuttonex.h"

namespace sp::test {

inline std::string ProgramDir() { return SP_PROGRAM_DIR; }

class ConfigWizard {
 public:
  explicit ConfigWizard(IDeviceLink& link, INetworkFacts* networkFacts = nullptr,
                        const ApplianceMemory* memory = nullptr) {
    CBitComboBox::SetDefaultBitmapFolder(CBitComboBox::BitmapFolderFor(ProgramDir()));
    services_.programDir = ProgramDir();
    services_.language = &language_;
    services_.messageBox = &messages;
    services_.checkPage.adapterLink = &link;
    services_.configPage = {&link, &interpreter, nullptr, networkFacts, memory};
    wizard_ = std::make_unique<CMainDlg>(services_);
    wizard_->show();
    if (!WaitUntil([this] { return !wizard_->PagesWaiting(); })) ADD_FAILURE() << "the pages were not built";
  }
  ~ConfigWizard() { wizard_.reset(); }

  CMainDlg& Wizard() { return *wizard_; }
  CConfigDlg_Basic& Page() { return *wizard_->ConfigPage(); }
  WizardState& State() { return wizard_->State(); }

  // As the install guide's Next on its last step does.
  void Enter() {
    wizard_->ShowPage(kPageConfig);
    QCoreApplication::processEvents();
  }

  void Click(QAbstractButton* b) {
    ASSERT_TRUE(b->isVisible() && b->isEnabled()) << b->text().toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void Next() { Click(Page().NextButton()); }
  void Back() { Click(Page().BackButton()); }

  void Type(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
  }
  void Type(int editId, const QString& text) { Type(Page().Edit(editId), text); }

  // Sends a key to the widget that has the focus.
  void Key(Qt::Key key) {
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, key);
  }
  // The step control that has the focus (0 for none).
  int FocusedControl() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (w->parentWidget() == &Page()) return w->objectName().toInt();
    return 0;
  }

  bool AllButtonsEnabled() {
    for (auto* b : {Page().BackButton(), Page().NextButton(), Page().CancelButton(), Page().RefreshButton(),
                    Page().IdentifyButton()})
      if (!b->isEnabled()) return false;
    return true;
  }
  bool AllButtonsDisabled() {
    for (auto* b : {Page().BackButton(), Page().NextButton(), Page().CancelButton(), Page().RefreshButton(),
                    Page().IdentifyButton()})
      if (b->isEnabled()) return false;
    return true;
  }

  // The window as the screen shows it (the rounded corners cleared).
  QImage Grab() {
    QCoreApplication::processEvents();
    QImage image = wizard_->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = wizard_->mask();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (!shape.isEmpty() && !shape.contains(QPoint(x, y))) image.setPixel(x, y, 0);
    return image;
  }
  // Writes the window to $SP_SCREENSHOT_DIR/<name>.png; "" without a folder.
  std::string Screenshot(const std::string& name) {
    const QByteArray dir = qgetenv("SP_SCREENSHOT_DIR");
    if (dir.isEmpty()) return {};
    QDir().mkpath(QString::fromLocal8Bit(dir));
    const std::string path = dir.toStdString() + "/" + name + ".png";
    return Grab().save(QString::fromStdString(path), "PNG") ? path : std::string();
  }

  FakeMessageBox messages;
  FakeIscsiInitiator initiator;
  FakeVolumeEnumerator volumes;
  std::ostringstream iscsiOut;
  IscsiInterpreter interpreter{initiator, volumes, iscsiOut};

 private:
  SelectorLanguageControl language_{ProgramDir()};
  WizardServices services_;
  std::unique_ptr<CMainDlg> wizard_;
};

}  // namespace sp::test
