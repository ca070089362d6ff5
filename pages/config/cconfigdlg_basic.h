#pragma once
// The device configuration page (133): six sub-steps walked with Back and
// Next - choose the appliance among those that answer discovery (Identify
// lights its drive bays), log in as the administrator, create a new
// password, set the time zone and daylight saving, set the clock or a time
// server, and set the network identity. When the appliance has taken its
// new identity and answers at its address, the disk profile page follows.
//
// The step-control table (stepcontrols.h) decides which input controls each
// sub-step shows and where Enter and Tab move the focus. What the sub-steps
// send is built by the Qt-free core (configactions.h and the records it
// uses); this class reads the controls, shows the messages and moves
// between sub-steps.
//
// Every action that talks to the appliance disables Back, Next, Cancel,
// Refresh and Identify first and enables them again afterwards, whatever
// the outcome. The device link keeps the page painted and responsive while
// it waits.
#include <QDateTime>
#include <array>
#include <functional>
#include <string>

#include "framework/core/imessagebox.h"
#include "framework/core/iwizardhost.h"
#include "framework/tstackedpage.h"
#include "pages/config/core/identityrecord.h"
#include "pages/config/core/stepcontrols.h"
#include "pages/config/core/timesettings.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"

class QCheckBox;
class QLineEdit;

namespace sp {

class CBitComboBox;
class CDeviceListCtrl;
class CIpAddressCtrl;
class ApplianceMemory;
class IDeviceLink;
class ILocalAddresses;
class INetworkFacts;
class IscsiInterpreter;

// What the device settings page works with besides its host.
struct ConfigPageServices {
  // Discovery and every exchange with the appliance, on the UI thread (its
  // waits keep UI events flowing). Null: no appliance is ever found.
  IDeviceLink* link = nullptr;
  // The iSCSI clean-up before the network identity changes; null: there is
  // no initiator to clean.
  IscsiInterpreter* iscsiInterpreter = nullptr;
  // The PC's own addresses, which the appliance may not be given; null:
  // none are known.
  ILocalAddresses* addresses = nullptr;
  // What the page looks at when discovery finds nothing, to tell the
  // person why; null: the empty list says nothing.
  INetworkFacts* networkFacts = nullptr;
  // Appliances set up from this PC, marked in the list; null: none.
  const ApplianceMemory* applianceMemory = nullptr;
};

class CConfigDlg_Basic : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = kCtlBack;
  static constexpr int kNextId = kCtlNext;
  static constexpr int kCancelId = kCtlCancel;
  static constexpr int kRefreshId = kCtlRefresh;
  static constexpr int kIdentifyId = kCtlIdentify;
  static constexpr int kSubStepCount = kConfigStepCount;
  // The ten labels every sub-step reuses: 1100 is the title.
  static constexpr int kTitleId = 1100;
  static constexpr int kFirstLabelId = 1092;  // 1092..1100
  static constexpr int kLabelCount = 10;

  using TimeStepMemory = sp::TimeStepMemory;

  CConfigDlg_Basic(IWizardHost& host, ConfigPageServices services);
  ~CConfigDlg_Basic() override;

  void OnInitDialog() override;
  // Coming here runs EnterPage.
  void OnEnterPage(int /*fromPageId*/) override { EnterPage(); }
  CLayerSurface* PageSurface() override { return &surface_; }

  // Entering the page (the install guide's Next on its last step, the disk
  // profile page's Back on its first): positions the controls, resets the
  // time-step memory and shows the current sub-step, which entering does
  // not change.
  void EnterPage();
  // Shows sub-step `k` (0..5) and makes it the current one.
  void ShowSubStep(int k);

  // Handlers of the buttons.
  void OnBack();
  void OnNext();
  void OnCancel();
  void OnRefresh();
  void OnIdentify();
  // Find by address: discovery, from now on, also asks the typed address
  // by unicast (the appliance may sit behind a router); tells the person
  // when the text is no address or nothing answered there.
  void OnFindByAddress();

  int CurrentSubStep() const { return subStep_; }
  const TimeStepMemory& TimeMemory() const { return timeMemory_; }
  const TimeSettings& TimeBlock() const { return timeBlock_; }
  bool Busy() const { return busy_; }
  // Where the manual clock lists take the PC's local time from (the
  // system clock unless a test gives another).
  void SetLocalClock(std::function<QDateTime()> clock);

  CHoverButtonEx* BackButton() const { return back_; }
  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }
  CHoverButtonEx* RefreshButton() const { return refresh_; }
  CHoverButtonEx* IdentifyButton() const { return identify_; }
  CHoverButtonEx* FindButton() const { return find_; }
  CIpAddressCtrl* FindAddressField() const { return AddressField(kCtlFindAddress); }
  CDeviceListCtrl* DeviceList() const { return list_; }
  // What the checks after an empty discovery found, drawn over the empty
  // list; hidden while the list has rows.
  CHTMLStatic* DiagnosisLabel() const { return diagnosis_; }
  // Control `id` of the page (any of the ids in stepcontrols.h), or null.
  QWidget* ControlById(int id) const;
  CBitComboBox* List(int id) const;
  QLineEdit* Edit(int id) const;
  CIpAddressCtrl* AddressField(int id) const;
  QCheckBox* CheckBox(int id) const;
  // Label `i` (0..9; 9 is the title).
  CHTMLStatic* Label(int i) const { return labels_.at(i); }

 protected:
  // Enter and Tab anywhere on the page follow the step-control table.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Disables the five buttons for the length of one action and enables
  // them again at its end, whatever happened. Nested scopes leave it to the
  // outermost one.
  class ActionScope {
   public:
    explicit ActionScope(CConfigDlg_Basic& page);
    ~ActionScope();
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;

   private:
    CConfigDlg_Basic& page_;
    bool outer_;
  };

  void MakeControls();
  void PositionControls();
  void EnableButtons(bool on);
  void RestoreButtons();
  MessageResult Message(const std::string& text, MessageButtons buttons, MessageIcon icon);
  MessageResult Message(int textId, MessageButtons buttons, MessageIcon icon);
  void HandleFocusKey();
  int FocusedStepControl() const;

  // Texts of the sub-steps (cconfigdlg_basic_texts.cpp).
  void HideLabels();
  void PlaceText(int slot, const QRect& rect, const std::u16string& markup);
  void WriteTitle(int textId);
  void WriteTexts(int k);
  void WriteDeviceTexts();
  // After a discovery that also asked the typed address: the row of the
  // appliance that answered there gets the focus.
  void FocusFoundRow(const std::string& address);
  void WriteLoginTexts();
  void WritePasswordTexts();
  void WriteZoneTexts();
  void WriteClockTexts();
  void WriteNetworkTexts();

  // Sub-steps 0-2 and 5 (cconfigdlg_basic_steps.cpp).
  void RunDiscovery();
  // After a discovery: the checks' findings over an empty list
  // (cconfigdlg_basic_diagnosis.cpp).
  void ShowDiagnosis();
  // Rows of appliances this PC set up before: in the note colour, the day
  // in their tooltip.
  void MarkSetUpBefore();
  bool RunAction(int k);
  bool SelectDeviceAction();
  bool LoginAction();
  bool PasswordAction();
  bool NetworkAction();
  std::string TargetMacOfFocusRow() const;
  void FillIdentity(const IdentityFields& fields);
  IdentityFields TypedIdentity() const;

  // Sub-steps 3 and 4 (cconfigdlg_basic_time.cpp).
  void ShowZoneStep();
  void ShowClockStep();
  void ApplyDaylightSavingRule();
  void ApplyTimeServerRule();
  void SetClockListsToNow();
  ZoneChoice ReadZoneChoice() const;
  void KeepZoneLists();
  void KeepClockChoice();
  bool ZoneAction();
  bool ClockAction();

  IWizardHost& host_;
  const ConfigPageServices services_;
  CLayerSurface surface_{SurfaceKind::Config};
  int subStep_ = 0;
  bool busy_ = false;
  TimeStepMemory timeMemory_;
  TimeSettings timeBlock_;  // the time settings block, kept for the whole run
  std::function<QDateTime()> clock_;

  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  CHoverButtonEx* refresh_ = nullptr;
  CHoverButtonEx* identify_ = nullptr;
  CHoverButtonEx* find_ = nullptr;
  CDeviceListCtrl* list_ = nullptr;
  std::array<CHTMLStatic*, kLabelCount> labels_{};
  CHTMLStatic* diagnosis_ = nullptr;
};

}  // namespace sp
