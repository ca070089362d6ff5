// The legs of the tour, page by page. A new page of the wizard adds its
// legs at the end of TourLegs(); each leg starts where the previous one
// left the wizard.
#include "base/text.h"
#include "configpages/cconfigdlg_basic.h"
#include "shell/ccheckdlg.h"
#include "shell/cinstalldlg.h"
#include "shell/cwelcomedlg.h"
#include "tools/tour/tourdriver.h"
#include "uikit/chtmlstatic.h"

namespace sp::tour {

namespace {

bool Welcome(TourDriver& t) {
  CWelcomeDlg* page = t.wizard().WelcomePage();
  if (!t.WaitUntil([&] { return page->AgreementBox()->isVisible(); }, 5000)) return false;
  t.Pause(300);
  t.Shot("01-welcome");
  if (!t.Click(page->AgreementBox()) || !page->NextButton()->isEnabled()) return false;
  return t.Click(page->NextButton());
}

bool Check(TourDriver& t) {
  CCheckDlg* page = t.wizard().CheckPage();
  if (t.wizard().CurrentPageId() != kPageCheck) return false;
  const bool finished = t.WaitUntil(
      [&] { return page->NextButton()->isEnabled() || page->Label(1119)->isVisible(); }, 10000);
  t.Pause(200);
  const bool passed = finished && page->NextButton()->isEnabled();
  t.Shot(passed ? "02-check-passed" : "02-check-failed");
  if (!passed) {
    t.Say("the connection check failed: is the tour running in the pc namespace?");
    return false;
  }
  return t.Click(page->NextButton());
}

// One install step: wait for a telling frame of its animation, then Next.
bool InstallStep(TourDriver& t, int step, int frame, const char* shot) {
  CInstallDlg* page = t.wizard().InstallPage();
  if (t.wizard().CurrentPageId() != kPageInstall || page->Step() != step) return false;
  const std::string wanted = page->Frames()[frame];
  if (!t.WaitUntil([&] { return page->PageSurface()->List() == wanted; }, 20000)) return false;
  t.Pause(100);
  t.Shot(shot);
  return t.Click(page->NextButton());
}

bool InstallDisks(TourDriver& t) { return InstallStep(t, 0, 4, "03-install-disks"); }
bool InstallCables(TourDriver& t) { return InstallStep(t, 1, 13, "04-install-cables"); }
bool InstallPower(TourDriver& t) { return InstallStep(t, 2, 3, "05-install-power"); }

bool DevicePage(TourDriver& t) {
  if (!t.WaitUntil([&] { return t.wizard().CurrentPageId() == kPageConfig; }, 5000)) return false;
  t.Pause(300);
  t.Shot("06-device");
  // The device page's sub-steps join the tour when the page has them.
  return true;
}

}  // namespace

const std::vector<TourLeg>& TourLegs() {
  static const std::vector<TourLeg> legs = {
      {"welcome", Welcome},
      {"connection check", Check},
      {"install guide, disks", InstallDisks},
      {"install guide, cables", InstallCables},
      {"install guide, power", InstallPower},
      {"device configuration", DevicePage},
  };
  return legs;
}

}  // namespace sp::tour
