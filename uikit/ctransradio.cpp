#include "uikit/ctransradio.h"

#include <QButtonGroup>

namespace sp {

CTransRadio::CTransRadio(QWidget* parent) : QRadioButton(parent) {
  setAutoFillBackground(false);  // whatever lies under the button shows
  setAttribute(Qt::WA_NoSystemBackground);
}

CTransRadio::CTransRadio(QWidget* parent, const QRect& geometry, QButtonGroup* group) : CTransRadio(parent) {
  setGeometry(geometry);
  if (group != nullptr) group->addButton(this);
}

}  // namespace sp
