#pragma once
// The wizard's only top-level window: a frameless, rounded 722 x 532 window
// with the step list on the left, a highlight behind the current step, the
// version at the bottom left and one page at a time in the page area.
//
// It owns the pages (through the page stack), the language handle through
// which the pages load their texts, the image folder and its own layer
// surface; the final page holds the wizard state record, reached through
// State(). Pages find the main window as their host and use ShowPage, the
// page pointers, Text(), ImageFolder(), State(), Services() and PostQuit().
#include <QAbstractButton>
#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <array>
#include <string>

#include "framework/core/pageids.h"
#include "framework/core/wizardservices.h"
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

class CMainDlg : public TStackedDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 722;
  static constexpr int kHeight = 532;
  static constexpr int kCornerEllipse = 32;
  static constexpr QPoint kHomePosition{200, 150};
  static constexpr QPoint kPageOrigin{157, 64};
  static constexpr int kPlaceholderId = 1000;

  // Builds the window and its pages and shows the welcome page (the window
  // itself appears with DoModal or show()).
  explicit CMainDlg(WizardServices& services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Runs the window modally until a page posts the quit request; returns
  // its exit code (-1 for Cancel and Finish).
  int DoModal();
  // Posts the quit request (any thread): the modal run ends with `exitCode`.
  void PostQuit(int exitCode);
  // Told to end from outside (a signal, the session ending): the modal run
  // ends now with -1, whatever page is busy. The pages' workers stop when
  // the window is destroyed.
  void EndNow();

  WizardServices& Services() { return services_; }
  const WizardTiming& Timing() const { return services_.timing; }

  // The language handle the pages load their texts through (null: built-in
  // English), and its refresh after a language change.
  const LanguageModule* LanguageHandle() const { return language_; }
  void CopyLanguageHandle();
  // Text `id` through the language handle; a text the module lacks comes
  // from the built-in English table.
  std::string Text(int id) const;

  // "<program folder>/resource/english/"
  const std::string& ImageFolder() const { return imageFolder_; }

  // The wizard state record, held by the final page.
  WizardState& State();

  int CurrentPageId() const { return currentPage_; }
  CWelcomeDlg* WelcomePage() const { return welcome_; }
  CCheckDlg* CheckPage() const { return check_; }
  CInstallDlg* InstallPage() const { return install_; }
  CConfigDlg_Basic* ConfigPage() const { return config_; }
  CConfigDlg_HD* DiskPage() const { return disk_; }
  CNetcfgDlg* FinalPage() const { return final_; }

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

  WizardServices& services_;
  const LanguageModule* language_ = nullptr;
  std::string imageFolder_;
  CLayerSurface surface_{SurfaceKind::MainWindow};
  std::array<CHTMLStatic*, 5> steps_{};
  CHTMLStatic* version_ = nullptr;
  int currentPage_ = 0;

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
