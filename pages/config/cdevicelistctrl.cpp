#include "pages/config/cdevicelistctrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>

#include "uikit/screenfont.h"

namespace sp {

namespace {

const QColor kRowColor(24, 30, 38);
const QColor kAltRowColor(30, 37, 46);
const QColor kSelectedColor(35, 110, 150);
const QColor kGridColor(70, 82, 96);
const QColor kTextColor(235, 240, 245);

// Draws the focus row's dotted frame across the whole row (the view's own
// focus frame would go round one cell only).
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem o = option;
    o.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(p, o, index);
    const auto* view = qobject_cast<const QTableWidget*>(o.widget);
    if (!view || view->currentIndex().row() != index.row()) return;
    p->save();
    p->setPen(QPen(kTextColor, 1, Qt::DotLine));
    const QRect r = o.rect.adjusted(0, 1, -1, -2);
    p->drawLine(r.topLeft(), r.topRight());
    p->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0) p->drawLine(r.topLeft(), r.bottomLeft());
    if (index.column() == view->columnCount() - 1) p->drawLine(r.topRight(), r.bottomRight());
    p->restore();
  }
};

}  // namespace

CDeviceListCtrl::CDeviceListCtrl(QWidget* parent) : QTableWidget(parent) {
  setColumnCount(3);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setAlternatingRowColors(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  verticalHeader()->hide();
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setSectionsClickable(false);
  setItemDelegate(new RowDelegate(this));

  const QFont listFont = MakeLogicalFont(QStringLiteral("Ms Shell Dlg"), 20, 400);
  setFont(listFont);
  horizontalHeader()->setFont(listFont);
  const int rowHeight = QFontMetrics(listFont).height() + 6;
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(rowHeight);
  verticalHeader()->setMinimumSectionSize(rowHeight);

  QPalette pal = palette();
  pal.setColor(QPalette::Base, kRowColor);
  pal.setColor(QPalette::AlternateBase, kAltRowColor);
  pal.setColor(QPalette::Text, kTextColor);
  pal.setColor(QPalette::Highlight, kSelectedColor);
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::Window, kRowColor);
  setPalette(pal);
  setStyleSheet(
      QStringLiteral("QTableWidget { gridline-color: rgb(70,82,96); border: 1px solid rgb(90,104,120); }"
                     "QHeaderView::section { background-color: rgb(44,54,66); color: rgb(235,240,245);"
                     " padding: 2px 6px; border: none; border-right: 1px solid rgb(70,82,96);"
                     " border-bottom: 1px solid rgb(90,104,120); }"
                     "QScrollBar:vertical { background: rgb(30,37,46); width: 14px; }"
                     "QScrollBar::handle:vertical { background: rgb(80,94,110); min-height: 20px; }"));
}

CDeviceListCtrl::CDeviceListCtrl(QWidget* parent, const QRect& geometry) : CDeviceListCtrl(parent) {
  setGeometry(geometry);
}

void CDeviceListCtrl::SetColumnTitles(const QString& name, const QString& ip, const QString& mac) {
  setHorizontalHeaderLabels({name, ip, mac});
  SizeColumns();
}

void CDeviceListCtrl::resizeEvent(QResizeEvent* event) {
  QTableWidget::resizeEvent(event);
  SizeColumns();
}

void CDeviceListCtrl::SizeColumns() {
  const int w = viewport()->width();
  setColumnWidth(0, w * 3 / 10);
  setColumnWidth(1, w * 3 / 10);
  setColumnWidth(2, w - 2 * (w * 3 / 10));  // the rest, 4/10 with the rounding
}

void CDeviceListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableWidget::currentChanged(current, previous);
  viewport()->update();
}

std::u16string CDeviceListCtrl::MacText(int row) const { return CellText(row, 2).toStdU16String(); }

void CDeviceListCtrl::AppendRow(const std::u16string& name, const std::u16string& ip, const std::u16string& mac) {
  const int row = rowCount();
  insertRow(row);
  const std::u16string* texts[3] = {&name, &ip, &mac};
  for (int c = 0; c < 3; ++c) {
    auto* item = new QTableWidgetItem(QString::fromStdU16String(*texts[c]));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, c, item);
  }
}

QString CDeviceListCtrl::CellText(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it ? it->text() : QString();
}

void CDeviceListCtrl::MarkRow(int row, const QString& note) {
  for (int column = 0; column < columnCount(); ++column) {
    if (QTableWidgetItem* it = item(row, column)) {
      it->setForeground(QColor(QStringLiteral("DarkOrange")));
      it->setToolTip(note);
    }
  }
}

bool CDeviceListCtrl::RowMarked(int row) const {
  const QTableWidgetItem* it = item(row, 0);
  return it && !it->toolTip().isEmpty();
}

void CDeviceListCtrl::SelectAndMark(int row) {
  if (row < 0 || row >= rowCount()) return;
  selectionModel()->setCurrentIndex(model()->index(row, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CDeviceListCtrl::FocusRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CDeviceListCtrl::SetFocusRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
}

}  // namespace sp
