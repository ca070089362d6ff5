#include "uikit/cbitlistbox.h"

#include <QPainter>

#include "uikit/cbitcombobox.h"

namespace sp {

CBitListBox::CBitListBox(QWidget* parent) : QListView(parent) {
  setFrameShape(QFrame::NoFrame);
  setMouseTracking(true);
}

void CBitListBox::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kFill);
    if (owner_ != nullptr) owner_->PaintList(painter, *this);
  }
  QListView::paintEvent(event);  // the items, through the combo's delegate
}

}  // namespace sp
