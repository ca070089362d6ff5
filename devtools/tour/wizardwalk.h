#pragma once
// The road of one run, sub-step by sub-step, as a person walks it: each
// step makes the choices of a RunChoices on the page shown now with mouse
// and keyboard, presses Next and reports whether the wizard moved on to
// where that step leads. Steps neither take pictures nor judge what the
// appliance received; the tour and the end-to-end tests do that between
// them.
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "devtools/tour/tourdriver.h"
#include "pages/disk/core/diskprofile.h"

namespace sp::tour {

struct RunChoices {
  int deviceRow = 0;      // the appliance's row in the device list
  bool identify = true;   // press Identify before Next
  QString loginPassword;  // the factory password is blank
  QString newPassword = QStringLiteral("vault42");
  // Time zone sub-step: the zone's entry, daylight saving on or off, and
  // the nine daylight-saving lists' entries (region, start month, week,
  // day, hour, end month, week, day, hour).
  QString timeZone = QStringLiteral("(GMT+01:00) Amsterdam, Berlin, Bern, Rome");
  bool daylightSaving = true;
  std::array<QString, 9> daylightSavingEntries = {
      QStringLiteral("EU"),  QStringLiteral("Mar"),  QStringLiteral("5th"),
      QStringLiteral("Sun"), QStringLiteral("2 am"), QStringLiteral("Oct"),
      QStringLiteral("5th"), QStringLiteral("Sun"),  QStringLiteral("3 am")};
  // Date and time sub-step: a time server, or this clock by hand (the
  // lists' entries: month, day, year, hour, minute, second).
  bool useTimeServer = false;
  std::array<QString, 6> clockEntries = {QStringLiteral("06"), QStringLiteral("15"), QStringLiteral("2025"),
                                         QStringLiteral("10"), QStringLiteral("30"), QStringLiteral("59")};
  // Network sub-step; an empty text keeps what the appliance reported.
  std::string ipAddress = "10.77.0.50";
  QString name = QStringLiteral("vault-one");
  QString workgroup = QStringLiteral("OFFICE");
  QString description = QStringLiteral("Front desk");
  // Disk profile page.
  ServiceType service = ServiceType::Both;
  DiskLevel level = DiskLevel::Normal;
  int nasPercent = 70;
  QString nasLetter = QStringLiteral("Y:");  // entries are chosen by these first characters
  QString iscsiLetter = QStringLiteral("X:");
};

class WizardWalk {
 public:
  WizardWalk(TourDriver& driver, RunChoices choices) : t_(driver), c_(std::move(choices)) {}

  RunChoices& choices() { return c_; }
  TourDriver& driver() { return t_; }

  // Called with the step's name ("welcome", "check", "install-1".."3",
  // "device-list", "login", "password", "time-zone", "date-time",
  // "network", "disk-service", "disk-level", "disk-ratio", "disk-summary")
  // when its choices are made, just before Next is pressed.
  std::function<void(const std::string& step)> beforeNext;

  // Welcome: tick the agreement, Next.
  bool Agree();
  // Connection check: wait for it to pass, Next.
  bool PassCheck(int timeoutMs = 15000);
  // Install guide step `step` (0..2): wait for frame `frame` of its
  // animation (-1: do not wait), Next.
  bool InstallStep(int step, int frame = -1, int timeoutMs = 20000);
  // Device list: wait for discovery, click the row, Identify, Next.
  bool WaitForDevices(int timeoutMs = 15000);
  bool ChooseDevice();
  // Login with the choices' password, Next.
  bool LogIn();
  // Types `password` into the login field and presses Next (for a wrong
  // one: the page stays and says so).
  bool LogInWith(const QString& password);
  bool NewPassword();
  bool TimeZone();
  bool Clock();
  // The network sub-step's fields typed in, without Next; then Next.
  bool FillIdentity();
  bool ApplyIdentity();
  // Disk profile page: wait for it, then the four sub-steps.
  bool WaitForDiskPage(int timeoutMs = 60000);
  bool ChooseService();
  bool ChooseLevel();
  bool ChooseRatioAndLetters();
  // The summary sub-step's Next: the final page starts.
  bool Confirm();
  // Final page: waits until the summary or the failure text is shown.
  bool WaitForEnd(int timeoutMs);

  // Presses Next on the page shown now.
  bool Next();

 private:
  CConfigDlg_Basic& Config();
  CConfigDlg_HD& Disk();
  bool NextOnConfig(int expectedSubStep);
  bool NextOnDisk(int expectedSubStep);
  void Before(const std::string& step) {
    if (beforeNext) beforeNext(step);
  }

  TourDriver& t_;
  RunChoices c_;
};

// One leg of the tour: a page or a sub-step, from arriving on it to
// leaving it. Returns false when the wizard did not do what the leg
// expected; the tour then stops there.
struct TourLeg {
  const char* name;
  bool (*run)(WizardWalk&);
};

// The legs in the order a person meets the pages, to the summary.
const std::vector<TourLeg>& TourLegs();

}  // namespace sp::tour
