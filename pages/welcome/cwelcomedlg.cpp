#include "pages/welcome/cwelcomedlg.h"

#include <QLocale>

#include "framework/core/pageids.h"
#include "framework/pagecontrols.h"
#include "pages/welcome/core/languagechoice.h"
#include "uikit/cbitcombobox.h"

namespace sp {

namespace {
constexpr int kPageHeightWelcome = 460;
constexpr QRect kAgreementBoxRect(32, 370, 13, 13);
constexpr char kBackgroundList[] = "cbackground.jpg|0|0|255|0|0|0,welcome.png|0|30|255|0|0|0,";
constexpr char kTitleFormatRight[] = "<font face=Arial size=5 color=%s><p align=right><b>%s</b></p></font>";
}  // namespace

CWelcomeDlg::CWelcomeDlg(IWizardHost& host) : host_(host) { setObjectName(QStringLiteral("130")); }

int CWelcomeDlg::SystemLanguageEntry() {
  // The default locale is the system's unless the program set another.
  const QLocale locale;
  const QString name = QLocale::languageToCode(locale.language());
  const QString script = QLocale::scriptToCode(locale.script());
  const QString territory = QLocale::territoryToCode(locale.territory());
  return PreselectedLanguageEntry(name.toStdString(), script.toStdString(), territory.toStdString());
}

void CWelcomeDlg::OnInitDialog() {
  const std::string& folder = host_.ImageFolder();
  back_ = MakeImageButton(this, kBackId, kBackButtonRect, QStringLiteral("Back"), folder, "btn-back.png");
  next_ = MakeImageButton(this, kNextId, kNextButtonRect, QStringLiteral("Next"), folder, "btn-next.png");
  cancel_ = MakeImageButton(this, kCancelId, kCancelButtonRect, QStringLiteral("Cancel"), folder, "btn-cancel.png");
  agree_ = new QCheckBox(this);
  agree_->setObjectName(QString::number(kAgreementBoxId));
  agree_->setGeometry(kAgreementBoxRect);
  languages_ = new CBitComboBox(this);
  languages_->setObjectName(QString::number(kLanguageListId));
  title_ = MakeLabel(this, kTitleId);
  description_ = MakeLabel(this, kDescriptionId);
  agreement_ = MakeLabel(this, kAgreementId);
  languageCaption_ = MakeLabel(this, kLanguageCaptionId);

  back_->hide();
  next_->hide();
  cancel_->hide();
  agree_->hide();
  next_->setEnabled(false);

  setGeometry(0, 0, kPageWidth, kPageHeightWelcome);
  show();
  surface_.Create(this);
  surface_.SetImageFolder(folder);
  surface_.SetComposedCallback([this] { OnComposed(); });

  // The list's skin is the standard one CBitComboBox sets up.
  for (int i = 0; i < kLanguageEntryCount; ++i) {
    languages_->addItem(QString::fromStdString(host_.Text(kLanguageTextBase + i)));
  }
  // Preselecting changes only the selection: the texts stay English.
  languages_->setCurrentIndex(SystemLanguageEntry());

  LayOutBackground();
  LayOutLabels();
  next_->show();
  cancel_->show();

  connect(agree_, &QCheckBox::clicked, this, [this] { OnAgreementClicked(); });
  connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
  // Only a choice of the user counts, not the preselection.
  connect(languages_, &QComboBox::activated, this, [this](int index) { OnLanguageChanged(index); });
  setTabOrder(agree_, next_);
  setTabOrder(next_, cancel_);
  setTabOrder(cancel_, languages_);
}

void CWelcomeDlg::OnEnterPage(int /*fromPageId*/) { LayOutBackground(); }

void CWelcomeDlg::LayOutBackground() {
  surface_.SetList(kBackgroundList);
  languages_->setGeometry(40, 418, 200, 22);
  languages_->hide();
  languages_->SetSelectionFieldHeight(25);
}

void CWelcomeDlg::LayOutLabels() {
  PlaceLabel(title_, QRect(310, 10, 240, 60), MarkupText(kTitleFormatRight, kTitleColour, host_.Text(106).c_str()),
             true);
  PlaceLabel(description_, QRect(30, 290, 500, 100),
             MarkupText(kTextFormat, kTextSize, "DarkOrange", host_.Text(107).c_str()), true);
  PlaceLabel(agreement_, QRect(48, 360, 500, 40),
             MarkupText(kTextFormat, kTextSize, "DarkOrange", host_.Text(108).c_str()), true);
  PlaceLabel(languageCaption_, QRect(30, 385, 200, 30),
             MarkupText(kBoldTextFormat, kTextSize, "white", host_.Text(199).c_str()), false);
}

void CWelcomeDlg::OnComposed() {
  // The box sits on the composed background; it appears with the first
  // composition.
  agree_->setGeometry(kAgreementBoxRect);
  agree_->show();
}

void CWelcomeDlg::OnAgreementClicked() { next_->setEnabled(agree_->isChecked()); }

void CWelcomeDlg::OnNext() { host_.ShowPage(kPageCheck); }

void CWelcomeDlg::OnCancel() { host_.PostQuit(-1); }

void CWelcomeDlg::OnLanguageChanged(int index) {
  host_.SelectLanguage(LanguageModuleOfEntry(index));
  // Every text of the page comes again in the new language, in its usual
  // place: laying out only the agreement anew (white, 20 pixels higher)
  // would leave the old description under it, the two texts overlapping.
  LayOutLabels();
  surface_.PostCompose();
}

}  // namespace sp
