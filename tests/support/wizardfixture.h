#pragma once
// A whole wizard window for page tests: the real main window and pages over
// the pictures the build drew, with a scripted device link, a recording
// message box and share agent, and shortened pauses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <functional>
#include <memory>
#include <string>

#include "app/cmaindlg.h"
#include "app/ilanguagecontrol.h"
#include "framework/core/fakemessagebox.h"
#include "framework/pagecontrols.h"
#include "platform/fake/fakenetwork.h"
#include "tests/support/guiwait.h"
#include "tests/support/scripteddevicelink.h"

namespace sp::test {

// Folder of the built program: pictures in resource/, catalogues beside it.
inline std::string ProgramDir() { return SP_PROGRAM_DIR; }

// Writes `image` to $SP_SCREENSHOT_DIR/<name>.png (build/screenshots under
// ctest); returns the path, or "" when no folder is set.
inline std::string SaveScreenshot(const QImage& image, const std::string& name) {
  const QByteArray dir = qgetenv("SP_SCREENSHOT_DIR");
  if (dir.isEmpty()) return {};
  QDir().mkpath(QString::fromLocal8Bit(dir));
  const std::string path = dir.toStdString() + "/" + name + ".png";
  return image.save(QString::fromStdString(path), "PNG") ? path : std::string();
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.programDir = ProgramDir();
    services_.language = &language_;
    services_.messageBox = &messages_;
    services_.checkPage.adapterLink = &link_;
    services_.configPage.link = &link_;
    services_.diskPage.link = &link_;
    services_.shareAgent = &agent_;
    services_.checkPage.stepMs = 1;
    services_.installPage.frameMs = 40;
    services_.installPage.nextHoldMs = 120;
  }

  // Builds the window (and shows it, as its modal run would).
  CMainDlg& Wizard() {
    if (!wizard_) {
      wizard_ = std::make_unique<CMainDlg>(services_);
      QObject::connect(wizard_.get(), &QDialog::finished, [this](int code) { finishedCodes_.push_back(code); });
      wizard_->show();
      // The pages after the welcome page come with the first paint.
      if (!WaitUntil([this] { return !wizard_->PagesWaiting(); })) ADD_FAILURE() << "the pages were not built";
    }
    return *wizard_;
  }

  void TearDown() override { wizard_.reset(); }

  SelectorLanguageControl language_{ProgramDir()};
  ScriptedDeviceLink link_;
  FakeMessageBox messages_;
  FakeNetDockAgent agent_;
  WizardServices services_;
  std::unique_ptr<CMainDlg> wizard_;
  std::vector<int> finishedCodes_;
};

}  // namespace sp::test
