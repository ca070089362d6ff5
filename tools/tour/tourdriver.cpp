#include "tools/tour/tourdriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <cstdio>

#include "shell/pagecontrols.h"

namespace sp::tour {

TourDriver::TourDriver(CMainDlg& wizard, std::string outFolder) : wizard_(wizard), out_(std::move(outFolder)) {
  QDir().mkpath(QString::fromStdString(out_));
}

bool TourDriver::Click(QAbstractButton* button) {
  if (button == nullptr || !button->isVisible() || !button->isEnabled()) return false;
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  QCoreApplication::processEvents();
  return true;
}

QAbstractButton* TourDriver::CancelButton() const {
  static constexpr struct {
    int page, control;
  } kCancel[] = {{kPageWelcome, 1005}, {kPageCheck, 1015}, {kPageInstall, 1014},
                 {kPageConfig, 1071},  {kPageDisk, 1009},  {kPageFinal, 1038}};
  const int shown = wizard_.CurrentPageId();
  for (const auto& c : kCancel) {
    if (c.page != shown) continue;
    if (QWidget* page = wizard_.PageById(shown)) return Control<QAbstractButton>(page, c.control);
  }
  return nullptr;
}

bool TourDriver::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void TourDriver::Pause(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool TourDriver::Shot(const std::string& name) {
  QCoreApplication::processEvents();
  QImage image = wizard_.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  // Offscreen grabs ignore the window's rounded shape: clear the corners.
  const QRegion shape = wizard_.mask();
  if (!shape.isEmpty()) {
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (!shape.contains(QPoint(x, y))) image.setPixel(x, y, 0);
      }
    }
  }
  const std::string path = out_ + "/" + name + ".png";
  if (!image.save(QString::fromStdString(path), "PNG")) {
    Say("cannot write " + path);
    return false;
  }
  shots_.push_back(path);
  return true;
}

void TourDriver::Say(const std::string& line) const { std::printf("tour: %s\n", line.c_str()); }

}  // namespace sp::tour
