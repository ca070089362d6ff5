#include "pages/final/cnetcfgdlg.h"

#include <string>

#include "base/text.h"
#include "devicelink/idevicelink.h"
#include "framework/pagecontrols.h"
#include "pages/final/core/finalsequence.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/stoptokenwait.h"
#include "platform/desktopshell.h"
#include "setupreport/setupreport.h"
#include "uikit/core/htmlmarkup.h"

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

// Texts of the outcome beyond the appliance's summary.
constexpr int kTextWaiting = 300;
constexpr int kTextIscsiVolume = 301;
constexpr int kTextNotAttached = 302;
constexpr int kTextReasonInitiator = 303;
constexpr int kTextReasonPortal = 304;
constexpr int kTextReasonLogin = 305;
constexpr int kTextReasonNoDisk = 306;
constexpr int kTextReasonNotPrepared = 307;
constexpr int kTextReasonNoLetter = 308;
constexpr int kTextReasonLetterTaken = 309;
constexpr int kTextReasonNotAuthorised = 314;
constexpr int kTextReasonSetupInProgress = 315;
constexpr int kTextIscsiReady = 310;
constexpr int kTextApplianceSilent = 311;
constexpr int kTextApplianceRestarted = 312;
constexpr int kTextIscsiFailed = 313;
constexpr int kTextOpenReport = 343;
constexpr int kTextTryAgain = 344;

constexpr QRect kReportLinkRect(35, 420, 290, 30);
constexpr char kReportLinkFormat[] = "<font face=Arial size=3 color=%s><a href=\"%s\">%s</a></font>";
constexpr char kReportLinkColour[] = "#3DB4E9";

// Texts from the record (typed by the user or sent by the appliance) are
// shown as they are, never read as markup.
std::string Escaped(const std::string& text) { return EscapeMarkupText(text); }

// A text of the table with its one "%s" filled (the value escaped).
std::string Filled(const std::string& text, const std::string& value) {
  const auto at = text.find("%s");
  if (at == std::string::npos) return EscapeMarkupText(text);
  return EscapeMarkupText(text.substr(0, at)) + EscapeMarkupText(value) + EscapeMarkupText(text.substr(at + 2));
}

class ReportEvent : public QEvent {
 public:
  explicit ReportEvent(const FinalReport& report) : QEvent(CNetcfgDlg::kOutcomeEvent), report_(report) {}
  const FinalReport& report() const { return report_; }

 private:
  FinalReport report_;
};

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
  void SetWaitingForAppliance(bool waiting) override { Post(new ValueEvent(kWaitingEvent, waiting ? 1 : 0)); }
  void PostOutcome(const FinalReport& report) override { Post(new ReportEvent(report)); }

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
  // The Back slot carries Try again, which only a failed PC step shows.
  // It goes forward, so it takes Finish's plain strip, not Back's arrow.
  back_ = MakeImageButton(this, kBackId, kNextButtonRect, QString::fromStdString(host_.Text(kTextTryAgain)), folder,
                          "btn-cancel.png");
  finish_ = MakeImageButton(this, kFinishId, kCancelButtonRect, QStringLiteral("Finish"), folder, "btn-cancel.png");
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QString::number(kProgressId));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  StyleProgressBar();
  for (int id : kLabelIds) MakeLabel(this, id);
  reportLink_ = MakeLabel(this, kReportLinkId);
  if (IDesktopShell* desktop = services_.desktopShell) {
    reportLink_->SetLinkOpener([desktop](const std::u16string& link) { return desktop->OpenLink(link); });
  }

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
  connect(back_, &QPushButton::clicked, this, [this] { OnTryAgain(); });
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
  if (!s.Complete()) {
    // Nothing can be set up without them: say so and let the user leave.
    finish_->show();
    finish_->setEnabled(true);
    LayOut(Layout::Failure);
    return;
  }
  StartWorker(std::nullopt);
}

void CNetcfgDlg::StartWorker(std::optional<FinalReport> previous) {
  StopWorker();  // a finished one, joined
  workerDone_ = false;
  worker_ = std::jthread([this, previous](std::stop_token stop) { RunSequence(std::move(stop), previous); });
}

void CNetcfgDlg::OnTryAgain() {
  if (stopped_ || WorkerRunning() || !PcStepsFailed(report_)) return;
  back_->hide();
  finish_->setEnabled(false);
  LayOut(Layout::Working);
  progress_->setValue(78);
  progress_->show();
  StartWorker(report_);
}

void CNetcfgDlg::RunSequence(std::stop_token stop, std::optional<FinalReport> previous) {
  WorkerSink sink(*this);
  RunFinalSetup(services_, state_, std::move(stop), sink, previous);
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
  } else if (type == kWaitingEvent) {
    ShowWaiting(static_cast<ValueEvent*>(event)->value() != 0);
  } else if (type == kOutcomeEvent) {
    report_ = static_cast<ReportEvent*>(event)->report();
    if (report_.summary && services_.setUpDone) services_.setUpDone(host_.State());
    LayOut(report_.summary ? Layout::Summary : Layout::Failure);
    back_->setVisible(PcStepsFailed(report_));
    back_->setEnabled(true);
  } else if (type == wm::kFinalSummary) {
    LayOut(Layout::Summary);
  } else if (type == wm::kFinalFailure) {
    LayOut(Layout::Failure);
  }
}

void CNetcfgDlg::LayOut(Layout layout) {
  reportLink_->hide();
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
      ShowReportLink();
      break;
    case Layout::Failure:
      LayOutFailure();
      ShowReportLink();
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
  const bool attached = !report_.iscsiAsked || report_.iscsi.result == AttachResult::kAttached;
  if (state_.iscsiSizeGb != 0 && !attached) {
    // One row in place of the volume's: no letter is shown that has
    // nothing behind it. Two lines high, for a reason that wraps.
    const std::string value = Filled(host_.Text(kTextNotAttached), AttachReason(report_.iscsi.why));
    PlaceLabel(Label(1114), QRect(kSummaryX, nas ? 270 : 180, 500, 60),
               MarkupText(kSummaryValue, caption(kTextIscsiVolume).c_str(), kSummaryColour, value.c_str()), true);
  } else if (state_.iscsiSizeGb != 0) {
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
  const std::string detail = FailureDetail();
  if (!detail.empty()) {
    PlaceLabel(Label(1102), QRect(35, 60 + kFailureTextHeight + 10, 500, 60),
               MarkupText(kTextFormat, kTextSize, "white", detail.c_str()), true);
  }
}

void CNetcfgDlg::ShowWaiting(bool waiting) {
  CHTMLStatic* label = Label(kWaitingLabelId);
  if (!waiting || layout_ != Layout::Working) {
    label->hide();
    return;
  }
  PlaceLabel(label, QRect(70, 210, 460, 30),
             MarkupText(kTextFormat, kTextSize, "white", EscapeMarkupText(host_.Text(kTextWaiting)).c_str()), true);
}

void CNetcfgDlg::ShowReportLink() {
  const std::shared_ptr<SetupReport> report = CurrentSetupReport();
  // The path goes into the link as it is: one that the markup could not
  // carry whole is not offered.
  if (!report || report->Path().find_first_of("\"<>&") != std::string::npos) return;
  PlaceLabel(reportLink_, kReportLinkRect,
             MarkupText(kReportLinkFormat, kReportLinkColour, report->Path().c_str(),
                        Escaped(host_.Text(kTextOpenReport)).c_str()),
             true);
}

std::string CNetcfgDlg::AttachReason(AttachFailure why) const {
  switch (why) {
    case AttachFailure::kInitiatorDown:
      return host_.Text(kTextReasonInitiator);
    case AttachFailure::kPortal:
      return host_.Text(kTextReasonPortal);
    case AttachFailure::kLogin:
      return host_.Text(kTextReasonLogin);
    case AttachFailure::kNoDisk:
      return host_.Text(kTextReasonNoDisk);
    case AttachFailure::kNoLetter:
      return host_.Text(kTextReasonNoLetter);
    case AttachFailure::kLetterTaken: {
      const std::string text = host_.Text(kTextReasonLetterTaken);
      const auto at = text.find("%s");
      return at == std::string::npos ? text
                                     : text.substr(0, at) + FieldText(state_.iscsiDriveLetter) + text.substr(at + 2);
    }
    case AttachFailure::kNotAuthorised:
      return host_.Text(kTextReasonNotAuthorised);
    case AttachFailure::kSetupInProgress:
      return host_.Text(kTextReasonSetupInProgress);
    case AttachFailure::kNotPrepared:
    case AttachFailure::kNone:
      break;
  }
  return host_.Text(kTextReasonNotPrepared);
}

std::string CNetcfgDlg::FailureDetail() const {
  if (report_.appliance == ApplianceTrouble::kStoppedAnswering) return Escaped(host_.Text(kTextApplianceSilent));
  if (report_.appliance == ApplianceTrouble::kRestarted) return Escaped(host_.Text(kTextApplianceRestarted));
  if (!report_.iscsiAsked) return {};
  if (report_.iscsi.result == AttachResult::kAttached) {
    return Filled(host_.Text(kTextIscsiReady), FieldText(state_.iscsiDriveLetter));
  }
  return Filled(host_.Text(kTextIscsiFailed), AttachReason(report_.iscsi.why));
}

}  // namespace sp
