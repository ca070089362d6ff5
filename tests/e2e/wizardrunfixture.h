#pragma once
// One whole run of the real wizard: the real main window with the program's
// Linux backends, its UI thread inside the pc namespace of a private test
// network, clicked through like a person (devtools/tour's driver and walk);
// in vbx the appliance simulator with its real iSCSI target (tgtd) and SMB
// share (smbd, nmbd); in pc our initiator service and the share-mapping
// agent, started through nsenter so that their mounts are the test's. Drive
// letters live under a scratch mount root, never /mnt. Everything goes at
// teardown, also after a failure.
//
// Only the final setup's fixed pauses are cut (FinalPage()); the appliance
// formats fast (its speed on the command line). Needs root, the Samba
// tools, tgt, ntfs-3g, smbnetfs and FUSE; skipped otherwise.
#include <QApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cmaindlg.h"
#include "app/ilanguagecontrol.h"
#include "app/linuxwizardbackends.h"
#include "devtools/tour/tourdriver.h"
#include "devtools/tour/wizardwalk.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "tests/net/harness/networktest.h"
#include "tests/net/harness/simulatorinnetwork.h"

namespace sp::e2e {

// The simulator's first appliance, as the wizard finds it.
inline constexpr char kMac[] = "02:4b:56:00:00:01";
inline constexpr char kFactoryIp[] = "10.77.0.2";
// The target the appliance offers once it formatted with an iSCSI part.
inline constexpr char kTargetName[] = "iqn.2008-01.com.korva:storage.000001.1.sys";
// Format progress, percent a second: the format takes about 12 s. The
// appliance's nmbd needs about 4 s to claim its new name, and the share is
// mapped by that name right after the format (a real appliance formats for
// minutes); faster, the cut pauses would reach the mapping first.
inline constexpr int kFormatSpeed = 8;

class WizardRunTest : public nettest::NetworkTest {
 protected:
  // Builds the whole setting around an appliance with `disks` disks (and
  // further simulator --appliance keys) and shows the wizard.
  void StartWith(int disks, const std::string& moreKeys = {});
  void TearDown() override;

  // Ends the run as the program's end does when told to from outside: the
  // window goes (its pages' workers stopped). Returns how long that took.
  std::chrono::milliseconds EndWizard();
  // A second simulator in vbx, with the appliances its arguments make: a
  // second appliance, or a hostile one answering for the first one's MAC.
  sim::SimClient* StartSecondSimulator(const std::vector<std::string>& args);
  // The wizard started again on the same PC and network (new backends, new
  // window), with the choices as they are; shown on its welcome page.
  void StartWizardAgain();
  // Lets the wizard run, its events handled, until `done` or `limitMs`.
  bool RunUntil(const std::function<bool()>& done, int limitMs);
  // The device list's row of the appliance `mac`, -1 when it is not listed.
  int RowOf(const std::string& mac);
  // Power-off after a run: the window and the agent end, the service is
  // stopped as at shutdown (SIGTERM), then every mount and loop device of
  // the run goes. Only the state files stay.
  void PowerOff();
  // What boot and login start, with their units' command lines: the
  // service as a daemon (ready when the command returns, its pid in its
  // pid file), the agent restoring remembered mappings.
  void BootAndLogIn();
  // What of ours is left on the PC: loop devices over the LUN files, mounts
  // below the drive root, persistent logins of the initiator service.
  std::vector<std::string> LoopsOverLuns() const;
  std::vector<std::string> DriveMounts() const;
  std::vector<std::string> PersistentTargets();
  nettest::SpawnedProcess* Initiator() { return iscsid_; }
  // The program's timing (its pauses are cut already), for what a case
  // shortens further before the final page starts.
  FinalPageServices& FinalPage() { return backends_->Services().finalPage; }
  // The paths the wizard's backends were given (scratch folders, sockets).
  const LinuxWizardBackends::Options& BackendOptions() const { return backends_->options(); }

  // The appliance's iSCSI volume is capped at this many MB (set before
  // StartWith).
  int iscsiMaxMb_ = 48;

  tour::TourDriver& T() { return *driver_; }
  tour::WizardWalk& W() { return *walk_; }
  tour::RunChoices& Choices() { return walk_->choices(); }
  CMainDlg& Wizard() { return *wizard_; }
  CConfigDlg_Basic& Config() { return *wizard_->ConfigPage(); }
  CConfigDlg_HD& Disk() { return *wizard_->DiskPage(); }
  CNetcfgDlg& Final() { return *wizard_->FinalPage(); }
  sim::SimClient& Sim() { return *sim_; }
  // What this run's setup report holds so far.
  std::string ReportText() const;
  // The file manager's places file (GTK bookmarks) the run writes to.
  std::string GtkPlacesFile() const { return root_ + "/config/gtk-3.0/bookmarks"; }
  nlohmann::json Appliance() { return sim_->Appliance(kMac); }

  // Welcome, check, the three install steps; the device list filled.
  void WalkToDeviceList();
  // Device list to the network sub-step, with the choices.
  void WalkToNetworkStep();
  // The disk profile page's four sub-steps and the final page to its end.
  void WalkDiskPageAndFinish();

  // Where letter `letter` (lower case) is mounted; the device there ("" when
  // nothing is).
  std::string Letter(char letter) const { return mountRoot_ + "/" + letter; }
  std::string DeviceAt(char upper) const;
  std::string LunFile() const { return LunFileOf(kTargetName); }
  std::string LunFileOf(const std::string& target) const { return lunFolder_ + "/" + target + "-lun1"; }
  // The appliance's shared folder as the simulator keeps it.
  std::string ShareFolder() const { return root_ + "/smb/024b56000001/Volume1"; }
  // From the next start of the wizard on, it keeps its list of appliances
  // set up in the run's folder; returns the list's path.
  std::string KeepApplianceList() { return applianceMemory_ = root_ + "/state/setuppilot/appliances"; }
  // The folders the wizard had opened, one a line.
  std::string Opened() const;
  // The plain text (tags gone, entities read) of the final page's shown
  // labels, in label order.
  std::vector<std::string> FinalTexts();

  // The iSCSI volume at `letter`: MBR with one NTFS partition at sector 63
  // on the LUN, NTFS by blkid, mounted and writable.
  void ExpectIscsiVolumeAt(char upper);
  // The share mounted at `letter` and writable: a file written there lands
  // in the appliance's shared folder.
  void ExpectShareAt(char upper);

  // The share-mapping agent starts (as at login; `restore`: mapping again
  // what it remembers), or ends (as when its session goes away).
  void StartAgent(bool restore = false);
  void StopAgent() {
    if (agent_) agent_->Stop();
  }

 private:
  void StartInitiatorService();
  // Stops a service started by BootAndLogIn (it is no child of the test).
  void StopBootedService();
  void EnterPc();
  void CleanUpMounts(bool includingLunFolder);

  void MakeWizard();

  std::unique_ptr<sim::SimClient> sim_;
  std::unique_ptr<sim::SimClient> secondSim_;
  nettest::SpawnedProcess* iscsid_ = nullptr;
  bool booted_ = false;
  nettest::SpawnedProcess* agent_ = nullptr;
  std::string root_, mountRoot_, lunFolder_, iscsiSocket_, agentSocket_;
  // The list of appliances set up from this PC; empty: none is kept (the
  // test's own choice, made before the wizard is built).
  std::string applianceMemory_;
  int homeNs_ = -1;
  std::unique_ptr<SelectorLanguageControl> language_;
  std::unique_ptr<LinuxWizardBackends> backends_;
  std::unique_ptr<CMainDlg> wizard_;
  std::unique_ptr<tour::TourDriver> driver_;
  std::unique_ptr<tour::WizardWalk> walk_;
};

// Hex text of bytes, for comparing with the simulator's records.
std::string Hex(const std::vector<std::uint8_t>& bytes);
std::string HexOf(const std::string& text);
// `text` in a zero-padded field of `width` bytes, as hex.
std::string FieldHex(const std::string& text, std::size_t width);

}  // namespace sp::e2e
