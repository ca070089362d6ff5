#include "headless/core/headlessrun.h"

#include <optional>

#include "base/text.h"
#include "devicelink/devicerowmodel.h"
#include "pages/config/core/adminpassword.h"
#include "pages/config/core/configactions.h"
#include "pages/disk/core/diskinventory.h"
#include "pages/disk/core/driveletterlists.h"
#include "resource/languagemodule.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {

constexpr int kSteps = 9;
constexpr int kDiscoveryRounds = 3;

// Each step's line: "[n/9] What it does... done". A step that shows
// progress gets its line twice: when it starts, and with its result after
// the progress lines.
class StepPrinter {
 public:
  explicit StepPrinter(std::ostream& out) : out_(out) {}
  void Begin(int step, const std::string& what, bool showsProgress = false) {
    step_ = step;
    what_ = what;
    out_ << Head() << (showsProgress ? "\n" : " ") << std::flush;
    long_ = showsProgress;
    RecordSetupStep("answers: " + what);
  }
  void Progress(const std::string& line) { out_ << "      " << line << "\n" << std::flush; }
  void Done(const std::string& note = "done") {
    out_ << (long_ ? Head() + " " : "") << note << "\n" << std::flush;
    long_ = false;
  }
  int Fail(const std::string& why, int code) {
    Done("failed");
    out_ << "  " << why << "\n" << std::flush;
    RecordSetupStep("answers: failed: " + why);
    return code;
  }
  std::ostream& out() { return out_; }

 private:
  std::string Head() const { return "[" + std::to_string(step_) + "/" + std::to_string(kSteps) + "] " + what_ + "..."; }

  std::ostream& out_;
  int step_ = 0;
  std::string what_;
  bool long_ = false;
};

// The final sequence's progress as terminal lines: the bar's position in
// steps of ten while the appliance formats and while the iSCSI volume is
// attached and prepared, then where the PC's steps stand.
class TerminalSink : public IFinalPageSink {
 public:
  TerminalSink(StepPrinter& print, const WizardState& state, const Answers& answers)
      : print_(print), state_(state), answers_(answers) {}
  void SetProgress(int position) override;
  void SetLayerList(std::string_view) override {}
  void SetFinishEnabled(bool) override {}
  void ShowFinish() override {}
  void SetWaitingForAppliance(bool waiting) override {
    if (waiting && phase_ == Phase::kFormat) print_.Progress("waiting for the appliance to start formatting");
  }
  void PostOutcome(const FinalReport& report) override { report_ = report; }
  const FinalReport& report() const { return report_; }

 private:
  enum class Phase { kFormat, kAttach, kMap, kDone };
  void Tens(const char* what, int percent) {
    if (percent / 10 <= shownTens_) return;  // the bar can step back (the volume's format starts at 65)
    shownTens_ = percent / 10;
    print_.Progress(std::string(what) + " " + std::to_string(percent) + "%");
  }

  StepPrinter& print_;
  const WizardState& state_;
  const Answers& answers_;
  FinalReport report_;
  Phase phase_ = Phase::kFormat;
  int shownTens_ = -1;
};

void TerminalSink::SetProgress(int position) {
  // 78 starts the PC's steps, 89 the mapping, 100 is the end; in between
  // the attach reports its volume's format as 65..98.
  if (phase_ == Phase::kFormat && position < 78) return Tens("progress", position);
  if (phase_ == Phase::kFormat) {
    phase_ = Phase::kAttach;
    shownTens_ = -1;
    print_.Done();
    if (answers_.iscsiLetter)
      print_.Begin(8, std::string("Attaching the iSCSI volume at ") + answers_.iscsiLetter + ":", true);
    return;
  }
  if (phase_ == Phase::kAttach && position != 89) {
    if (answers_.iscsiLetter) Tens("progress", position);
    return;
  }
  if (phase_ == Phase::kAttach) {
    phase_ = Phase::kMap;
    // A volume at its letter leaves the command line that opens it.
    if (answers_.iscsiLetter) print_.Done(FieldText(state_.explorerCommandLine).size() > 9 ? "done" : "failed");
    if (answers_.nasLetter) print_.Begin(9, std::string("Mapping the NAS share at ") + answers_.nasLetter + ":");
    return;
  }
  if (phase_ == Phase::kMap && position == 100) {
    phase_ = Phase::kDone;
    if (answers_.nasLetter) print_.Done(state_.nasMapped ? "done" : "failed");
  }
}

// The appliance's address as discovery found it; nothing when none answered.
std::optional<std::string> FindAppliance(const Answers& a, HeadlessServices& s, WizardState& state,
                                         std::stop_token stop) {
  for (int round = 0; round < kDiscoveryRounds && !stop.stop_requested(); ++round) {
    DeviceRowModel rows;
    s.link->DiscoverDevices(rows);
    for (const DeviceRow& row : rows.rows()) {
      const std::string mac = Utf16ToUtf8(row.mac), name = Utf16ToUtf8(row.name);
      std::string lower = mac;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (a.applianceMac.empty() ? name == a.applianceName : lower == a.applianceMac) {
        CopyBounded(state.targetMac, mac);
        return Utf16ToUtf8(row.ip);
      }
    }
  }
  return std::nullopt;
}

int DeviceSettings(const Answers& a, HeadlessServices& s, WizardState& state, StepPrinter& p) {
  p.Begin(2, "Logging in");
  if (!CheckLogin(*s.link, state.targetMac, a.loginPassword))
    return p.Fail(LoadText(nullptr, kMsgIncorrectPassword), kExitLoginRefused);
  p.Done();

  p.Begin(3, "Setting the admin password");
  if (!SetAdminPassword(*s.link, state, a.newPassword))
    return p.Fail(LoadText(nullptr, kMsgSetPasswordFailed), kExitSettingRefused);
  p.Done();

  p.Begin(4, "Setting the time zone and clock");
  TimeSettings time;
  ApplyZoneStep(time, a.zone);
  CopyBounded(state.deviceTime, LoadText(nullptr, TimeZoneTextId(a.zone.zone)));
  ClockChoice clock;
  clock.useServer = !a.clockFromPc;
  clock.serverHost = a.timeServer;
  if (a.clockFromPc && s.localTime) {
    const std::array<int, 6> t = s.localTime();
    const ClockIndices i = IndicesForLocalTime(t[0], t[1], t[2], t[3], t[4], t[5]);
    clock.month = i.month, clock.day = i.day, clock.year = i.year;
    clock.hour = i.hour, clock.minute = i.minute, clock.second = i.second;
  }
  ApplyClockStep(time, clock);
  IdentityFields current;
  if (!SendTimeSettings(*s.link, state.targetMac, time) || !ReadIdentity(*s.link, state, &current))
    return p.Fail(LoadText(nullptr, kMsgChangeSettingFailed), kExitSettingRefused);
  p.Done();

  p.Begin(5, "Setting the network identity");
  const IdentityFields wanted = IdentityFor(a, current);
  std::vector<LocalAddress> own;
  if (s.addresses) s.addresses->List(own);
  if (const auto problem = CheckIdentity(a, wanted, own)) return p.Fail(problem->message, kExitSettingRefused);
  switch (ApplyNetworkIdentity(*s.link, s.iscsiInterpreter, state, wanted)) {
    case NetworkOutcome::kApplied:
      break;
    case NetworkOutcome::kRecordRefused:
      return p.Fail(LoadText(nullptr, kMsgChangeSettingFailed), kExitSettingRefused);
    case NetworkOutcome::kSilentAtAddress:
      return p.Fail("the appliance does not answer at " + wanted.ip, kExitSettingRefused);
  }
  p.Done(wanted.name + " at " + wanted.ip);
  return kExitDone;
}

int DiskProfileStep(const Answers& a, HeadlessServices& s, WizardState& state, StepPrinter& p) {
  p.Begin(6, "Reading the disks");
  const DiskInventory disks = QueryDisks(*s.link, state.targetMac);
  if (disks.diskCount == 0) return p.Fail("the appliance reports no disk", kExitSettingRefused);
  if (a.level == DiskLevel::Raid1 && disks.diskCount < 2)
    return p.Fail("RAID 1 needs two disks; the appliance has one", kExitSettingRefused);
  if (a.iscsiLetter && s.initiatorService && !s.initiatorService->IsRunning() && !s.initiatorService->Start())
    return p.Fail("the iSCSI initiator service does not start", kExitAttachFailed);
  if (s.holdsVolumes && !a.eraseExisting && s.holdsVolumes(state))
    return p.Fail("the appliance holds volumes already; set disk.erase_existing = true to format it anyway",
                  kExitSettingRefused);
  // As on the disk page: this PC is changed only with its administrator's
  // leave, asked once before the appliance formats.
  if (s.initiatorService) {
    switch (s.initiatorService->BeginSetup()) {
      case SetupPermission::Refused:
        return p.Fail("this computer's administrator did not allow setting up its drives; nothing was changed",
                      kExitNotAuthorised);
      case SetupPermission::OtherUserSetup:
        return p.Fail("another user on this computer is setting up an appliance; try again when they have finished",
                      kExitOtherSetup);
      case SetupPermission::Granted:
      case SetupPermission::NoService:
        break;
    }
  }
  const DiskProfile profile = ComputeDiskProfile(disks, a.service, a.level, a.nasPercent);
  ApplyProfileSummary(profile, state);
  ApplyConfirmedChoice(profile, a.service, std::string(1, a.nasLetter) + ":\\", std::string(1, a.iscsiLetter) + ":\\",
                       state);
  p.Done(std::to_string(disks.diskCount) + " disk(s); NAS " + std::to_string(state.nasSizeGb) + " GB, iSCSI " +
         std::to_string(state.iscsiSizeGb) + " GB");
  return kExitDone;
}

int FinalSteps(const Answers& a, HeadlessServices& s, WizardState& state, StepPrinter& p, std::stop_token stop) {
  TerminalSink sink(p, state, a);
  p.Begin(7, "Formatting the disks", true);
  if (!s.Complete()) return p.Fail("this computer's side of the setup is not there", kExitFormatFailed);
  if (RunFinalSetup(s, state, stop, sink) == FinalOutcome::kStopped) return kExitInterrupted;
  const FinalReport& r = sink.report();
  if (!r.formatted || r.appliance != ApplianceTrouble::kNone) {
    return p.Fail(r.appliance == ApplianceTrouble::kRestarted ? "the appliance started again: its format was cut off"
                                                              : "the appliance stopped answering during the format",
                  kExitFormatFailed);
  }
  if (r.iscsiAsked && r.iscsi.result != AttachResult::kAttached) {
    p.out() << "  the iSCSI volume is not attached: " << AttachFailureText(r.iscsi.why) << "\n";
    return kExitAttachFailed;
  }
  if (r.nasAsked && !r.nasMapped) {
    p.out() << "  the NAS share is not mapped: the share-mapping agent did not take it\n";
    return kExitShareFailed;
  }
  return kExitDone;
}

}  // namespace

int RunHeadlessSetup(const Answers& a, const std::string& fileName, HeadlessServices& s, std::ostream& out,
                     std::ostream& err, std::stop_token stop) {
  StepPrinter p(out);
  RecordSetupStep("answers: setup from " + fileName);
  // What the file asks of this PC is checked before the appliance is touched.
  std::vector<LocalAddress> own;
  if (s.addresses) s.addresses->List(own);
  if (a.ip) {
    if (const auto problem = CheckIdentity(a, IdentityFor(a, {}), own)) {
      err << "setuppilot: " << problem->Text(fileName) << "\n";
      return kExitUsage;
    }
  }
  if (s.driveLetters && s.netConnections) {
    if (const auto problem = CheckLettersFree(a, FreeDriveLetterEntries(*s.driveLetters, *s.netConnections))) {
      err << "setuppilot: " << problem->Text(fileName) << "\n";
      return kExitLetterInUse;
    }
  }

  // The disk profile page's gate, in two halves: without the service no
  // volume can be attached, so its absence ends the run here; it is started
  // only once the appliance took its settings.
  if (a.iscsiLetter && s.initiatorService && !s.initiatorService->IsRunning() && !s.initiatorService->IsInstalled()) {
    err << "setuppilot: the iSCSI initiator service is not installed\n";
    return kExitAttachFailed;
  }

  WizardState state{};
  state.Clear();
  p.Begin(1, "Finding the appliance " + (a.applianceMac.empty() ? a.applianceName : a.applianceMac));
  const std::optional<std::string> foundAt = FindAppliance(a, s, state, stop);
  if (!foundAt) {
    if (stop.stop_requested()) {
      out << "\nsetuppilot: interrupted\n";
      return kExitInterrupted;
    }
    return p.Fail("no appliance answered with that " + std::string(a.applianceMac.empty() ? "name" : "MAC address"),
                  kExitNotFound);
  }
  p.Done(std::string("found ") + state.targetMac + " at " + *foundAt);

  int code = DeviceSettings(a, s, state, p);
  if (code == kExitDone && stop.stop_requested()) code = kExitInterrupted;
  if (code == kExitDone) code = DiskProfileStep(a, s, state, p);
  if (code == kExitDone && stop.stop_requested()) code = kExitInterrupted;
  if (code == kExitDone) code = FinalSteps(a, s, state, p, stop);
  if (code == kExitInterrupted) out << "\nsetuppilot: interrupted\n";
  if (code == kExitDone) {
    if (s.setUpDone) s.setUpDone(state);
    out << "Set up " << state.targetMac << " (" << state.deviceIpSummary
        << "): everything the file asked for is done.\n";
  }
  if (s.initiatorService) s.initiatorService->EndSetup();
  RecordSetupStep("answers: ended with exit code " + std::to_string(code));
  return code;
}

}  // namespace sp
