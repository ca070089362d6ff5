#include "pages/check/ccheckdlg.h"

#include <QCoreApplication>

#include "devicelink/idevicelink.h"
#include "framework/core/pageids.h"
#include "framework/pagecontrols.h"
#include "platform/sockets.h"
#include "uikit/wmevents.h"

namespace sp {

namespace {

// A step of the connection check, from its worker to the page.
constexpr QEvent::Type kCheckUpdate = wm::UserEvent(301);

// One posted step of a check.
class CheckUpdateEvent : public QEvent {
 public:
  enum Kind { kLayers, kProgress, kFinished };
  CheckUpdateEvent(unsigned check, Kind kind) : QEvent(kCheckUpdate), check(check), kind(kind) {}
  unsigned check;
  Kind kind;
  std::string list;
  int value = 0;
};

// The labels of the page, in the order of their rows below.
struct LabelRow {
  int id;
  int text;
  QRect rect;
  char markup;  // 'A' title, 'B' white text, 'C' bold white, 'D' accent text
  bool atStart;
  bool afterFailure;
};

constexpr LabelRow kLabels[] = {
    {1052, 109, QRect(30, 20, 400, 60), 'A', true, true},    {1053, 110, QRect(35, 58, 500, 50), 'B', true, false},
    {1119, 164, QRect(35, 58, 500, 50), 'B', false, true},   {1055, 112, QRect(100, 102, 500, 30), 'B', true, false},
    {1116, 163, QRect(100, 102, 500, 30), 'B', false, true}, {1056, 113, QRect(100, 132, 300, 30), 'B', true, false},
    {1054, 111, QRect(35, 360, 500, 50), 'B', false, false}, {1117, 165, QRect(40, 230, 500, 30), 'C', false, true},
    {1118, 166, QRect(50, 260, 500, 100), 'B', false, true}, {1120, 289, QRect(40, 260, 50, 100), 'D', false, true},
};
constexpr int kPassedNoteId = 1054;

}  // namespace

// Posts the worker's steps to the page, stamped with the check's number.
class CCheckDlg::Sink : public ICheckSink {
 public:
  Sink(QObject* page, unsigned check) : page_(page), check_(check) {}
  void Layers(const std::string& list) override {
    auto* e = new CheckUpdateEvent(check_, CheckUpdateEvent::kLayers);
    e->list = list;
    QCoreApplication::postEvent(page_, e);
  }
  void Progress(int position) override {
    auto* e = new CheckUpdateEvent(check_, CheckUpdateEvent::kProgress);
    e->value = position;
    QCoreApplication::postEvent(page_, e);
  }
  void Finished(CheckOutcome outcome) override {
    auto* e = new CheckUpdateEvent(check_, CheckUpdateEvent::kFinished);
    e->value = static_cast<int>(outcome);
    QCoreApplication::postEvent(page_, e);
  }

 private:
  QObject* page_;
  unsigned check_;
};

CCheckDlg::CCheckDlg(IWizardHost& host, CheckPageServices services) : host_(host), services_(services) {
  setObjectName(QStringLiteral("131"));
}

CCheckDlg::~CCheckDlg() { StopCheck(); }

void CCheckDlg::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QString::number(kProgressId));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  for (const LabelRow& row : kLabels) MakeLabel(this, row.id);

  setGeometry(0, 0, kPageWidth, kPageHeight);
  hide();
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  progress_->hide();
  next_->setEnabled(false);

  connect(back_, &QPushButton::clicked, this, [this] { OnBack(); });
  connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  setTabOrder(back_, next_);
  setTabOrder(next_, cancel_);
}

void CCheckDlg::OnPageDestroying() { StopCheck(); }

void CCheckDlg::OnEnterPage(int fromPageId) {
  // Going back from the install guide shows the page first, then checks.
  checkWhenShown_ = fromPageId == kPageInstall;
  if (!checkWhenShown_) StartCheck();
}

void CCheckDlg::OnPageShown() {
  if (!checkWhenShown_) return;
  checkWhenShown_ = false;
  StartCheck();
}

CHTMLStatic* CCheckDlg::Label(int id) const { return Control<CHTMLStatic>(this, id); }

void CCheckDlg::LayOutLabels(bool failed) {
  for (const LabelRow& row : kLabels) {
    const std::string text = host_.Text(row.text);
    std::u16string markup;
    switch (row.markup) {
      case 'A':
        markup = MarkupText(kTitleFormat, kTitleColour, text.c_str());
        break;
      case 'C':
        markup = MarkupText(kBoldTextFormat, kTextSize, "white", text.c_str());
        break;
      case 'D':
        markup = MarkupText(kTextFormat, kTextSize, kTitleColour, text.c_str());
        break;
      default:
        markup = MarkupText(kTextFormat, kTextSize, "white", text.c_str());
        break;
    }
    PlaceLabel(Label(row.id), row.rect, std::move(markup), failed ? row.afterFailure : row.atStart);
  }
}

void CCheckDlg::StartCheck() {
  StopCheck();
  const unsigned check = ++generation_;
  LayOutLabels(false);
  progress_->setGeometry(70, 177, 300, 20);
  progress_->setValue(0);
  progress_->show();
  next_->setEnabled(false);
  surface_.SetList(kCheckPlainList);

  IDeviceLink* link = services_.adapterLink;
  const int stepMs = services_.stepMs;
  worker_.Start([this, check, link, stepMs](StoppableWorker& w) {
    Sink sink(this, check);
    ConnectionCheckSteps steps;
    steps.adapterUsable = [link] { return SocketLibraryAvailable() && link != nullptr && link->HasUsableAdapter(); };
    steps.sleep = [&w](int ms) { return w.Sleep(ms); };
    steps.stepMs = stepMs;
    RunConnectionCheck(steps, sink);
  });
}

void CCheckDlg::StopCheck() {
  worker_.Stop();
  // Whatever the stopped check has queued belongs to no check any more.
  ++generation_;
}

bool CCheckDlg::event(QEvent* e) {
  if (e->type() != kCheckUpdate) return TStackedPage::event(e);
  const auto* update = static_cast<const CheckUpdateEvent*>(e);
  if (update->check != generation_) return true;  // from an abandoned check
  switch (update->kind) {
    case CheckUpdateEvent::kLayers:
      surface_.SetList(update->list);
      break;
    case CheckUpdateEvent::kProgress:
      progress_->setValue(update->value);
      break;
    case CheckUpdateEvent::kFinished:
      ApplyOutcome(static_cast<CheckOutcome>(update->value));
      break;
  }
  return true;
}

void CCheckDlg::ApplyOutcome(CheckOutcome outcome) {
  if (outcome == CheckOutcome::Passed) {
    next_->setEnabled(true);
    Label(kPassedNoteId)->show();
    return;
  }
  next_->setEnabled(false);
  progress_->hide();
  LayOutLabels(true);
}

void CCheckDlg::OnBack() {
  StopCheck();
  host_.ShowPage(kPageWelcome);
}

void CCheckDlg::OnNext() { host_.ShowPage(kPageInstall); }

void CCheckDlg::OnCancel() {
  StopCheck();
  host_.PostQuit(-1);
}

}  // namespace sp
