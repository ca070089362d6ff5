// Pictures of the whole window at each page this part of the wizard
// reaches, written to build/screenshots (SP_SCREENSHOT_DIR). Each test also
// checks that the picture shows what the page is meant to show.
#include <QPainter>
#include <QTest>

#include "pages/check/ccheckdlg.h"
#include "pages/install/cinstalldlg.h"
#include "pages/welcome/cwelcomedlg.h"
#include "tests/support/wizardfixture.h"

namespace sp::test {
namespace {

// The window as the screen shows it: offscreen grabs ignore the rounded
// shape, so the corners outside it are cleared here.
QImage GrabWindow(CMainDlg& w) {
  QCoreApplication::processEvents();
  QImage image = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion shape = w.mask();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!shape.contains(QPoint(x, y))) image.setPixel(x, y, 0);
    }
  }
  return image;
}

// Whether more than a twentieth of `rect` clearly differs from its first
// pixel: something was drawn there over the plain background.
bool LooksDrawn(const QImage& image, const QRect& rect) {
  const QColor first = image.pixelColor(rect.topLeft());
  int differing = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      // The background is dithered: only clear differences count.
      const QColor c = image.pixelColor(x, y);
      const int d =
          std::abs(c.red() - first.red()) + std::abs(c.green() - first.green()) + std::abs(c.blue() - first.blue());
      differing += d > 48 ? 1 : 0;
    }
  }
  return differing > rect.width() * rect.height() / 20;
}

class Screenshots : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    services_.installPage.frameMs = 400;  // long enough to grab a chosen frame
  }
  void Save(const std::string& name) {
    const QImage image = GrabWindow(Wizard());
    ASSERT_EQ(image.size(), QSize(722, 532));
    shots_.push_back(image);
    const std::string path = SaveScreenshot(image, name);
    if (!path.empty()) std::cout << "screenshot: " << path << "\n";
  }
  void CheckTo(bool usable) {
    link_.ScriptAdapter({}, usable);
    CMainDlg& w = Wizard();
    if (!w.WelcomePage()->AgreementBox()->isChecked())
      QTest::mouseClick(w.WelcomePage()->AgreementBox(), Qt::LeftButton);
    QTest::mouseClick(w.WelcomePage()->NextButton(), Qt::LeftButton);
    ASSERT_TRUE(
        WaitUntil([&] { return w.CheckPage()->NextButton()->isEnabled() || w.CheckPage()->Label(1119)->isVisible(); }));
    Settle(50);
  }
  std::vector<QImage> shots_;
};

TEST_F(Screenshots, Welcome) {
  CMainDlg& w = Wizard();
  ASSERT_TRUE(WaitUntil([&] { return w.WelcomePage()->AgreementBox()->isVisible(); }));
  Save("01-welcome");
  // The page's picture (welcome.png at y 30 of the page) is there.
  EXPECT_TRUE(LooksDrawn(shots_.back(), QRect(157 + 100, 64 + 60, 200, 150)));
  EXPECT_EQ(shots_.back().pixel(0, 0), 0u);  // outside the rounded shape
}

TEST_F(Screenshots, WelcomeInChinese) {
  CMainDlg& w = Wizard();
  w.WelcomePage()->OnLanguageChanged(1);
  w.ShowPage(kPageWelcome);  // the step list follows on a page change
  ASSERT_TRUE(WaitUntil([&] { return w.WelcomePage()->AgreementBox()->isVisible(); }));
  Settle(50);
  Save("01-welcome-chinese");
}

TEST_F(Screenshots, CheckPassed) {
  CheckTo(true);
  Save("02-check-passed");
  // Two check marks at rows 110 and 138 of the page.
  EXPECT_TRUE(LooksDrawn(shots_.back(), QRect(157 + 77, 64 + 110, 19, 20)));
  EXPECT_TRUE(LooksDrawn(shots_.back(), QRect(157 + 77, 64 + 138, 19, 20)));
}

TEST_F(Screenshots, CheckFailed) {
  CheckTo(false);
  Save("03-check-failed");
  EXPECT_TRUE(LooksDrawn(shots_.back(), QRect(157 + 77, 64 + 110, 19, 20)));
  EXPECT_FALSE(LooksDrawn(shots_.back(), QRect(157 + 77, 64 + 140, 19, 16)));
}

TEST_F(Screenshots, InstallSteps) {
  CheckTo(true);
  CMainDlg& w = Wizard();
  QTest::mouseClick(w.CheckPage()->NextButton(), Qt::LeftButton);
  CInstallDlg* page = w.InstallPage();
  const struct {
    int step, frame;
    const char* name;
  } shots[] = {{0, 4, "04-install-disks"}, {1, 13, "05-install-cables"}, {2, 3, "06-install-power"}};
  for (const auto& s : shots) {
    if (page->Step() != s.step) page->EnterStep(s.step);
    const std::string wanted = page->Frames()[s.frame];
    ASSERT_TRUE(WaitUntil([&] { return page->PageSurface()->List() == wanted; }, 15000)) << s.name;
    Settle(30);  // its compose
    Save(s.name);
    EXPECT_TRUE(LooksDrawn(shots_.back(), QRect(157 + 60, 64 + 120, 400, 180))) << s.name;
  }
}

}  // namespace
}  // namespace sp::test
