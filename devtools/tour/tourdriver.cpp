#include "devtools/tour/tourdriver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <cstdio>

#include "framework/pagecontrols.h"
#include "pages/config/cipaddressctrl.h"

namespace sp::tour {

TourDriver::TourDriver(CMainDlg& wizard, std::string outFolder) : wizard_(wizard), out_(std::move(outFolder)) {
  if (!out_.empty()) QDir().mkpath(QString::fromStdString(out_));
  // Message boxes run their own event loop; this timer keeps ticking in it.
  QObject::connect(&messageWatch_, &QTimer::timeout, [this] { AnswerMessageBox(); });
  messageWatch_.start(50);
}

TourDriver::~TourDriver() { messageWatch_.stop(); }

void TourDriver::AnswerMessageBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) return;
  QAbstractButton* answer = box->defaultButton();
  if (answer == nullptr) {
    for (QAbstractButton* b : box->buttons()) {
      const auto role = box->buttonRole(b);
      if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole) answer = b;
    }
  }
  if (answer == nullptr || !answer->isVisible()) return;
  // Read it first, as a person would.
  messages_.push_back(box->text().toStdString());
  Say("message box: " + messages_.back());
  ClickAt(answer, answer->rect().center());
}

bool TourDriver::ClickAt(QWidget* target, QPoint pos) {
  QWidget* window = target->window();
  const QPoint at = target->mapTo(window, pos);
  QWidget* hit = window->childAt(at);
  if (hit == nullptr) hit = window;
  if (hit != target && !target->isAncestorOf(hit)) {
    Say("a click meant for " + std::string(target->metaObject()->className()) + " would land on " +
        hit->metaObject()->className() + " " + hit->objectName().toStdString());
    return false;
  }
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
  QCoreApplication::processEvents();
  return true;
}

bool TourDriver::Click(QAbstractButton* button) {
  if (button == nullptr || !button->isVisible() || !button->isEnabled()) return false;
  return ClickAt(button, button->rect().center());
}

bool TourDriver::Type(QLineEdit* edit, const QString& text) {
  if (edit == nullptr || !edit->isVisible() || !edit->isEnabled()) return false;
  if (!ClickAt(edit, edit->rect().center())) return false;
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
  QCoreApplication::processEvents();
  return edit->text() == text;
}

bool TourDriver::TypeAddress(CIpAddressCtrl* field, const std::string& dotted) {
  if (field == nullptr || !field->isVisible()) return false;
  const QStringList octets = QString::fromStdString(dotted).split(QLatin1Char('.'));
  if (octets.size() != 4) return false;
  for (int i = 0; i < 4; ++i) {
    if (!Type(field->Octet(i), octets[i])) return false;
  }
  return field->Text() == dotted;
}

bool TourDriver::Choose(QComboBox* combo, int index) {
  if (combo == nullptr || !combo->isVisible() || !combo->isEnabled() || index < 0 || index >= combo->count()) {
    return false;
  }
  if (!ClickAt(combo, combo->rect().center())) return false;
  QAbstractItemView* view = combo->view();
  if (!WaitUntil([&] { return view->isVisible(); }, 2000)) return false;
  // An open list takes no click for a double-click interval (the release
  // of the click that opened it must not choose); a person takes that long
  // to find the entry anyway.
  Pause(QApplication::doubleClickInterval() + 100);
  const QModelIndex entry = combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
  view->scrollTo(entry);
  QCoreApplication::processEvents();
  if (!ClickAt(view->viewport(), view->visualRect(entry).center())) return false;
  WaitUntil([&] { return !view->isVisible(); }, 2000);
  return combo->currentIndex() == index;
}

bool TourDriver::Choose(QComboBox* combo, const QString& text) {
  return combo != nullptr && Choose(combo, combo->findText(text, Qt::MatchExactly));
}

bool TourDriver::ClickRow(QTableWidget* table, int row) {
  if (table == nullptr || !table->isVisible() || row < 0 || row >= table->rowCount()) return false;
  QTableWidgetItem* cell = table->item(row, 0);
  if (cell == nullptr) return false;
  table->scrollToItem(cell);
  QCoreApplication::processEvents();
  if (!ClickAt(table->viewport(), table->visualItemRect(cell).center())) return false;
  return table->currentRow() == row;
}

bool TourDriver::Slide(QSlider* slider, int value) {
  if (slider == nullptr || !slider->isVisible() || !slider->isEnabled()) return false;
  if (value < slider->minimum() || value > slider->maximum()) return false;
  const bool inverted = slider->invertedControls() != slider->invertedAppearance();
  for (int presses = 0; slider->value() != value && presses < 1000; ++presses) {
    const bool up = slider->value() < value;
    QTest::keyClick(slider, up != inverted ? Qt::Key_Right : Qt::Key_Left);
  }
  QCoreApplication::processEvents();
  return slider->value() == value;
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
  if (out_.empty()) return true;
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

void TourDriver::Say(const std::string& line) const {
  std::printf("tour: %s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace sp::tour
