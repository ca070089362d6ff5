#include "uikit/cbitcombobox.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyledItemDelegate>
#include <atomic>
#include <mutex>

#include "uikit/cbitlistbox.h"
#include "uikit/screenfont.h"

namespace sp {

namespace {

std::mutex gFolderMutex;
std::string gDefaultFolder;  // guarded by gFolderMutex
std::atomic<int> gListTextLeft{0};

constexpr int kCapOverhang = 3;  // the skin starts 3 pixels above the box
constexpr int kTextTopInset = 3;
constexpr int kTextBottomInset = 8;
constexpr int kTextLeft = 10;
constexpr int kListTextGap = 5;
constexpr int kMinItemHeight = 17;          // the list edge bitmaps are 17 high
constexpr int kDefaultSelectionField = 25;  // what the skin's 35-pixel caps are made for
// Texts are shown as they stand: "US && Canada" keeps both ampersands.
constexpr auto kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

// Draws `image` into `target` (stretched); nothing for a null image.
void DrawPart(QPainter& p, const QRect& target, const QImage& image) {
  if (!image.isNull() && !target.isEmpty()) p.drawImage(target, image);
}

// Opens the list below the box, at most maxVisibleItems() high with a
// scroll bar, as a drop-down list does, instead of a menu over the box.
class DropDownStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

QStyle* SharedDropDownStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new DropDownStyle();
    style->setParent(QCoreApplication::instance());  // goes with the application
  }
  return style.data();
}

class BitItemDelegate : public QStyledItemDelegate {
 public:
  explicit BitItemDelegate(CBitComboBox* combo) : QStyledItemDelegate(combo), combo_(combo) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!index.isValid()) return;
    const bool focused = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
    combo_->PaintItem(*painter, option.rect, index.row(), focused);
    if (focused) {
      // With the standard skin the face and list colours are the same grey;
      // a dotted frame shows keyboard and mouse users the item in hand.
      painter->save();
      painter->setPen(QPen(combo_->faceTextColor, 1, Qt::DotLine));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option.rect.adjusted(5, 1, -6, -2));
      painter->restore();
    }
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), combo_->ItemHeight());
  }

 private:
  CBitComboBox* combo_;
};

}  // namespace

CBitComboBox::CBitComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setStyle(SharedDropDownStyle());
  SetSelectionFieldHeight(kDefaultSelectionField);
  list_ = new CBitListBox(this);
  list_->SetOwner(this);
  setView(list_);  // the combo owns the view from here on
  setItemDelegate(new BitItemDelegate(this));
}

CBitComboBox::CBitComboBox(QWidget* parent, const QRect& geometry) : CBitComboBox(parent) { setGeometry(geometry); }

std::string CBitComboBox::BitmapFolderFor(const std::string& programDir) {
  std::string dir = programDir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + "resource/bitmaps/";
}

void CBitComboBox::SetDefaultBitmapFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::lock_guard<std::mutex> lock(gFolderMutex);
  gDefaultFolder = std::move(folder);
}

std::string CBitComboBox::DefaultBitmapFolder() {
  {
    std::lock_guard<std::mutex> lock(gFolderMutex);
    if (!gDefaultFolder.empty()) return gDefaultFolder;
  }
  return BitmapFolderFor(QCoreApplication::applicationDirPath().toStdString());
}

void CBitComboBox::SetBitmapFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  folder_ = std::move(folder);
  update();
}

std::string CBitComboBox::BitmapFolder() const { return folder_.empty() ? DefaultBitmapFolder() : folder_; }

QImage CBitComboBox::Bitmap(int id) const {
  if (id == 0) return QImage();
  const std::string folder = BitmapFolder();
  if (folder != cacheFolder_) {
    cache_.clear();
    cacheFolder_ = folder;
  }
  auto it = cache_.find(id);
  if (it == cache_.end()) {
    it = cache_.emplace(id, QImage(QString::fromStdString(folder + std::to_string(id) + ".png"))).first;
  }
  return it->second;
}

int CBitComboBox::ListTextLeft() { return gListTextLeft.load(); }

CBitComboBox::FaceLayout CBitComboBox::ComputeFaceLayout() const {
  const QImage left = Bitmap(leftCap);
  const QImage right = Bitmap(rightCap);
  const QImage mid = Bitmap(middle);
  const int lw = left.width();
  const int rw = right.width();
  FaceLayout f;
  if (!left.isNull()) f.leftCap = QRect(0, -kCapOverhang, lw, left.height());
  if (!right.isNull()) f.rightCap = QRect(width() - rw, -kCapOverhang, rw, right.height());
  if (!mid.isNull()) f.middle = QRect(lw, -kCapOverhang, width() - rw - lw, mid.height());
  f.textArea = rect().adjusted(lw, kTextTopInset, -rw, -kTextBottomInset);
  return f;
}

void CBitComboBox::paintEvent(QPaintEvent*) {
  const FaceLayout f = ComputeFaceLayout();
  QPainter p(this);
  DrawPart(p, f.leftCap, Bitmap(leftCap));
  DrawPart(p, f.rightCap, Bitmap(rightCap));
  DrawPart(p, f.middle, Bitmap(middle));
  if (!f.textArea.isEmpty()) p.fillRect(f.textArea, faceColor);
  p.setFont(MakeLogicalFont(QStringLiteral("Arial"), 17, 600));
  p.setPen(faceTextColor);
  // The text stops at the right cap so that it never covers the arrow.
  const int right = f.rightCap.isNull() ? width() : f.rightCap.left();
  p.drawText(QRect(kTextLeft, 0, right - kTextLeft, height()), kTextFlags, currentText());
  if (hasFocus()) {
    // Keyboard users need to see which list has the focus.
    p.setPen(QPen(faceTextColor, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.textArea.adjusted(2, 1, -3, -2));
  }
}

int CBitComboBox::ItemHeight() const { return std::max(kMinItemHeight, QFontMetrics(list_->font()).height() + 2); }

void CBitComboBox::PaintList(QPainter& p, const CBitListBox& list) const {
  const QRect area = list.viewport()->rect();
  p.fillRect(area, listColor);
  const QImage l = Bitmap(listLeftEdge), r = Bitmap(listRightEdge);
  const QImage t = Bitmap(listTopEdge), b = Bitmap(listBottomEdge);
  DrawPart(p, QRect(0, 0, l.width(), area.height()), l);
  DrawPart(p, QRect(area.width() - r.width(), 0, r.width(), area.height()), r);
  DrawPart(p, QRect(0, 0, area.width(), t.height()), t);
  DrawPart(p, QRect(0, area.height() - b.height(), area.width(), b.height()), b);
  p.setFont(list.font());
  p.setPen(listTextColor);
  const int capWidth = Bitmap(leftCap).width();
  for (int row = 0; row < count(); ++row) {
    const QRect item = list.visualRect(model()->index(row, modelColumn(), rootModelIndex()));
    if (item.isEmpty()) continue;
    const int x = item.left() + capWidth + kListTextGap;
    gListTextLeft.store(x);
    p.drawText(QRect(x, item.top(), item.right() - x, item.height()), kTextFlags, itemText(row));
  }
}

void CBitComboBox::PaintItem(QPainter& p, const QRect& rect, int row, bool focused) const {
  p.fillRect(rect, focused ? faceColor : listColor);
  const QImage l = Bitmap(listLeftEdge), r = Bitmap(listRightEdge);
  DrawPart(p, QRect(rect.left(), rect.top(), l.width(), rect.height()), l);
  DrawPart(p, QRect(rect.right() + 1 - r.width(), rect.top(), r.width(), rect.height()), r);
  if (row == 0) {
    const QImage t = Bitmap(listTopEdge);
    DrawPart(p, QRect(rect.left(), rect.top(), rect.width(), t.height()), t);
  }
  if (row == count() - 1) {
    const QImage b = Bitmap(listBottomEdge);
    DrawPart(p, QRect(rect.left(), rect.bottom() + 1 - b.height(), rect.width(), b.height()), b);
  }
  p.setFont(list_->font());
  p.setPen(focused ? faceTextColor : listTextColor);
  const int x = ListTextLeft();
  p.drawText(QRect(x, rect.top(), rect.right() - x, rect.height()), kTextFlags, itemText(row));
}

}  // namespace sp
