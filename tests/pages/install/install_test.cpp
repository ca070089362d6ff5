// The install guide page: frames over time, stepping, and its neighbours.
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include "base/text.h"
#include "pages/check/ccheckdlg.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/install/cinstalldlg.h"
#include "pages/welcome/cwelcomedlg.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

class InstallPageTest : public WizardTest {
 protected:
  // From the welcome page through a passing check onto the install guide.
  CInstallDlg* GoToInstall() {
    CMainDlg& w = Wizard();
    QTest::mouseClick(w.WelcomePage()->AgreementBox(), Qt::LeftButton);
    QTest::mouseClick(w.WelcomePage()->NextButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return w.CheckPage()->NextButton()->isEnabled(); }));
    QTest::mouseClick(w.CheckPage()->NextButton(), Qt::LeftButton);
    return w.InstallPage();
  }
  std::string Caption(CInstallDlg* page) { return Utf16ToUtf8(page->Caption()->Text()); }
};

struct Shown {
  std::string list;
  qint64 at;
};

TEST_F(InstallPageTest, ShowsTheBackgroundThenEveryFrameInTurn) {
  services_.installPage.frameMs = 100;
  CMainDlg& w = Wizard();
  CInstallDlg* page = w.InstallPage();
  std::vector<Shown> shown;
  QElapsedTimer clock;
  page->PageSurface()->SetComposedCallback([&] { shown.push_back({page->PageSurface()->List(), clock.elapsed()}); });
  clock.start();
  page->EnterStep(0);
  // The plain background is composed at once, before any frame.
  EXPECT_EQ(page->PageSurface()->List().substr(0, 26), "cbackground.jpg|0|0|255|0,");
  w.TStackedDialog::ShowPage(kPageInstall);  // shown as it is, not entered again
  ASSERT_TRUE(WaitUntil([&] { return shown.size() >= 17; }));
  const InstallFrames& f = page->Frames();
  EXPECT_EQ(shown[0].list, f[0]);  // "step1.png" on the background
  EXPECT_LT(shown[0].at, services_.installPage.frameMs);
  for (int i = 1; i < 17; ++i) {
    EXPECT_EQ(shown[i].list, f[i % 15]) << i;  // frames 15..19 are empty
    // Paced by the worker: frame i is posted at least i periods after frame
    // 0 (the margin covers how late the UI thread handled frame 0).
    EXPECT_GE(shown[i].at - shown[0].at, i * services_.installPage.frameMs - services_.installPage.frameMs / 2) << i;
  }
  EXPECT_NE(Caption(page).find("Step 1/3, install the hard drive"), std::string::npos);
  EXPECT_EQ(page->PageSurface()->Traits().variant, LayerVariant::FourNumbers);
}

TEST_F(InstallPageTest, NextHoldsTheButtonsThenShowsTheNextStep) {
  CInstallDlg* page = GoToInstall();
  ASSERT_EQ(Wizard().CurrentPageId(), kPageInstall);
  ASSERT_EQ(page->Step(), 0);
  bool disabledMidway = false;
  int framesDuringHold = 0;
  page->PageSurface()->SetComposedCallback([&] { ++framesDuringHold; });
  QTimer::singleShot(services_.installPage.nextHoldMs / 2, [&] {
    disabledMidway =
        !page->BackButton()->isEnabled() && !page->NextButton()->isEnabled() && !page->CancelButton()->isEnabled();
  });
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(page->NextButton(), Qt::LeftButton);
  EXPECT_GE(clock.elapsed(), services_.installPage.nextHoldMs);
  EXPECT_TRUE(disabledMidway);
  EXPECT_GT(framesDuringHold, 0) << "the page kept painting during the hold";
  EXPECT_EQ(page->Step(), 1);
  EXPECT_NE(Caption(page).find("Step 2/3, connect to your network"), std::string::npos);
  EXPECT_TRUE(page->NextButton()->isEnabled());
  EXPECT_EQ(CountUsedFrames(page->Frames()), 18);
  ASSERT_TRUE(WaitUntil([&] { return page->PageSurface()->List() == page->Frames()[1]; }));

  QTest::mouseClick(page->BackButton(), Qt::LeftButton);
  EXPECT_EQ(page->Step(), 0);
  EXPECT_NE(Caption(page).find("Step 1/3"), std::string::npos);
}

TEST_F(InstallPageTest, BackFromTheFirstStepRestartsTheCheck) {
  CInstallDlg* page = GoToInstall();
  CCheckDlg* check = Wizard().CheckPage();
  const unsigned before = check->CheckNumber();
  const int adapterChecks = link_.adapterChecks.load();
  QTest::mouseClick(page->BackButton(), Qt::LeftButton);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageCheck);
  EXPECT_FALSE(page->Animating());
  EXPECT_GT(check->CheckNumber(), before);
  EXPECT_FALSE(check->NextButton()->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return check->NextButton()->isEnabled(); }));
  EXPECT_EQ(link_.adapterChecks.load(), adapterChecks + 2);
}

TEST_F(InstallPageTest, LastStepLeadsToTheDevicePageAndBackComesToIt) {
  services_.installPage.nextHoldMs = 1;
  CInstallDlg* page = GoToInstall();
  QTest::mouseClick(page->NextButton(), Qt::LeftButton);
  QTest::mouseClick(page->NextButton(), Qt::LeftButton);
  ASSERT_EQ(page->Step(), 2);
  EXPECT_NE(Caption(page).find("Step 3/3, power on"), std::string::npos);
  QTest::mouseClick(page->NextButton(), Qt::LeftButton);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageConfig);
  EXPECT_FALSE(page->Animating()) << "a hidden page never animates";
  CConfigDlg_Basic* config = Wizard().ConfigPage();
  EXPECT_EQ(config->CurrentSubStep(), 0);
  EXPECT_EQ(config->TimeMemory().listIndex[0], 4);

  QTest::mouseClick(config->BackButton(), Qt::LeftButton);
  EXPECT_EQ(Wizard().CurrentPageId(), kPageInstall);
  EXPECT_EQ(page->Step(), 2);
  EXPECT_NE(Caption(page).find("Step 3/3, power on"), std::string::npos);
  EXPECT_TRUE(page->Animating());
  ASSERT_TRUE(WaitUntil([&] { return page->PageSurface()->List() == page->Frames()[2]; }));
}

TEST_F(InstallPageTest, SurfaceLeavesTheButtonsAlone) {
  CInstallDlg* page = GoToInstall();
  // Paint the surface alone onto a marker colour: the button rectangles
  // must keep it.
  QImage canvas(page->size(), QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::magenta);
  QPainter painter(&canvas);
  ASSERT_TRUE(page->PageSurface()->Paint(painter));
  painter.end();
  const QPoint inside = page->NextButton()->geometry().center();
  EXPECT_EQ(canvas.pixelColor(inside), QColor(Qt::magenta));
  EXPECT_NE(canvas.pixelColor(QPoint(300, 300)), QColor(Qt::magenta));
}

TEST_F(InstallPageTest, CancelStopsTheAnimationAndEnds) {
  CInstallDlg* page = GoToInstall();
  QTest::mouseClick(page->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(page->Animating());
  ASSERT_TRUE(WaitUntil([&] { return !finishedCodes_.empty(); }));
  EXPECT_EQ(finishedCodes_, std::vector<int>{-1});
}

}  // namespace
}  // namespace sp::test
