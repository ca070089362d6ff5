#pragma once
// The welcome page (130): the product title, what the wizard will do (with
// the warning that all data on the appliance is deleted) and the agreement
// box; Next becomes available only while the box is ticked. It also holds a
// language list, laid out but kept hidden, so a run shows English.
#include <QCheckBox>

#include "framework/core/iwizardhost.h"
#include "framework/tstackedpage.h"
#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"

namespace sp {

class CBitComboBox;

class CWelcomeDlg : public TStackedPage {
  Q_OBJECT

 public:
  static constexpr int kBackId = 1003;
  static constexpr int kNextId = 1004;
  static constexpr int kCancelId = 1005;
  static constexpr int kAgreementBoxId = 1006;
  static constexpr int kLanguageListId = 1067;
  static constexpr int kTitleId = 1049;
  static constexpr int kDescriptionId = 1050;
  static constexpr int kAgreementId = 1051;
  static constexpr int kLanguageCaptionId = 1068;

  explicit CWelcomeDlg(IWizardHost& host);

  void OnInitDialog() override;
  // Coming back (the check page's Back) lays the background out again.
  void OnEnterPage(int fromPageId) override;
  CLayerSurface* PageSurface() override { return &surface_; }

  // Sets the background layer list (and posts the compose event) and puts
  // the language list in its place, hidden.
  void LayOutBackground();

  // The entry preselected from the system language at initialisation.
  static int SystemLanguageEntry();

  CHoverButtonEx* NextButton() const { return next_; }
  CHoverButtonEx* CancelButton() const { return cancel_; }
  QCheckBox* AgreementBox() const { return agree_; }
  CBitComboBox* LanguageList() const { return languages_; }

  // Handlers of the controls (also what a click runs).
  void OnAgreementClicked();
  void OnNext();
  void OnCancel();
  void OnLanguageChanged(int index);

 private:
  void OnComposed();
  void LayOutLabels();

  IWizardHost& host_;
  CLayerSurface surface_{SurfaceKind::Welcome};
  CHoverButtonEx* back_ = nullptr;
  CHoverButtonEx* next_ = nullptr;
  CHoverButtonEx* cancel_ = nullptr;
  QCheckBox* agree_ = nullptr;
  CBitComboBox* languages_ = nullptr;
  CHTMLStatic* title_ = nullptr;
  CHTMLStatic* description_ = nullptr;
  CHTMLStatic* agreement_ = nullptr;
  CHTMLStatic* languageCaption_ = nullptr;
};

}  // namespace sp
