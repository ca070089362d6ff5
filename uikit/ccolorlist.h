#pragma once
// A report list (columns with headings, grid lines, whole-row selection)
// whose rows are 22 pixels high whatever the font. Each cell is filled with
// the window colour and its text is written 4 pixels right of and below the
// cell's corner in the window-text colour and the default GUI font; no
// selection highlight is drawn.
//
//   auto* disks = new CColorList(page, QRect(36, 77, 490, 66));
//   disks->InsertColumn("Slot", 490 * 4 / 50);
//   disks->AddRow({"1", "KORVA", "VD-1", "S123", "931 GB"});
#include <QStringList>
#include <QTableWidget>

namespace sp {

class CColorList : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kTextInset = 4;

  explicit CColorList(QWidget* parent = nullptr);
  CColorList(QWidget* parent, const QRect& geometry);

  // Appends a column; returns its index.
  int InsertColumn(const QString& title, int width);
  // Appends a row with one text per column; returns its index.
  int AddRow(const QStringList& texts);
  void DeleteAllItems() { setRowCount(0); }
  QString CellText(int row, int column) const;
};

}  // namespace sp
