#include "devtools/tour/wizardwalk.h"

#include <QCheckBox>
#include <QLineEdit>

#include "pages/check/ccheckdlg.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "pages/install/cinstalldlg.h"
#include "pages/welcome/cwelcomedlg.h"
#include "uikit/cbitcombobox.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp::tour {

namespace {

// The daylight-saving lists of the time zone sub-step, in RunChoices order.
constexpr int kDaylightLists[9] = {kCtlList1105, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110,
                                   kCtlList1112, kCtlList1113, kCtlList1114, kCtlList1115};
// The manual clock lists of the date and time sub-step.
constexpr int kClockLists[6] = {kCtlList1105, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110, kCtlList1112};

// The entry of `combo` whose text starts with `prefix`, or -1.
int EntryStartingWith(const QComboBox* combo, const QString& prefix) {
  for (int i = 0; i < combo->count(); ++i) {
    if (combo->itemText(i).startsWith(prefix)) return i;
  }
  return -1;
}

// Ticks `box` with a click when it is not as wanted.
bool SetTicked(TourDriver& t, QAbstractButton* box, bool on) {
  if (box == nullptr) return false;
  if (box->isChecked() != on && !t.Click(box)) return false;
  return box->isChecked() == on;
}

}  // namespace

CConfigDlg_Basic& WizardWalk::Config() { return *t_.wizard().ConfigPage(); }
CConfigDlg_HD& WizardWalk::Disk() { return *t_.wizard().DiskPage(); }

bool WizardWalk::Next() {
  switch (t_.wizard().CurrentPageId()) {
    case kPageWelcome:
      return t_.Click(t_.wizard().WelcomePage()->NextButton());
    case kPageCheck:
      return t_.Click(t_.wizard().CheckPage()->NextButton());
    case kPageInstall:
      return t_.Click(t_.wizard().InstallPage()->NextButton());
    case kPageConfig:
      return t_.Click(Config().NextButton());
    case kPageDisk:
      return t_.Click(Disk().NextButton());
    default:
      return false;
  }
}

bool WizardWalk::NextOnConfig(int expectedSubStep) {
  if (!t_.Click(Config().NextButton())) return false;
  // The page's exchanges keep events flowing; it is done when its buttons
  // are back.
  t_.WaitUntil([&] { return !Config().Busy(); }, 120000);
  return t_.wizard().CurrentPageId() == kPageConfig && Config().CurrentSubStep() == expectedSubStep;
}

bool WizardWalk::NextOnDisk(int expectedSubStep) {
  if (!t_.Click(Disk().NextButton())) return false;
  return Disk().CurrentSubStep() == expectedSubStep;
}

bool WizardWalk::Agree() {
  CWelcomeDlg* page = t_.wizard().WelcomePage();
  if (!t_.WaitUntil([&] { return page->AgreementBox()->isVisible(); }, 5000)) return false;
  if (!SetTicked(t_, page->AgreementBox(), true) || !page->NextButton()->isEnabled()) return false;
  Before("welcome");
  return t_.Click(page->NextButton()) && t_.wizard().CurrentPageId() == kPageCheck;
}

bool WizardWalk::PassCheck(int timeoutMs) {
  CCheckDlg* page = t_.wizard().CheckPage();
  if (t_.wizard().CurrentPageId() != kPageCheck) return false;
  if (!t_.WaitUntil([&] { return page->NextButton()->isEnabled() || page->Label(1119)->isVisible(); }, timeoutMs)) {
    return false;
  }
  if (!page->NextButton()->isEnabled()) return false;
  Before("check");
  return t_.Click(page->NextButton()) && t_.wizard().CurrentPageId() == kPageInstall;
}

bool WizardWalk::InstallStep(int step, int frame, int timeoutMs) {
  CInstallDlg* page = t_.wizard().InstallPage();
  if (t_.wizard().CurrentPageId() != kPageInstall || page->Step() != step) return false;
  if (frame >= 0) {
    const std::string wanted = page->Frames()[static_cast<std::size_t>(frame)];
    if (!t_.WaitUntil([&] { return page->PageSurface()->List() == wanted; }, timeoutMs)) return false;
  }
  // Next is held back for a moment after each step's start.
  if (!t_.WaitUntil([&] { return page->NextButton()->isEnabled(); }, 5000)) return false;
  Before("install-" + std::to_string(step + 1));
  if (!t_.Click(page->NextButton())) return false;
  return step == 2 ? t_.wizard().CurrentPageId() == kPageConfig : page->Step() == step + 1;
}

bool WizardWalk::WaitForDevices(int timeoutMs) {
  return t_.WaitUntil(
      [&] {
        return t_.wizard().CurrentPageId() == kPageConfig && Config().CurrentSubStep() == kStepSelectDevice &&
               !Config().Busy() && Config().DeviceList()->rowCount() > c_.deviceRow;
      },
      timeoutMs);
}

bool WizardWalk::ChooseDevice() {
  if (!WaitForDevices()) return false;
  if (!t_.ClickRow(Config().DeviceList(), c_.deviceRow)) return false;
  if (c_.identify) {
    if (!t_.Click(Config().IdentifyButton())) return false;
    t_.WaitUntil([&] { return !Config().Busy(); }, 30000);
  }
  Before("device-list");
  return NextOnConfig(kStepLogin);
}

bool WizardWalk::LogInWith(const QString& password) {
  if (Config().CurrentSubStep() != kStepLogin) return false;
  if (!t_.Type(Config().Edit(kCtlLoginPassword), password)) return false;
  Before("login");
  return NextOnConfig(kStepPassword);
}

bool WizardWalk::LogIn() { return LogInWith(c_.loginPassword); }

bool WizardWalk::NewPassword() {
  if (Config().CurrentSubStep() != kStepPassword) return false;
  if (!t_.Type(Config().Edit(kCtlNewPassword), c_.newPassword)) return false;
  if (!t_.Type(Config().Edit(kCtlConfirmPassword), c_.newPassword)) return false;
  Before("password");
  return NextOnConfig(kStepTimeZone);
}

bool WizardWalk::TimeZone() {
  CConfigDlg_Basic& page = Config();
  if (page.CurrentSubStep() != kStepTimeZone) return false;
  if (!t_.Choose(page.List(kCtlList1104), c_.timeZone)) return false;
  if (!SetTicked(t_, page.CheckBox(kCtlDaylightSaving), c_.daylightSaving)) return false;
  if (c_.daylightSaving) {
    for (int i = 0; i < 9; ++i) {
      if (!t_.Choose(page.List(kDaylightLists[i]), c_.daylightSavingEntries[static_cast<std::size_t>(i)])) {
        t_.Say("no entry \"" + c_.daylightSavingEntries[static_cast<std::size_t>(i)].toStdString() + "\"");
        return false;
      }
    }
  }
  Before("time-zone");
  return NextOnConfig(kStepDateTime);
}

bool WizardWalk::Clock() {
  CConfigDlg_Basic& page = Config();
  if (page.CurrentSubStep() != kStepDateTime) return false;
  if (!SetTicked(t_, page.CheckBox(kCtlTimeServer), c_.useTimeServer)) return false;
  if (!c_.useTimeServer) {
    for (int i = 0; i < 6; ++i) {
      if (!t_.Choose(page.List(kClockLists[i]), c_.clockEntries[static_cast<std::size_t>(i)])) return false;
    }
  }
  Before("date-time");
  return NextOnConfig(kStepNetwork);
}

bool WizardWalk::FillIdentity() {
  CConfigDlg_Basic& page = Config();
  if (page.CurrentSubStep() != kStepNetwork) return false;
  if (!c_.ipAddress.empty() && !t_.TypeAddress(page.AddressField(kCtlIpAddress), c_.ipAddress)) return false;
  const struct {
    int id;
    const QString& text;
  } edits[] = {{kCtlNasName, c_.name}, {kCtlWorkGroup, c_.workgroup}, {kCtlDescription, c_.description}};
  for (const auto& e : edits) {
    if (!e.text.isEmpty() && !t_.Type(page.Edit(e.id), e.text)) return false;
  }
  return true;
}

bool WizardWalk::ApplyIdentity() {
  Before("network");
  if (!t_.Click(Config().NextButton())) return false;
  t_.WaitUntil([&] { return t_.wizard().CurrentPageId() != kPageConfig || !Config().Busy(); }, 120000);
  return t_.wizard().CurrentPageId() == kPageDisk;
}

bool WizardWalk::WaitForDiskPage(int timeoutMs) {
  return t_.WaitUntil([&] { return t_.wizard().CurrentPageId() == kPageDisk && Disk().CurrentSubStep() == 1; },
                      timeoutMs);
}

bool WizardWalk::ChooseService() {
  CConfigDlg_HD& page = Disk();
  if (page.CurrentSubStep() != 1) return false;
  if (!SetTicked(t_, page.ServiceRadio(c_.service), true)) return false;
  Before("disk-service");
  return NextOnDisk(2);
}

bool WizardWalk::ChooseLevel() {
  CConfigDlg_HD& page = Disk();
  if (page.CurrentSubStep() != 2) return false;
  if (!SetTicked(t_, page.LevelRadio(c_.level), true)) return false;
  Before("disk-level");
  return NextOnDisk(3);
}

bool WizardWalk::ChooseRatioAndLetters() {
  CConfigDlg_HD& page = Disk();
  if (page.CurrentSubStep() != 3) return false;
  if (c_.service == ServiceType::Both && !t_.Slide(page.Slider(), c_.nasPercent)) return false;
  if (c_.service != ServiceType::IscsiOnly) {
    if (!t_.Choose(page.NasLetterList(), EntryStartingWith(page.NasLetterList(), c_.nasLetter))) return false;
  }
  if (c_.service != ServiceType::NasOnly) {
    if (!t_.Choose(page.IscsiLetterList(), EntryStartingWith(page.IscsiLetterList(), c_.iscsiLetter))) return false;
  }
  Before("disk-ratio");
  return NextOnDisk(4);
}

bool WizardWalk::Confirm() {
  if (Disk().CurrentSubStep() != 4) return false;
  Before("disk-summary");
  if (!t_.Click(Disk().NextButton())) return false;
  return t_.WaitUntil([&] { return t_.wizard().CurrentPageId() == kPageFinal; }, 30000);
}

bool WizardWalk::WaitForEnd(int timeoutMs) {
  CNetcfgDlg* page = t_.wizard().FinalPage();
  return t_.WaitUntil(
      [&] {
        return page->CurrentLayout() != CNetcfgDlg::Layout::Working && page->FinishButton()->isVisible() &&
               !page->WorkerRunning();
      },
      timeoutMs);
}

}  // namespace sp::tour
