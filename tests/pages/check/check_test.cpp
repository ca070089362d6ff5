// The connection check page with a scripted adapter test: pass and failure
// layouts, and Back in the middle of a check.
#include <QTest>

#include "pages/check/ccheckdlg.h"
#include "pages/check/core/connectioncheck.h"
#include "pages/welcome/cwelcomedlg.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

class CheckPageTest : public WizardTest {
 protected:
  // Ticks the agreement and presses Next on the welcome page.
  CCheckDlg* GoToCheck() {
    CMainDlg& w = Wizard();
    if (!w.WelcomePage()->AgreementBox()->isChecked())
      QTest::mouseClick(w.WelcomePage()->AgreementBox(), Qt::LeftButton);
    QTest::mouseClick(w.WelcomePage()->NextButton(), Qt::LeftButton);
    return w.CheckPage();
  }
  static bool Shown(CCheckDlg* page, int id) { return page->Label(id)->isVisible(); }
  static bool Finished(CCheckDlg* page) { return page->NextButton()->isEnabled() || page->Label(1119)->isVisible(); }
};

TEST_F(CheckPageTest, PassingCheckShowsTwoMarksAndEnablesNext) {
  link_.ScriptAdapter({}, true);
  CCheckDlg* page = GoToCheck();
  EXPECT_EQ(Wizard().CurrentPageId(), kPageCheck);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_TRUE(page->ProgressBar()->isVisible());
  EXPECT_EQ(page->ProgressBar()->geometry(), QRect(70, 177, 300, 20));
  ASSERT_TRUE(WaitUntil([&] { return Finished(page); }));
  EXPECT_TRUE(page->NextButton()->isEnabled());
  EXPECT_EQ(page->ProgressBar()->value(), 100);
  EXPECT_TRUE(page->ProgressBar()->isVisible());
  EXPECT_EQ(page->PageSurface()->List(), kCheckPassedList);
  for (int id : {1052, 1053, 1055, 1056, 1054}) EXPECT_TRUE(Shown(page, id)) << id;
  for (int id : {1119, 1116, 1117, 1118, 1120}) EXPECT_FALSE(Shown(page, id)) << id;
  EXPECT_EQ(link_.adapterChecks.load(), 2);
}

TEST_F(CheckPageTest, OnlyLoopbackFailsTheFirstRow) {
  link_.ScriptAdapter({}, false);
  CCheckDlg* page = GoToCheck();
  ASSERT_TRUE(WaitUntil([&] { return Finished(page); }));
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_FALSE(page->ProgressBar()->isVisible());
  EXPECT_EQ(page->ProgressBar()->value(), 50);
  EXPECT_EQ(page->PageSurface()->List(), kCheckRow1FailedList);
  for (int id : {1052, 1119, 1116, 1117, 1118, 1120}) EXPECT_TRUE(Shown(page, id)) << id;
  for (int id : {1053, 1055, 1056, 1054}) EXPECT_FALSE(Shown(page, id)) << id;
  EXPECT_EQ(link_.adapterChecks.load(), 1);
  // Back and Cancel stay usable.
  EXPECT_TRUE(page->BackButton()->isEnabled());
  EXPECT_TRUE(page->CancelButton()->isEnabled());
}

TEST_F(CheckPageTest, SecondTestFailingMarksBothRows) {
  link_.ScriptAdapter({true}, false);
  CCheckDlg* page = GoToCheck();
  ASSERT_TRUE(WaitUntil([&] { return Finished(page); }));
  EXPECT_EQ(page->PageSurface()->List(), kCheckRow2FailedList);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_TRUE(Shown(page, 1118));
}

TEST_F(CheckPageTest, BackDuringTheCheckLeavesNothingBehind) {
  services_.checkPage.stepMs = 40;  // about two seconds before the first adapter test
  link_.ScriptAdapter({}, true);
  CCheckDlg* page = GoToCheck();
  ASSERT_TRUE(WaitUntil([&] { return page->ProgressBar()->value() >= 5; }));
  QTest::mouseClick(page->BackButton(), Qt::LeftButton);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageWelcome);

  const int progress = page->ProgressBar()->value();
  const std::string list = page->PageSurface()->List();
  const QImage composed = page->PageSurface()->Image();
  Settle(4500);  // longer than the abandoned check would have taken
  EXPECT_EQ(page->ProgressBar()->value(), progress);
  EXPECT_EQ(page->PageSurface()->List(), list);
  EXPECT_EQ(page->PageSurface()->Image(), composed);
  EXPECT_FALSE(page->NextButton()->isEnabled());
  EXPECT_FALSE(Shown(page, 1054));
  EXPECT_EQ(link_.adapterChecks.load(), 0);
  // The welcome page laid its background out again; the box is still ticked.
  EXPECT_TRUE(Wizard().WelcomePage()->NextButton()->isEnabled());

  // Next again starts a new check from 0.
  services_.checkPage.stepMs = 1;
  QTest::mouseClick(Wizard().WelcomePage()->NextButton(), Qt::LeftButton);
  EXPECT_EQ(page->ProgressBar()->value(), 0);
  ASSERT_TRUE(WaitUntil([&] { return Finished(page); }));
  EXPECT_TRUE(page->NextButton()->isEnabled());
}

TEST_F(CheckPageTest, CancelStopsTheCheckAndEnds) {
  services_.checkPage.stepMs = 20;
  CCheckDlg* page = GoToCheck();
  ASSERT_TRUE(WaitUntil([&] { return page->ProgressBar()->value() >= 2; }));
  QTest::mouseClick(page->CancelButton(), Qt::LeftButton);
  const int progress = page->ProgressBar()->value();
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
  Settle(300);
  EXPECT_EQ(page->ProgressBar()->value(), progress);
}

TEST_F(CheckPageTest, ClosingTheWizardMidCheckStopsTheWorker) {
  services_.checkPage.stepMs = 20;
  CCheckDlg* page = GoToCheck();
  ASSERT_TRUE(WaitUntil([&] { return page->ProgressBar()->value() >= 2; }));
  wizard_.reset();  // must not hang or crash on the running worker
  Settle(100);
  EXPECT_EQ(link_.adapterChecks.load(), 0);
}

}  // namespace
}  // namespace sp::test
