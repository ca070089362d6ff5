#include "framework/tstackedpage.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace sp {

TStackedPage::TStackedPage(QWidget* parent) : QWidget(parent) {}

bool IsDialogCloseKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape; }

void TStackedPage::keyPressEvent(QKeyEvent* event) {
  if (IsDialogCloseKey(event->key())) {
    event->accept();  // swallowed: the host never sees it
    return;
  }
  QWidget::keyPressEvent(event);
}

void TStackedPage::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace sp
