#pragma once
// A radio button without a background of its own: the page shows around
// its indicator. The wizard's radios carry no text (a CHTMLStatic beside
// each one holds the caption).
//
// Qt makes radios with the same parent exclusive. Pages that have two
// groups on one page give each group a QButtonGroup:
//
//   auto* service = new QButtonGroup(page);
//   auto* both = new CTransRadio(page, QRect(80, 180, 16, 16), service);
#include <QRadioButton>

class QButtonGroup;

namespace sp {

class CTransRadio : public QRadioButton {
  Q_OBJECT

 public:
  explicit CTransRadio(QWidget* parent = nullptr);
  CTransRadio(QWidget* parent, const QRect& geometry, QButtonGroup* group = nullptr);
};

}  // namespace sp
