#pragma once
// The device list of the device settings page: a report list with three
// columns (device name, IP address, MAC address) sized 3/10, 3/10 and 4/10
// of its width, grid lines and whole-row selection, that discovery fills row
// by row while it runs.
//
// Like a system list view it keeps two things apart: the selected rows
// (drawn highlighted) and the focus row, the one the keyboard is on (drawn
// with a dotted frame). The page reads the focus row when the user presses
// Next or Identify.
#include <QTableWidget>
#include <string>

#include "devicelink/idevicelink.h"

namespace sp {

class CDeviceListCtrl : public QTableWidget, public IDeviceList {
  Q_OBJECT

 public:
  explicit CDeviceListCtrl(QWidget* parent = nullptr);
  CDeviceListCtrl(QWidget* parent, const QRect& geometry);

  // Column headings; widths follow the list's width.
  void SetColumnTitles(const QString& name, const QString& ip, const QString& mac);

  // IDeviceList, for discovery.
  int RowCount() const override { return rowCount(); }
  std::u16string MacText(int row) const override;
  void AppendRow(const std::u16string& name, const std::u16string& ip, const std::u16string& mac) override;

  void DeleteAllItems() { setRowCount(0); }
  // Row `row` becomes the only selected row and the focus row ("select and
  // mark"); nothing happens for a row that does not exist.
  void SelectAndMark(int row);
  // The focus row, or -1.
  int FocusRow() const;
  // Moves the focus row without touching the selection.
  void SetFocusRow(int row);
  QString CellText(int row, int column) const;
  // Shows row `row` in the page's note colour with `note` as its tooltip.
  void MarkRow(int row, const QString& note);
  bool RowMarked(int row) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The focus frame spans the row: repaint both rows when it moves.
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void SizeColumns();
};

}  // namespace sp
