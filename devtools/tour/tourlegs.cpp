// The legs of the tour, page by page and sub-step by sub-step. Pictures are
// taken through the walk's beforeNext hook (the tour's main) and, where a
// page changes by itself, here.
#include "devtools/tour/wizardwalk.h"
#include "pages/final/cnetcfgdlg.h"

namespace sp::tour {

namespace {

// A telling frame of each install step's animation: the disks going in,
// the cables plugged, the power light on.
constexpr int kInstallFrames[3] = {4, 13, 3};

bool Welcome(WizardWalk& w) { return w.Agree(); }
bool Check(WizardWalk& w) {
  if (w.PassCheck()) return true;
  w.driver().Say("the connection check did not pass: is the tour running in the pc namespace?");
  return false;
}
bool InstallDisks(WizardWalk& w) { return w.InstallStep(0, kInstallFrames[0]); }
bool InstallCables(WizardWalk& w) { return w.InstallStep(1, kInstallFrames[1]); }
bool InstallPower(WizardWalk& w) { return w.InstallStep(2, kInstallFrames[2]); }
bool DeviceList(WizardWalk& w) { return w.ChooseDevice(); }
bool Login(WizardWalk& w) { return w.LogIn(); }
bool Password(WizardWalk& w) { return w.NewPassword(); }
bool TimeZone(WizardWalk& w) { return w.TimeZone(); }
bool DateTime(WizardWalk& w) { return w.Clock(); }
bool Network(WizardWalk& w) { return w.FillIdentity() && w.ApplyIdentity(); }
bool DiskService(WizardWalk& w) { return w.WaitForDiskPage() && w.ChooseService(); }
bool DiskLevel(WizardWalk& w) { return w.ChooseLevel(); }
bool DiskRatio(WizardWalk& w) { return w.ChooseRatioAndLetters(); }
bool DiskSummary(WizardWalk& w) { return w.Confirm(); }

// The final page while the appliance formats: the bar well on its way.
bool FinalWorking(WizardWalk& w) {
  CNetcfgDlg* page = w.driver().wizard().FinalPage();
  const bool formatting = w.driver().WaitUntil(
      [&] { return page->ProgressBar()->value() >= 20 || page->CurrentLayout() != CNetcfgDlg::Layout::Working; },
      600000);
  if (!formatting || page->CurrentLayout() != CNetcfgDlg::Layout::Working) return false;
  w.driver().Pause(300);
  return w.driver().Shot("16-final-working");
}

bool FinalSummary(WizardWalk& w) {
  if (!w.WaitForEnd(900000)) return false;
  w.driver().Pause(300);
  const bool summary = w.driver().wizard().FinalPage()->CurrentLayout() == CNetcfgDlg::Layout::Summary;
  w.driver().Shot(summary ? "17-final-summary" : "17-final-failure");
  return summary;
}

}  // namespace

const std::vector<TourLeg>& TourLegs() {
  static const std::vector<TourLeg> legs = {
      {"welcome", Welcome},
      {"connection check", Check},
      {"install guide, disks", InstallDisks},
      {"install guide, cables", InstallCables},
      {"install guide, power", InstallPower},
      {"device list", DeviceList},
      {"login", Login},
      {"new password", Password},
      {"time zone", TimeZone},
      {"date and time", DateTime},
      {"network identity", Network},
      {"disk profile: services", DiskService},
      {"disk profile: level", DiskLevel},
      {"disk profile: ratio and letters", DiskRatio},
      {"disk profile: summary", DiskSummary},
      {"final page, working", FinalWorking},
      {"final page, summary", FinalSummary},
  };
  return legs;
}

}  // namespace sp::tour
