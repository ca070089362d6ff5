#include "app/cmaindlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/appicon.h"
#include "app/ilanguagecontrol.h"
#include "base/text.h"
#include "framework/core/steplist.h"
#include "pages/check/ccheckdlg.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "pages/install/cinstalldlg.h"
#include "pages/welcome/cwelcomedlg.h"
#include "platform/netdockagent.h"
#include "resource/languagemodule.h"
#include "uikit/accessiblenames.h"
#include "uikit/chtmlstatic.h"
#include "uikit/wmevents.h"

namespace sp {

namespace {
constexpr int kFirstStepLabelId = 1043;

// The quit request: ends the window's modal run with an exit code.
constexpr QEvent::Type kQuitRequest = wm::UserEvent(300);

class QuitRequestEvent : public QEvent {
 public:
  explicit QuitRequestEvent(int exitCode) : QEvent(kQuitRequest), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

constexpr int kVersionLabelId = 1109;
constexpr char kWindowTitle[] = "Setup Pilot";
}  // namespace

CMainDlg::CMainDlg(WizardServices& services, QWidget* parent)
    : TStackedDialog(parent, Qt::Window | Qt::FramelessWindowHint), services_(services) {
  InstallAccessibleLabels();  // before any label is asked for
  SetPlaceholderId(kPlaceholderId);
  setFixedSize(kWidth, kHeight);
  PlaceWindow();

  imageFolder_ = Format("%s/resource/english/", services_.programDir.c_str());
  surface_.Create(this);
  surface_.SetImageFolder(imageFolder_);
  setMask(RoundedRegion(size(), kCornerEllipse, kCornerEllipse));
  CopyLanguageHandle();

  // Showing the welcome page below sets the list again and composes.
  surface_.ReplaceList(MainWindowLayerList(HighlightY(kPageWelcome)));
  auto* placeholder = new QWidget(this);
  placeholder->setObjectName(QString::number(kPlaceholderId));
  placeholder->setGeometry(QRect(kPageOrigin, QSize(1, 1)));
  placeholder->hide();
  raise();

  MakeStepLabels();
  UpdateStepList(kStepWelcomeMarker);

  setWindowIcon(MakeApplicationIcon());
  setWindowTitle(QString::fromLatin1(kWindowTitle));

  // Only the welcome page is built before the window first appears; the
  // others keep their places in the order of adding (and of teardown).
  for (int id : {kPageInstall, kPageCheck, kPageConfig, kPageDisk, kPageFinal}) AddPageLater(id);
  pagesWaiting_ = true;
  AddPage(kPageWelcome);
  TStackedDialog::ShowPage(kPageWelcome);  // the first page is shown, not entered
}

void CMainDlg::EnsurePages() {
  if (!pagesWaiting_) return;
  pagesWaiting_ = false;
  MakeLaterPages();
  // The final page's set-up cleared the device block: address every
  // appliance until the user picks one.
  CopyBounded(State().targetMac, kBroadcastMac);
}

void CMainDlg::paintEvent(QPaintEvent* event) {
  TStackedDialog::paintEvent(event);
  if (!pagesWaiting_) return;
  // Once this paint has reached the screen (the next turn of the event
  // loop, and one more so whoever waits for the paint hears first), the
  // other pages are built.
  QTimer::singleShot(0, this, [this] { QTimer::singleShot(0, this, [this] { EnsurePages(); }); });
}

void CMainDlg::ShowPage(int id) {
  EnsurePages();
  EnterPage(id);
}

CMainDlg::~CMainDlg() {
  DestroyAllPages();
  // A share-mapping agent the wizard started lives only for the wizard.
  if (services_.shareAgent) services_.shareAgent->Close();
}

void CMainDlg::PlaceWindow() {
  QRect available(QPoint(0, 0), QSize(kWidth, kHeight));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) available = screen->availableGeometry();
  move(KeepOnScreen(kHomePosition, size(), available));
}

QPoint CMainDlg::KeepOnScreen(QPoint wanted, QSize size, const QRect& available) {
  QPoint at = wanted;
  if (at.x() + size.width() > available.x() + available.width())
    at.setX(available.x() + available.width() - size.width());
  if (at.y() + size.height() > available.y() + available.height())
    at.setY(available.y() + available.height() - size.height());
  if (at.x() < available.x()) at.setX(available.x());
  if (at.y() < available.y()) at.setY(available.y());
  return at;
}

QRegion CMainDlg::RoundedRegion(QSize size, int ellipseWidth, int ellipseHeight) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), ellipseWidth / 2.0, ellipseHeight / 2.0);
  return QRegion(path.toFillPolygon().toPolygon());
}

void CMainDlg::MakeStepLabels() {
  for (int k = 1; k <= kStepCount; ++k) {
    auto* label = new CHTMLStatic(this);
    label->setObjectName(QString::number(kFirstStepLabelId + k - 1));
    steps_[k - 1] = label;
  }
  version_ = new CHTMLStatic(this);
  version_->setObjectName(QString::number(kVersionLabelId));
}

int CMainDlg::DoModal() { return exec(); }

void CMainDlg::PostQuit(int exitCode) { QCoreApplication::postEvent(this, new QuitRequestEvent(exitCode)); }

void CMainDlg::SelectLanguage(const std::string& name) {
  EnsurePages();  // every page is built in the language of start-up
  if (services_.language) services_.language->SetLanguageModule(name);
  CopyLanguageHandle();
}

void CMainDlg::EndNow() { done(-1); }

void CMainDlg::CopyLanguageHandle() { language_ = services_.language ? services_.language->LanguageHandle() : nullptr; }

std::string CMainDlg::Text(int id) const {
  std::string text;
  if (LoadText(language_, id, text)) return text;
  return LoadText(nullptr, id);
}

WizardState& CMainDlg::State() {
  EnsurePages();
  Q_ASSERT(final_ != nullptr);
  return final_->State();
}

void CMainDlg::UpdateStepList(int id) {
  for (int k = 1; k <= kStepCount; ++k) {
    CHTMLStatic* label = steps_[k - 1];
    label->setGeometry(kStepLabelX, StepLabelY(k), kStepLabelWidth, kStepLabelHeight);
    label->SetText(Utf8ToUtf16(StepLabelMarkup(k, id, Text(kStepTextBase + k))));
    label->show();
  }
  version_->setGeometry(5, 493, 145, 40);
  version_->SetText(Utf8ToUtf16(VersionLabelMarkup(ProgramVersionText())));
  version_->show();
}

TStackedPage* CMainDlg::CreatePage(int id) {
  switch (id) {
    case kPageWelcome:
      return welcome_ = new CWelcomeDlg(*this);
    case kPageCheck:
      return check_ = new CCheckDlg(*this, services_.checkPage);
    case kPageInstall:
      return install_ = new CInstallDlg(*this, services_.installPage);
    case kPageConfig:
      return config_ = new CConfigDlg_Basic(*this, services_.configPage);
    case kPageDisk:
      return disk_ = new CConfigDlg_HD(*this, services_.diskPage);
    case kPageFinal:
      return final_ = new CNetcfgDlg(*this, services_.finalPage);
    default:
      return nullptr;
  }
}

void CMainDlg::OnPageChanged(int id, bool shown) {
  if (!shown) return;
  if (TStackedPage* old = PageById(currentPage_)) {
    if (CLayerSurface* s = old->PageSurface()) s->SetCurrentPage(false);
  }
  if (TStackedPage* page = PageById(id)) {
    if (CLayerSurface* s = page->PageSurface()) s->SetCurrentPage(true);
    page->update();  // paints its surface even if nobody posts a compose
  }
  surface_.SetList(MainWindowLayerList(HighlightY(id)));
  UpdateStepList(id);
  currentPage_ = id;
}

void CMainDlg::customEvent(QEvent* event) {
  if (event->type() == kQuitRequest) {
    done(static_cast<QuitRequestEvent*>(event)->exitCode());
    return;
  }
  TStackedDialog::customEvent(event);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // Only the pages' own buttons end the wizard.
  if (IsDialogCloseKey(event->key())) {
    event->accept();
    return;
  }
  TStackedDialog::keyPressEvent(event);
}

void CMainDlg::closeEvent(QCloseEvent* event) {
  // Closed from the window manager (Alt+F4, the taskbar): what the page's
  // own way out would do at this moment, and nothing when it may not be used
  // now: a page busy with the appliance, or the final sequence until Finish
  // comes, asks nothing and carries on.
  event->ignore();
  if (QAbstractButton* end = EndButtonOfCurrentPage()) end->click();
}

QAbstractButton* CMainDlg::EndButtonOfCurrentPage() const {
  TStackedPage* page = PageById(currentPage_);
  if (!page) return nullptr;
  for (int id : {CWelcomeDlg::kCancelId, CCheckDlg::kCancelId, CInstallDlg::kCancelId, CConfigDlg_Basic::kCancelId,
                 CConfigDlg_HD::kCancelId, CConfigDlg_HD::kFinishId, CNetcfgDlg::kFinishId}) {
    auto* button = page->findChild<QAbstractButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
    if (button && button->isVisibleTo(page) && button->isEnabled()) return button;
  }
  return nullptr;
}

void CMainDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // The window manager moves the window where it can (Wayland allows
    // nothing else, and it snaps and keeps to screens); the manual move
    // is for platforms that cannot.
    if (QWindow* window = windowHandle(); window && window->startSystemMove()) {
      dragging_ = false;
      TStackedDialog::mousePressEvent(event);
      return;
    }
    dragging_ = true;
    dragRect_ = frameGeometry();
    dragAnchor_ = event->globalPosition().toPoint();
  }
  TStackedDialog::mousePressEvent(event);
}

void CMainDlg::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && !(event->buttons() & Qt::LeftButton)) {
    // The release went elsewhere: the drag is over.
    dragging_ = false;
  }
  if (dragging_) {
    const QPoint offset = event->globalPosition().toPoint() - dragAnchor_;
    if (!offset.isNull()) {
      move(pos() + offset);
      dragAnchor_ += offset;
      dragRect_.translate(offset);
    }
  }
  TStackedDialog::mouseMoveEvent(event);
}

void CMainDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  TStackedDialog::mouseReleaseEvent(event);
}

}  // namespace sp
