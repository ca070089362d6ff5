// The welcome page: the agreement gates Next, the language list stays
// hidden, Cancel ends the wizard.
#include <QTest>

#include "base/text.h"
#include "pages/check/ccheckdlg.h"
#include "pages/welcome/core/languagechoice.h"
#include "pages/welcome/cwelcomedlg.h"
#include "tests/support/wizardfixture.h"
#include "uikit/cbitcombobox.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

std::string TextOf(const CHTMLStatic* label) { return Utf16ToUtf8(label->Text()); }

class WelcomeTest : public WizardTest {};

TEST_F(WelcomeTest, NextFollowsTheAgreementBox) {
  CWelcomeDlg* page = Wizard().WelcomePage();
  ASSERT_TRUE(WaitUntil([&] { return page->AgreementBox()->isVisible(); }));  // with the first composition
  EXPECT_EQ(page->AgreementBox()->geometry(), QRect(32, 370, 13, 13));
  EXPECT_FALSE(page->NextButton()->isEnabled());
  QTest::mouseClick(page->AgreementBox(), Qt::LeftButton);
  EXPECT_TRUE(page->NextButton()->isEnabled());
  QTest::mouseClick(page->AgreementBox(), Qt::LeftButton);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  // The keyboard ticks it too.
  page->AgreementBox()->setFocus();
  QTest::keyClick(page->AgreementBox(), Qt::Key_Space);
  EXPECT_TRUE(page->NextButton()->isEnabled());
}

TEST_F(WelcomeTest, ShowsItsTextsButNoBackAndNoLanguageList) {
  CWelcomeDlg* page = Wizard().WelcomePage();
  EXPECT_EQ(page->size(), QSize(563, 460));
  EXPECT_TRUE(Control<QWidget>(page, CWelcomeDlg::kBackId)->isHidden());
  EXPECT_TRUE(page->LanguageList()->isHidden());
  EXPECT_EQ(page->LanguageList()->geometry().topLeft(), QPoint(40, 418));
  EXPECT_TRUE(Control<CHTMLStatic>(page, CWelcomeDlg::kLanguageCaptionId)->isHidden());
  ASSERT_EQ(page->LanguageList()->count(), 8);
  EXPECT_EQ(page->LanguageList()->itemText(2), QStringLiteral("Traditional Chinese"));
  EXPECT_EQ(page->LanguageList()->currentIndex(), CWelcomeDlg::SystemLanguageEntry());
  EXPECT_EQ(TextOf(Control<CHTMLStatic>(page, CWelcomeDlg::kTitleId)),
            "<font face=Arial size=5 color=#3DB4E9><p align=right><b>2-Bay Vaultline<br>VBX-207</b></p></font>");
  const std::string agreement = TextOf(Control<CHTMLStatic>(page, CWelcomeDlg::kAgreementId));
  EXPECT_NE(agreement.find("DarkOrange"), std::string::npos);
  EXPECT_NE(agreement.find("Yes, I want"), std::string::npos);
  EXPECT_EQ(page->NextButton()->geometry(), QRect(336, 413, 104, 39));
  EXPECT_EQ(page->CancelButton()->geometry(), QRect(449, 413, 104, 39));
  EXPECT_TRUE(page->NextButton()->IsSkinned());
}

TEST_F(WelcomeTest, StartsInEnglishWhateverTheSystemLanguage) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  CMainDlg& w = Wizard();
  QLocale::setDefault(saved);
  EXPECT_EQ(w.WelcomePage()->LanguageList()->currentIndex(), 1);  // preselected only
  EXPECT_EQ(w.LanguageHandle(), nullptr);
  EXPECT_NE(Utf16ToUtf8(w.StepLabel(1)->Text()).find("Welcome"), std::string::npos);
}

TEST_F(WelcomeTest, ChoosingALanguageSwitchesTheModule) {
  CMainDlg& w = Wizard();
  CWelcomeDlg* page = w.WelcomePage();
  CHTMLStatic* agreement = Control<CHTMLStatic>(page, CWelcomeDlg::kAgreementId);
  page->OnLanguageChanged(1);
  ASSERT_NE(w.LanguageHandle(), nullptr) << "MLSChinese.lang beside the program";
  EXPECT_NE(TextOf(agreement).find("是的"), std::string::npos);
  EXPECT_EQ(agreement->geometry(), QRect(48, 360, 500, 40));
  // The whole page follows, so no text of the old language stays under it.
  EXPECT_NE(TextOf(Control<CHTMLStatic>(page, CWelcomeDlg::kDescriptionId)).find("本向导"), std::string::npos);
  EXPECT_NE(TextOf(Control<CHTMLStatic>(page, CWelcomeDlg::kTitleId)).find("双盘位"), std::string::npos);
  // The step list follows on the next page change.
  w.ShowPage(kPageWelcome);
  EXPECT_NE(Utf16ToUtf8(w.StepLabel(1)->Text()).find("欢迎"), std::string::npos);
  page->OnLanguageChanged(2);
  EXPECT_NE(TextOf(agreement).find("是的，我要使用本精靈"), std::string::npos);
  page->OnLanguageChanged(5);  // Spanish has no module: English
  EXPECT_EQ(w.LanguageHandle(), nullptr);
  EXPECT_NE(TextOf(agreement).find("Yes, I want"), std::string::npos);
}

TEST_F(WelcomeTest, CancelEndsTheWizardWithoutAQuestion) {
  CWelcomeDlg* page = Wizard().WelcomePage();
  QTest::mouseClick(page->CancelButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(WelcomeTest, NextStartsTheCheck) {
  CMainDlg& w = Wizard();
  QTest::mouseClick(w.WelcomePage()->AgreementBox(), Qt::LeftButton);
  const unsigned before = w.CheckPage()->CheckNumber();
  QTest::mouseClick(w.WelcomePage()->NextButton(), Qt::LeftButton);
  EXPECT_EQ(w.CurrentPageId(), kPageCheck);
  EXPECT_GT(w.CheckPage()->CheckNumber(), before);
  EXPECT_TRUE(w.WelcomePage()->isHidden());
}

}  // namespace
}  // namespace sp::test
