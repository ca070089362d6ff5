#pragma once
// The disk profile page (134): the disks installed in the appliance, and four
// sub-steps - which services the disks serve (share profile), the protection
// level (type), the NAS/iSCSI ratio with the drive letters, and a summary.
// Confirming the summary writes the choices into the wizard state record,
// starts the final page's setup sequence and shows the final page.
//
// The profile itself is computed by the disk profile model
// (pages/disk/core/diskprofile.h); the drive letter lists come from
// pages/disk/core/driveletterlists.h; a profile with an iSCSI volume passes the
// initiator gate (hoststorage/presence/initiatorpresence.h) before it goes on.
//
// Sub-step counter: 1 to 4 while the page is used, 5 once handed over; 1
// when the page is made, and entering the page again does not change it.
#include <QButtonGroup>
#include <QLabel>
#include <array>
#include <functional>
#include <string>

#include "framework/core/iwizardhost.h"
#include "framework/tstackedpage.h"
#include "pages/disk/core/diskinventory.h"
#include "pages/disk/core/diskpagesteps.h"
#include "pages/disk/core/diskprofile.h"
#include "uikit/cbitcombobox.h"
#include "uikit/ccolorlist.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp {

class ApplianceMemory;
class IDesktopShell;
class IDeviceLink;
class IDriveLetters;
class IInitiatorService;
class INetConnections;
class IProcessLauncher;

// What the disk profile page works with besides its host.
struct DiskPageServices {
  // The disk query, on the UI thread. Null: the appliance reports no disk.
  IDeviceLink* link = nullptr;
  // Letters in use and remembered connections, for the letter lists; null:
  // the lists stay empty.
  IDriveLetters* driveLetters = nullptr;
  INetConnections* netConnections = nullptr;
  // The iSCSI initiator and the launcher of its installer, for the gate a
  // profile with an iSCSI volume passes; null: the gate does not open.
  IInitiatorService* initiatorService = nullptr;
  IProcessLauncher* launcher = nullptr;
  // Opens the appliance's web pages (Advanced); null: nothing opens them.
  IDesktopShell* desktop = nullptr;
  // The appliances this PC has set up: continuing to the format of one of
  // them asks first; null: nothing is asked.
  const ApplianceMemory* applianceMemory = nullptr;
  // Whether the appliance of the run already offers volumes, for one this
  // PC has no note of (asked only then); empty: it is not asked.
  std::function<bool(const WizardState&)> holdsVolumes;
};

class CConfigDlg_HD : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = diskpage::kBack;
  // "Setting up the drives on this PC needs an administrator's permission ..."
  static constexpr int kMsgSetupRefused = 360;
  // "Another user on this PC is setting up an appliance. ..."
  static constexpr int kMsgOtherUserSetup = 361;
  static constexpr int kNextId = diskpage::kNext;
  static constexpr int kCancelId = diskpage::kCancel;
  static constexpr int kAdvancedId = diskpage::kAdvanced;
  static constexpr int kFinishId = diskpage::kFinish;
  static constexpr int kTitleId = 1100;
  // The nine mini-HTML labels: the title, then eight that the sub-steps
  // share (kFirstTextId .. kFirstTextId + 7).
  static constexpr int kFirstTextId = 1101;
  static constexpr int kTextLabelCount = 8;
  static constexpr int kSubStepCount = 4;
  static constexpr int kDoneSubStep = 5;

  CConfigDlg_HD(IWizardHost& host, DiskPageServices services);

  void OnInitDialog() override;
  // Coming here runs EnterPage.
  void OnEnterPage(int /*fromPageId*/) override { EnterPage(); }
  CLayerSurface* PageSurface() override { return &surface_; }
  // The keyboard starts on the first control of the shown row.
  void OnPageShown() override { FocusFirstInRow(); }

  // Entering the page (the device configuration page's Next on its last
  // sub-step): ticks Both and Normal, queries the appliance's disks, lists
  // them and shows the current sub-step.
  void EnterPage();
  // Shows sub-step `k` (1..4): the controls of its row, its texts, Advanced
  // on sub-step 1 only, and the page background.
  void ShowSubStep(int k);
  int CurrentSubStep() const { return subStep_; }

  void OnNext();
  void OnBack();
  void OnCancel();
  void OnFinish();
  void OnAdvanced();

  // What the page holds, for the main window and tests.
  const DiskInventory& Inventory() const { return inventory_; }
  int KeptRatio() const { return keptRatio_; }
  int KeptNasLetterIndex() const { return keptNasIndex_; }
  int KeptIscsiLetterIndex() const { return keptIscsiIndex_; }
  ServiceType TickedService() const;
  DiskLevel TickedLevel() const;

  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }
  CHoverButtonEx* AdvancedButton() const { return advanced_; }
  CHoverButtonEx* FinishButton() const { return finish_; }
  CTransRadio* ServiceRadio(ServiceType service) const;
  CTransRadio* LevelRadio(DiskLevel level) const;
  CmySliderControl* Slider() const { return slider_; }
  QLabel* RatioLabel() const { return ratio_; }
  CBitComboBox* NasLetterList() const { return nasLetters_; }
  CBitComboBox* IscsiLetterList() const { return iscsiLetters_; }
  CColorList* DiskList() const { return disks_; }
  CHTMLStatic* TitleLabel() const { return title_; }
  // Text label i (0..7) of the current sub-step.
  CHTMLStatic* TextLabel(int i) const { return texts_.at(static_cast<std::size_t>(i)); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MakeControls();
  void MakeDiskList();
  void ConnectControls();
  void FillDiskList();
  void HideStepControls();
  void HideTexts();
  void ShowServiceStep();
  void ShowNoDiskStep();
  void ShowLevelStep();
  void ShowRatioStep();
  void ShowSummaryStep();
  void FillLetterLists();
  void SetRatioLabel(int nasPercent);
  void KeepRatioAndLetters();
  void ShowServiceDescription(int index);
  void ShowLevelDescription(int index);
  // Before the format of an appliance this PC set up before: OK or Cancel.
  bool ConfirmErase();
  void WriteConfirmedChoice();
  void HandOver();
  void ReleaseDisks();
  bool PassesInitiatorGate();
  // Asks the service for this run's permission to change the PC; a refusal
  // is told and keeps the page where it is.
  bool HoldsSetupPermission();
  void EnableNavigation(bool enabled);
  void MoveFocusInRow();
  void FocusFirstInRow();
  DiskProfile CurrentProfile() const;

  // Label helpers: place text label i at `rect` with markup, shown.
  void Heading(int i, const QRect& rect, int textId);
  void Caption(int i, const QRect& rect, int textId);
  void Note(int i, const QRect& rect, int textId);
  void Markup(int i, const QRect& rect, const std::string& markup);
  std::string Text(int id) const;

  IWizardHost& host_;
  const DiskPageServices services_;
  CLayerSurface surface_{SurfaceKind::Disk};
  int subStep_ = 1;
  DiskInventory inventory_;
  int keptRatio_ = kDefaultNasRatio;
  int keptNasIndex_ = 0;
  int keptIscsiIndex_ = 0;

  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  CHoverButtonEx* advanced_ = nullptr;
  CHoverButtonEx* finish_ = nullptr;
  CHTMLStatic* title_ = nullptr;
  std::array<CHTMLStatic*, kTextLabelCount> texts_{};
  CColorList* disks_ = nullptr;
  QButtonGroup serviceGroup_;
  QButtonGroup levelGroup_;
  std::array<CTransRadio*, 3> serviceRadios_{};
  std::array<CTransRadio*, 2> levelRadios_{};
  CmySliderControl* slider_ = nullptr;
  QLabel* ratio_ = nullptr;
  CBitComboBox* nasLetters_ = nullptr;
  CBitComboBox* iscsiLetters_ = nullptr;
};

}  // namespace sp
