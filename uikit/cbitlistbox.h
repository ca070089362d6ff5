#pragma once
// The list of a CBitComboBox. On its own it paints its whole area in
// red 115, green 138, blue 154; inside a combo the combo paints the list in
// its skin over that, then each item.
#include <QColor>
#include <QListView>

namespace sp {

class CBitComboBox;

class CBitListBox : public QListView {
  Q_OBJECT

 public:
  static inline const QColor kFill{115, 138, 154};

  explicit CBitListBox(QWidget* parent = nullptr);
  void SetOwner(const CBitComboBox* combo) { owner_ = combo; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const CBitComboBox* owner_ = nullptr;
};

}  // namespace sp
