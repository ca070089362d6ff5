// The main window: start-up state, step list, highlight, version, shape,
// dragging, ending and teardown.
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>
#include <csignal>
#include <set>

#include "app/endsignals.h"
#include "base/text.h"
#include "framework/core/steplist.h"
#include "pages/check/ccheckdlg.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/final/cnetcfgdlg.h"
#include "pages/install/cinstalldlg.h"
#include "pages/welcome/cwelcomedlg.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

std::string TextOf(const CHTMLStatic* label) { return Utf16ToUtf8(label->Text()); }

// Which of the five step labels are black.
std::vector<int> BlackSteps(const CMainDlg& w) {
  std::vector<int> black;
  for (int k = 1; k <= 5; ++k) {
    const std::string t = TextOf(w.StepLabel(k));
    if (t.find("color=black") != std::string::npos)
      black.push_back(k);
    else
      EXPECT_NE(t.find("color=gray"), std::string::npos) << t;
  }
  return black;
}

class MainWindowTest : public WizardTest {};

TEST_F(MainWindowTest, OpensOnTheWelcomePageWithStepOneHighlighted) {
  CMainDlg& w = Wizard();
  EXPECT_EQ(w.CurrentPageId(), kPageWelcome);
  EXPECT_TRUE(w.WelcomePage()->isVisible());
  for (QWidget* other :
       std::initializer_list<QWidget*>{w.CheckPage(), w.InstallPage(), w.ConfigPage(), w.DiskPage(), w.FinalPage()}) {
    EXPECT_TRUE(other->isHidden());
  }
  EXPECT_EQ(BlackSteps(w), std::vector<int>{1});
  EXPECT_EQ(w.Surface().List(), MainWindowLayerList(143));
  EXPECT_NE(TextOf(w.StepLabel(1)).find("Welcome"), std::string::npos);
  EXPECT_EQ(w.StepLabel(3)->geometry(), QRect(4, 235, 145, 40));
  EXPECT_EQ(TextOf(w.VersionLabel()), VersionLabelMarkup(ProgramVersionText()));
  EXPECT_EQ(w.VersionLabel()->geometry(), QRect(5, 493, 145, 40));
  EXPECT_EQ(FieldText(w.State().targetMac), "ff:ff:ff:ff:ff:ff");
  EXPECT_EQ(w.WelcomePage()->pos(), QPoint(157, 64));
  EXPECT_EQ(w.CheckPage()->geometry(), QRect(157, 64, 563, 467));
  // Only the welcome page paints its background.
  EXPECT_TRUE(w.WelcomePage()->PageSurface()->IsCurrentPage());
  EXPECT_FALSE(w.CheckPage()->PageSurface()->IsCurrentPage());
}

TEST_F(MainWindowTest, IsAFramelessRoundedWindowWithTitleAndIcon) {
  CMainDlg& w = Wizard();
  EXPECT_EQ(w.size(), QSize(722, 532));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Setup Pilot"));
  EXPECT_FALSE(w.windowIcon().isNull());
  const QRegion mask = w.mask();
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_FALSE(mask.contains(QPoint(721, 531)));
  EXPECT_TRUE(mask.contains(QPoint(16, 16)));
  EXPECT_TRUE(mask.contains(QPoint(361, 0)));
  EXPECT_TRUE(mask.contains(QPoint(0, 266)));
  EXPECT_TRUE(mask.contains(QPoint(715, 525)));
}

TEST(MainWindowPlacement, StaysOnSmallScreens) {
  const QSize size(722, 532);
  EXPECT_EQ(CMainDlg::KeepOnScreen({200, 150}, size, QRect(0, 0, 1920, 1080)), QPoint(200, 150));
  EXPECT_EQ(CMainDlg::KeepOnScreen({200, 150}, size, QRect(0, 0, 800, 600)), QPoint(78, 68));
  EXPECT_EQ(CMainDlg::KeepOnScreen({200, 150}, size, QRect(0, 0, 640, 480)), QPoint(0, 0));
  EXPECT_EQ(CMainDlg::KeepOnScreen({200, 150}, size, QRect(1920, 0, 1024, 768)), QPoint(1920, 150));
}

TEST_F(MainWindowTest, StepListFollowsThePages) {
  CMainDlg& w = Wizard();
  const struct {
    int page, step, y;
  } rows[] = {{kPageCheck, 2, 188}, {kPageInstall, 3, 233}, {kPageConfig, 4, 278},
              {kPageDisk, 5, 323},  {kPageFinal, 5, 323},   {kPageWelcome, 1, 143}};
  for (const auto& r : rows) {
    w.TStackedDialog::ShowPage(r.page);  // only shown: no page starts its work
    EXPECT_EQ(w.CurrentPageId(), r.page);
    EXPECT_EQ(BlackSteps(w), std::vector<int>{r.step}) << r.page;
    EXPECT_EQ(w.Surface().List(), MainWindowLayerList(r.y)) << r.page;
    EXPECT_TRUE(w.PageById(r.page)->PageSurface()->IsCurrentPage());
  }
  EXPECT_FALSE(w.FinalPage()->PageSurface()->IsCurrentPage());
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(local), QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST_F(MainWindowTest, DragsByItsBackgroundUntilReleased) {
  CMainDlg& w = Wizard();
  const QPoint start = w.pos();
  const QSize size = w.size();
  // A press on the step list (a label lets it through to the window).
  SendMouse(w.StepLabel(4), QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(w.IsDragging());
  SendMouse(&w, QEvent::MouseMove, QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
  SendMouse(&w, QEvent::MouseMove, QPoint(45, 20), Qt::NoButton, Qt::LeftButton);
  // Moved by the cursor's way (from (14, 155+10) in the window), size kept.
  const QPoint moved = w.pos();
  EXPECT_NE(moved, start);
  EXPECT_EQ(w.size(), size);
  SendMouse(&w, QEvent::MouseButtonRelease, QPoint(45, 20), Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(w.IsDragging());
  SendMouse(&w, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(w.pos(), moved);
  // A press on a page does not drag the window.
  SendMouse(w.WelcomePage(), QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton, Qt::LeftButton);
  EXPECT_FALSE(w.IsDragging());
}

TEST_F(MainWindowTest, DragMovesByTheCursorOffset) {
  CMainDlg& w = Wizard();
  const QPoint start = w.pos();
  SendMouse(&w, QEvent::MouseButtonPress, QPoint(60, 470), Qt::LeftButton, Qt::LeftButton);
  // Each move is measured from where the cursor was at the last move, in
  // screen coordinates; the window follows it exactly.
  QMouseEvent move(QEvent::MouseMove, QPointF(60, 470), QPointF(60, 470),
                   QPointF(w.mapToGlobal(QPoint(60, 470)) + QPoint(30, -20)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&w, &move);
  EXPECT_EQ(w.pos(), start + QPoint(30, -20));
}

TEST_F(MainWindowTest, PagesAfterTheWelcomePageComeWithTheFirstPaintInTheirOrder) {
  CMainDlg w(services_);
  EXPECT_TRUE(w.PagesWaiting());
  EXPECT_NE(w.PageById(kPageWelcome), nullptr);
  EXPECT_EQ(w.PageById(kPageFinal), nullptr);
  w.show();
  ASSERT_TRUE(WaitUntil([&] { return !w.PagesWaiting(); })) << "built once painted, with nobody asking";
  std::vector<int> ids;
  for (int i = 0; i < w.PageCount(); ++i) {
    EXPECT_TRUE(w.EntryAt(i)->created);
    ids.push_back(w.EntryAt(i)->id);
  }
  EXPECT_EQ(ids, (std::vector<int>{132, 131, 133, 134, 135, 130}));
  EXPECT_EQ(FieldText(w.State().targetMac), "ff:ff:ff:ff:ff:ff") << "set after the final page cleared it";
  // Whatever needs the pages before that builds them at once.
  CMainDlg unpainted(services_);
  EXPECT_EQ(FieldText(unpainted.State().targetMac), "ff:ff:ff:ff:ff:ff");
  EXPECT_FALSE(unpainted.PagesWaiting());
}

TEST_F(MainWindowTest, TearsPagesDownInTheOrderAddedAndClosesTheAgent) {
  CMainDlg& w = Wizard();
  std::vector<int> order;
  for (int id : {130, 131, 132, 133, 134, 135}) {
    QObject::connect(w.PageById(id), &QObject::destroyed, [&order, id] { order.push_back(id); });
  }
  EXPECT_EQ(agent_.closes, 0);
  wizard_.reset();
  EXPECT_EQ(order, (std::vector<int>{132, 131, 133, 134, 135, 130}));
  EXPECT_EQ(agent_.closes, 1);
}

TEST_F(MainWindowTest, WithoutAnAgentNothingIsClosed) {
  services_.shareAgent = nullptr;
  Wizard();
  wizard_.reset();
  EXPECT_EQ(agent_.closes, 0);
}

TEST_F(MainWindowTest, EnterAndEscapeDoNotEndTheWizard) {
  CMainDlg& w = Wizard();
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    QTest::keyClick(&w, key);
    QTest::keyClick(w.WelcomePage()->CancelButton(), key);
  }
  Settle(20);
  EXPECT_TRUE(finishedCodes_.empty());
  EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, ClosingFromOutsideEndsLikeCancel) {
  CMainDlg& w = Wizard();
  w.close();
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
}

TEST_F(MainWindowTest, TerminationSignalsEndTheWizardOnce) {
  CMainDlg& w = Wizard();
  int ends = 0;
  {
    EndSignals ending([&] {
      ++ends;
      w.EndNow();
    });
    ASSERT_TRUE(ending.installed());
    raise(SIGTERM);
    raise(SIGHUP);
    ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
    Settle(20);
  }
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
  EXPECT_FALSE(w.isVisible());
}

// Every enabled control of the shown page is reached by Tab, and Tab stays
// within what is visible.
std::set<QWidget*> TabCycle(QWidget* start, int steps = 20) {
  std::set<QWidget*> seen;
  start->setFocus();
  for (int i = 0; i < steps; ++i) {
    QWidget* f = QApplication::focusWidget();
    if (f) seen.insert(f);
    QTest::keyClick(f ? f : start, Qt::Key_Tab);
  }
  return seen;
}

TEST_F(MainWindowTest, TabReachesEveryControlOfThePage) {
  CMainDlg& w = Wizard();
  w.activateWindow();
  CWelcomeDlg* welcome = w.WelcomePage();
  QTest::mouseClick(welcome->AgreementBox(), Qt::LeftButton);
  ASSERT_TRUE(welcome->NextButton()->isEnabled());
  const auto seen = TabCycle(welcome->AgreementBox());
  EXPECT_EQ(seen, (std::set<QWidget*>{welcome->AgreementBox(), welcome->NextButton(), welcome->CancelButton()}));

  link_.ScriptAdapter({}, true);
  QTest::mouseClick(welcome->NextButton(), Qt::LeftButton);
  CCheckDlg* check = w.CheckPage();
  ASSERT_TRUE(WaitUntil([&] { return check->NextButton()->isEnabled(); }));
  EXPECT_EQ(TabCycle(check->BackButton()),
            (std::set<QWidget*>{check->BackButton(), check->NextButton(), check->CancelButton()}));
}

}  // namespace
}  // namespace sp::test
