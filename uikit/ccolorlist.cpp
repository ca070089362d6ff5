#include "uikit/ccolorlist.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include "uikit/screenfont.h"

namespace sp {

namespace {

// Cells as the wizard drew them: window colour, text at (4, 4), no
// highlight for the selection.
class PlainCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QWidget* view = option.widget;
    const QPalette& pal = view ? view->palette() : option.palette;
    p->save();
    p->setClipRect(option.rect);
    p->fillRect(option.rect, pal.color(QPalette::Base));
    p->setFont(GuiFont());
    p->setPen(pal.color(QPalette::Text));
    p->drawText(option.rect.adjusted(CColorList::kTextInset, CColorList::kTextInset, 0, 0),
                Qt::AlignLeft | Qt::AlignTop, index.data(Qt::DisplayRole).toString().left(511));
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), CColorList::kRowHeight);
  }

 private:
  // The default GUI font: "Ms Shell Dlg" at 8 points.
  static const QFont& GuiFont() {
    static const QFont font = MakeLogicalFont(QStringLiteral("Ms Shell Dlg"), -11, 400);
    return font;
  }
};

}  // namespace

CColorList::CColorList(QWidget* parent) : QTableWidget(parent) {
  setItemDelegate(new PlainCellDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
}

CColorList::CColorList(QWidget* parent, const QRect& geometry) : CColorList(parent) { setGeometry(geometry); }

int CColorList::InsertColumn(const QString& title, int width) {
  const int column = columnCount();
  setColumnCount(column + 1);
  setHorizontalHeaderItem(column, new QTableWidgetItem(title));
  setColumnWidth(column, width);
  return column;
}

int CColorList::AddRow(const QStringList& texts) {
  const int row = rowCount();
  setRowCount(row + 1);
  for (int c = 0; c < columnCount() && c < texts.size(); ++c) setItem(row, c, new QTableWidgetItem(texts[c]));
  return row;
}

QString CColorList::CellText(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it ? it->text() : QString();
}

}  // namespace sp
