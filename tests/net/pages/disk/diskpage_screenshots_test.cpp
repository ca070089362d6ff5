// Pictures of the whole window on each sub-step of the disk profile page,
// with one and with two disks, and of the no-disk state, written to
// $SP_SCREENSHOT_DIR (build/screenshots under ctest) as disk-*.png.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <iostream>

#include "framework/qtmessagebox.h"
#include "tests/net/pages/disk/diskpagefixture.h"

namespace sp::test {
namespace {

// The window as the screen shows it: offscreen grabs ignore the rounded
// shape, so the corners outside it are cleared.
QImage GrabWindow(CMainDlg& w) {
  QCoreApplication::processEvents();
  QImage image = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion shape = w.mask();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!shape.isEmpty() && !shape.contains(QPoint(x, y))) image.setPixel(x, y, 0);
    }
  }
  return image;
}

// Share of pixels in `rect` that differ from its top-left pixel.
double Drawn(const QImage& image, const QRect& rect) {
  const QRgb first = image.pixel(rect.topLeft());
  int differing = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) differing += image.pixel(x, y) != first ? 1 : 0;
  }
  return static_cast<double>(differing) / (rect.width() * rect.height());
}

class DiskPageScreenshots : public DiskPageTest {
 protected:
  QImage Save(const std::string& name) {
    Settle(60);
    const QImage image = GrabWindow(Wizard());
    EXPECT_EQ(image.size(), QSize(722, 532));
    const QByteArray dir = qgetenv("SP_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
      QDir().mkpath(QString::fromLocal8Bit(dir));
      const std::string path = dir.toStdString() + "/" + name + ".png";
      EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
      std::cout << "screenshot: " << path << "\n";
    }
    return image;
  }
  // The page area in window coordinates.
  static QRect InPage(const QRect& r) { return r.translated(157, 64); }

  void Walk(const std::string& prefix, bool raid1) {
    CConfigDlg_HD& page = EnterDiskPage();
    QImage shot = Save(prefix + "-step1");
    // The disk list and the texts are drawn over the page background.
    EXPECT_GT(Drawn(shot, InPage(QRect(36, 77, 490, 66))), 0.05);
    EXPECT_GT(Drawn(shot, InPage(QRect(98, 170, 300, 80))), 0.01);
    Next();
    if (raid1) Click(page.LevelRadio(DiskLevel::Raid1));
    Save(prefix + "-step2");
    Next();
    page.Slider()->setValue(35);
    shot = Save(prefix + "-step3");
    EXPECT_GT(Drawn(shot, InPage(QRect(80, 210, 200, 25))), 0.05);  // the slider
    EXPECT_GT(Drawn(shot, InPage(QRect(350, 330, 150, 31))), 0.2);  // the NAS list
    Next();
    Save(prefix + "-step4");
  }
};

TEST_F(DiskPageScreenshots, OneDisk) {
  StartWith(1);
  FreeOnly("EFZ");
  Walk("disk-1", false);
}

TEST_F(DiskPageScreenshots, TwoDisks) {
  StartWith(2);
  FreeOnly("GHKX");
  Walk("disk-2", true);
}

TEST_F(DiskPageScreenshots, OneDiskSingleServices) {
  StartWith(1);
  FreeOnly("EFZ");
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::NasOnly));
  NextTo(3);
  QImage shot = Save("disk-1-step3-nasonly");
  EXPECT_GT(Drawn(shot, InPage(QRect(150, 185, 150, 31))), 0.2);
  Back();
  Back();
  Click(page.ServiceRadio(ServiceType::IscsiOnly));
  NextTo(4);
  Save("disk-1-step4-iscsionly");
}

TEST_F(DiskPageScreenshots, NoDisk) {
  StartWith(0);
  EnterDiskPage();
  const QImage shot = Save("disk-0-nodisk");
  EXPECT_GT(Drawn(shot, InPage(QRect(45, 200, 400, 60))), 0.01);
}

// The refusal as the person sees it: the real message box over the page.
TEST_F(DiskPageScreenshots, SetupRefused) {
  StartWith(1);
  initiator_.setupAnswer = SetupPermission::Refused;
  CConfigDlg_HD& page = EnterDiskPage();
  Click(page.ServiceRadio(ServiceType::IscsiOnly));
  NextTo(4);
  Next();
  ASSERT_EQ(messages_.shown.size(), 1u);
  QImage box;
  QTimer::singleShot(300, [&] {
    if (QWidget* shown = QApplication::activeModalWidget()) {
      box = shown->grab().toImage();
      shown->close();
    }
  });
  QtMessageBox().Show(messages_.shown[0].text, messages_.shown[0].buttons, messages_.shown[0].icon, "");
  ASSERT_FALSE(box.isNull());
  EXPECT_GT(box.width(), 200);
  QImage shot = GrabWindow(Wizard());
  QPainter painter(&shot);
  painter.drawImage((shot.width() - box.width()) / 2, (shot.height() - box.height()) / 2, box);
  painter.end();
  const QByteArray dir = qgetenv("SP_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    QDir().mkpath(QString::fromLocal8Bit(dir));
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(dir) + "/disk-setup-refused.png", "PNG"));
  }
}

}  // namespace
}  // namespace sp::test
