#pragma once
// The wizard's only top-level window: a frameless, rounded 722 x 532 window
// with the step list on the left, a highlight behind the current step, the
// version at the bottom left and one page at a time in the page area.
//
// It owns the pages (through the page stack), the language handle through
// which the pages load their texts, the image folder and its own layer
// surface; the final page holds the wizard state record, reached through
// State(). It is the one place that knows every page: it makes them, gives
// each its own services, and is their host (framework/core/iwizardhost.h):
// pages move the wizard on with ShowPage(id) and never see each other.
#include <QAbstractButton>
#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <array>
#include <string>

#include "app/wizardservices.h"
#include "framework/core/iwizardhost.h"
#include "framework/core/pageids.h"
#include "framework/tstackeddialog.h"
#include "uikit/clayersurface.h"
#include "wizardstate/wizardstate.h"

namespace sp {

class CHTMLStatic;
class CWelcomeDlg;
class CCheckDlg;
class CInstallDlg;
class CConfigDlg_Basic;
class CConfigDlg_HD;
class CNetcfgDlg;
class LanguageModule;

class CMainDlg : public TStackedDialog, public IWizardHost {
  Q_OBJECT

 public:
  static constexpr int kWidth = 722;
  static constexpr int kHeight = 532;
  static constexpr int kCornerEllipse = 32;
  static constexpr QPoint kHomePosition{200, 150};
  static constexpr QPoint kPageOrigin{157, 64};
  static constexpr int kPlaceholderId = 1000;

  // Builds the window and the welcome page and shows that page (the window
  // itself appears with DoModal or show()). The other pages are built right
  // after the window's first paint, or as soon as anything needs them (a
  // page accessor, State(), ShowPage, SelectLanguage), so all of them exist
  // before the welcome page can be left.
  explicit CMainDlg(WizardServices& services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Runs the window modally until a page posts the quit request; returns
  // its exit code (-1 for Cancel and Finish).
  int DoModal();
  // Told to end from outside (a signal, the session ending): the modal run
  // ends now with -1, whatever page is busy. The pages' workers stop when
  // the window is destroyed.
  void EndNow();

  // The pages' host.
  WizardState& State() override;   // held by the final page
  void ShowPage(int id) override;  // TStackedDialog::ShowPage only shows
  std::string Text(int id) const override;
  void SelectLanguage(const std::string& name) override;
  const std::string& ImageFolder() const override { return imageFolder_; }
  const std::string& ProgramFolder() const override { return services_.programDir; }
  IMessageBox& MessageBox() override { return *services_.messageBox; }
  void PostQuit(int exitCode) override;

  // The language handle the pages load their texts through (null: built-in
  // English), and its refresh after a language change.
  const LanguageModule* LanguageHandle() const { return language_; }
  void CopyLanguageHandle();

  int CurrentPageId() const { return currentPage_; }
  // The pages (for tests and the tour); asking builds those still waiting.
  CWelcomeDlg* WelcomePage() { return welcome_; }
  CCheckDlg* CheckPage() { return EnsurePages(), check_; }
  CInstallDlg* InstallPage() { return EnsurePages(), install_; }
  CConfigDlg_Basic* ConfigPage() { return EnsurePages(), config_; }
  CConfigDlg_HD* DiskPage() { return EnsurePages(), disk_; }
  CNetcfgDlg* FinalPage() { return EnsurePages(), final_; }
  // Whether pages still wait to be built.
  bool PagesWaiting() const { return pagesWaiting_; }

  // Re-renders the five step labels and the version label for page `id`.
  void UpdateStepList(int id);

  CLayerSurface& Surface() { return surface_; }
  CHTMLStatic* StepLabel(int k) const { return steps_.at(k - 1); }
  CHTMLStatic* VersionLabel() const { return version_; }
  bool IsDragging() const { return dragging_; }

  // Where a window of `size` goes when it asks for `wanted` on a screen
  // whose free area is `available`: moved only as far as needed to lie
  // inside it (top-left corner kept visible when it does not fit).
  static QPoint KeepOnScreen(QPoint wanted, QSize size, const QRect& available);
  // The window's rounded shape: (0, 0, width, height) with corner ellipses.
  static QRegion RoundedRegion(QSize size, int ellipseWidth, int ellipseHeight);

 protected:
  TStackedPage* CreatePage(int id) override;
  void OnPageChanged(int id, bool shown) override;

  void customEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The button of the current page that ends the wizard now (Cancel, or
  // Finish where it takes Cancel's place), when it is shown and enabled.
  QAbstractButton* EndButtonOfCurrentPage() const;
  void PlaceWindow();
  void MakeStepLabels();
  // Builds the pages that wait (in their places of the adding order) and
  // then addresses every appliance, as start-up does once all pages exist.
  void EnsurePages();

  WizardServices& services_;
  const LanguageModule* language_ = nullptr;
  std::string imageFolder_;
  CLayerSurface surface_{SurfaceKind::MainWindow};
  std::array<CHTMLStatic*, 5> steps_{};
  CHTMLStatic* version_ = nullptr;
  int currentPage_ = 0;
  bool pagesWaiting_ = false;

  bool dragging_ = false;
  QPoint dragAnchor_;  // cursor position (global) the last move was measured from
  QRect dragRect_;     // the window rectangle, kept up to date while dragging

  CWelcomeDlg* welcome_ = nullptr;
  CCheckDlg* check_ = nullptr;
  CInstallDlg* install_ = nullptr;
  CConfigDlg_Basic* config_ = nullptr;
  CConfigDlg_HD* disk_ = nullptr;
  CNetcfgDlg* final_ = nullptr;
};

}  // namespace sp
