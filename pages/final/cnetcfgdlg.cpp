#include "pages/final/cnetcfgdlg.h"

#include <string>

#include "base/text.h"
#include "devicelink/idevicelink.h"
#include "framework/pagecontrols.h"
#include "pages/final/core/finalsequence.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/stoptokenwait.h"

namespace sp {

namespace {

constexpr char kSummaryCaption[] = "<font face=Arial size=4 color=white>%s:</font>";
constexpr char kSummaryValue[] = "%s<font face=Arial size=4 color=%s> %s</font>";
constexpr char kSummaryShare[] = "%s<font face=Arial size=4 color=%s> %s (Volume1)</font>";
constexpr char kSummaryIscsiPath[] = "%s<font face=Arial size=4 color=%s> %s </font>";
constexpr char kSummarySize[] = "%s<font face=Arial size=4 color=%s> %d GB</font>";
constexpr char kSummaryColour[] = "orange";
constexpr int kSummaryX = 55;
constexpr int kFailureTextHeight = 110;

// The groove is darker than the page and the bar is the title's blue, so
// the bar reads as part of the skin rather than as a system control.
constexpr char kProgressStyle[] =
    "QProgressBar { background-color: #0d141b; border: 1px solid #2b3d4c; border-radius: 3px; }"
    "QProgressBar::chunk { border-radius: 2px; background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
    " stop:0 #6fd0f7, stop:0.45 #3DB4E9, stop:1 #1b7fb0); }";

// Texts from the record (typed by the user or sent by the appliance) are
// shown as they are, never read as markup. "<" becomes an entity; "&" ends
// its text run with a tag no one knows, because an entity decoder that meets
// "&" reads up to the next ";" as an entity name, even one that was there
// only as part of the next entity.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '&') {
      out += "&<x>";
    } else {
      out += c;
    }
  }
  return out;
}

class ValueEvent : public QEvent {
 public:
  ValueEvent(QEvent::Type type, int value) : QEvent(type), value_(value) {}
  int value() const { return value_; }

 private:
  int value_;
};

}  // namespace

// The sequence's view of the page, used on the worker thread: events to the
// page, the layer list through the surface's lock.
class CNetcfgDlg::WorkerSink : public IFinalPageSink {
 public:
  explicit WorkerSink(CNetcfgDlg& page) : page_(page) {}
  void SetProgress(int position) override { Post(new ValueEvent(kProgressEvent, position)); }
  void SetLayerList(std::string_view list) override { page_.surface_.SetList(list); }
  void SetFinishEnabled(bool enabled) override { Post(new ValueEvent(kFinishEnableEvent, enabled ? 1 : 0)); }
  void ShowFinish() override { Post(new ValueEvent(kFinishShowEvent, 1)); }
  void PostSummary() override { Post(new QEvent(wm::kFinalSummary)); }
  void PostFailure() override { Post(new QEvent(wm::kFinalFailure)); }

 private:
  void Post(QEvent* event) { QCoreApplication::postEvent(&page_, event); }
  CNetcfgDlg& page_;
};

CNetcfgDlg::CNetcfgDlg(IWizardHost& host, FinalPageServices services) : host_(host), services_(services) {
  setObjectName(QStringLiteral("135"));
  state_.Clear();
}

CNetcfgDlg::~CNetcfgDlg() { StopWorker(); }

void CNetcfgDlg::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kNextButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  finish_ = MakeImageButton(this, kFinishId, kCancelButtonRect, QStringLiteral("Finish"), folder, "btn-cancel.png");
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QString::number(kProgressId));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  StyleProgressBar();
  for (int id : kLabelIds) MakeLabel(this, id);

  back_->hide();
  finish_->hide();
  progress_->hide();
  setGeometry(0, 0, kPageWidth, kPageHeight);
  finish_->setEnabled(false);
  state_.ClearSummaryBlocks();
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  LayOut(Layout::Working);

  connect(finish_, &QPushButton::clicked, this, [this] { OnFinish(); });
}

void CNetcfgDlg::StyleProgressBar() { progress_->setStyleSheet(QString::fromLatin1(kProgressStyle)); }

CHTMLStatic* CNetcfgDlg::Label(int id) const { return Control<CHTMLStatic>(this, id); }

void CNetcfgDlg::Start() {
  if (started_) return;
  started_ = true;
  progress_->setGeometry(70, 177, 300, 20);
  progress_->setValue(0);
  progress_->show();
  surface_.SetList(kFinalBackgroundList);

  const FinalPageServices& s = services_;
  if (!s.link || !s.iscsiInterpreter || !s.diskPreparation || !s.shareMapping || !s.desktopShell) {
    // Nothing can be set up without them: say so and let the user leave.
    finish_->show();
    finish_->setEnabled(true);
    LayOut(Layout::Failure);
    return;
  }
  workerDone_ = false;
  worker_ = std::jthread([this](std::stop_token stop) { RunSequence(std::move(stop)); });
}

void CNetcfgDlg::RunSequence(std::stop_token stop) {
  const FinalPageServices& s = services_;
  StopTokenWait wait(stop, s.pausePercent);
  WorkerSink sink(*this);
  IscsiAttach attach(*s.iscsiInterpreter, *s.diskPreparation, *s.shareMapping);
  FinalSequence sequence(*s.link, *s.iscsiInterpreter, attach, *s.shareMapping, *s.desktopShell);
  sequence.Run(state_, wait, sink);
  workerDone_ = true;
}

void CNetcfgDlg::StopWorker() {
  if (!worker_.joinable()) return;
  worker_.request_stop();
  worker_.join();
}

void CNetcfgDlg::OnFinish() {
  // From here on nothing the worker still sent is applied.
  stopped_ = true;
  StopWorker();
  host_.PostQuit(-1);
}

void CNetcfgDlg::customEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (stopped_) return;
  if (type == kProgressEvent) {
    progress_->setValue(static_cast<ValueEvent*>(event)->value());
  } else if (type == kFinishEnableEvent) {
    finish_->setEnabled(static_cast<ValueEvent*>(event)->value() != 0);
  } else if (type == kFinishShowEvent) {
    finish_->show();
    finish_->setEnabled(true);
  } else if (type == wm::kFinalSummary) {
    LayOut(Layout::Summary);
  } else if (type == wm::kFinalFailure) {
    LayOut(Layout::Failure);
  }
}

void CNetcfgDlg::LayOut(Layout layout) {
  for (int id : kLabelIds) {
    CHTMLStatic* label = Label(id);
    label->hide();
    label->SetText({});
    label->update();
  }
  PlaceLabel(Label(kTitleId), QRect(30, 20, 400, 60), MarkupText(kTitleFormat, kTitleColour, host_.Text(180).c_str()),
             true);
  layout_ = layout;
  switch (layout) {
    case Layout::Working:
      LayOutWorking();
      break;
    case Layout::Summary:
      LayOutSummary();
      break;
    case Layout::Failure:
      LayOutFailure();
      break;
  }
}

void CNetcfgDlg::LayOutWorking() {
  const struct {
    int id, text;
    QRect rect;
  } rows[] = {{1101, 181, QRect(35, 58, 500, 50)},
              {1102, 182, QRect(100, 102, 500, 30)},
              {1103, 183, QRect(100, 132, 300, 30)}};
  for (const auto& row : rows) {
    PlaceLabel(Label(row.id), row.rect, MarkupText(kTextFormat, kTextSize, "white", host_.Text(row.text).c_str()),
               true);
  }
}

void CNetcfgDlg::LayOutSummary() {
  progress_->hide();
  PlaceLabel(Label(1101), QRect(35, 60, 500, 30),
             MarkupText(kBoldTextFormat, kTextSize, "white", host_.Text(184).c_str()), true);
  const auto caption = [this](int text) { return Format(kSummaryCaption, host_.Text(text).c_str()); };
  const auto row = [this](int id, int y, std::u16string markup) {
    PlaceLabel(Label(id), QRect(kSummaryX, y, 500, 30), std::move(markup), true);
  };
  const auto text = [&](int id, int y, int caption_id, const char* value) {
    row(id, y, MarkupText(kSummaryValue, caption(caption_id).c_str(), kSummaryColour, Escaped(value).c_str()));
  };
  text(1102, 90, 185, FieldText(state_.deviceTime).c_str());
  text(1103, 120, 186, FieldText(state_.deviceIpSummary).c_str());
  text(1110, 150, 187, FieldText(state_.webLoginPassword).c_str());
  const bool nas = state_.nasSizeGb != 0;
  if (nas) {
    row(1111, 180,
        MarkupText(kSummaryShare, caption(188).c_str(), kSummaryColour,
                   Escaped(FieldText(state_.nasDriveLetter)).c_str()));
    row(1112, 210, MarkupText(kSummarySize, caption(189).c_str(), kSummaryColour, static_cast<int>(state_.nasSizeGb)));
    text(1113, 240, 190, FieldText(state_.nasLevel).c_str());
  }
  if (state_.iscsiSizeGb != 0) {
    // Path, size, level, although their texts are numbered 193, 191, 192.
    const int y0 = nas ? 270 : 180;
    row(1114, y0,
        MarkupText(kSummaryIscsiPath, caption(193).c_str(), kSummaryColour,
                   Escaped(FieldText(state_.iscsiDriveLetter)).c_str()));
    row(1115, y0 + 30,
        MarkupText(kSummarySize, caption(191).c_str(), kSummaryColour, static_cast<int>(state_.iscsiSizeGb)));
    text(1119, y0 + 60, 192, FieldText(state_.iscsiLevel).c_str());
  }
}

void CNetcfgDlg::LayOutFailure() {
  progress_->hide();
  // Taller than the 60 pixels the page once gave it: the text runs to four
  // lines (two of them after its line breaks) in the page's font, and the
  // closing "Thank You." must not be cut off.
  PlaceLabel(Label(1101), QRect(35, 60, 500, kFailureTextHeight),
             MarkupText(kBoldTextFormat, kTextSize, "white", host_.Text(171).c_str()), true);
}

}  // namespace sp
