#include "uikit/choverbuttonex.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>

#include "uikit/imagecache.h"
#include "uikit/screenfont.h"

namespace sp {

namespace {
constexpr int kCells = 4;
const QColor kCaptionGrey(169, 169, 169);
const QColor kCaptionDisabledGrey(110, 110, 110);
constexpr int kMaxCaption = 254;
}  // namespace

CHoverButtonEx::CHoverButtonEx(QWidget* parent)
    : QPushButton(parent),
      // "Ms Shell Dlg", 20 pixels (cell height), bold; the caption of every
      // cell is drawn with it.
      captionFont_(MakeLogicalFont(QStringLiteral("Ms Shell Dlg"), 20, 700)) {
  setAutoDefault(false);  // Enter belongs to the page, not to a default button
}

CHoverButtonEx::CHoverButtonEx(QWidget* parent, const QRect& geometry, const QString& caption)
    : CHoverButtonEx(parent) {
  setText(caption);
  setGeometry(geometry);
}

bool CHoverButtonEx::SetImages(const std::string& stripPath, const std::string& backgroundPath) {
  // Every button of the wizard stands on the same background and uses one
  // of a few strips: each file is decoded once for all of them.
  strip_ = SharedImage(stripPath, QImage::Format_ARGB32_Premultiplied);
  background_ = SharedImage(backgroundPath);
  cellWidth_ = strip_.isNull() ? 0 : strip_.width();
  cellHeight_ = strip_.isNull() ? 0 : strip_.height() / kCells;
  if (IsSkinned()) resize(cellWidth_, cellHeight_);
  update();
  return true;
}

int CHoverButtonEx::ChooseCell(bool pressed, bool hovered, bool enabled) {
  if (pressed) return kPressed;
  if (!enabled) return kDisabled;
  return hovered ? kHovered : kNormal;
}

QImage CHoverButtonEx::RenderCells() const {
  if (!IsSkinned()) return QImage();
  QImage cells(strip_.size(), QImage::Format_ARGB32_Premultiplied);
  cells.fill(Qt::transparent);
  QPainter p(&cells);
  // The page background behind the button, one to one, in every cell.
  const QSize cellSize(cellWidth_, cellHeight_);
  const QRect behind(pos(), cellSize);
  const QRect source = behind & background_.rect();
  for (int i = 0; i < kCells && !source.isEmpty(); ++i) {
    const QPoint to(source.left() - behind.left(), i * cellHeight_ + source.top() - behind.top());
    p.drawImage(to, background_, source);
  }
  // The caption, centred on one line, under the strip.
  p.setFont(captionFont_);
  const QString caption = text().left(kMaxCaption);
  for (int i = 0; i < kCells; ++i) {
    p.setPen(i == kDisabled ? kCaptionDisabledGrey : kCaptionGrey);
    p.drawText(QRect(0, i * cellHeight_, cellWidth_, cellHeight_),
               Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
  }
  p.drawImage(0, 0, strip_);
  return cells;
}

void CHoverButtonEx::paintEvent(QPaintEvent* event) {
  if (!IsSkinned()) {
    QPushButton::paintEvent(event);
    return;
  }
  const QImage cells = RenderCells();
  QPainter p(this);
  p.drawImage(rect(), cells, QRect(0, CurrentCell() * cellHeight_, cellWidth_, cellHeight_));
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    // Keyboard users need to see where the focus is.
    p.setPen(QPen(kCaptionGrey, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(6, 6, -7, -7));
  }
}

void CHoverButtonEx::SetHover(bool on) {
  if (hover_ == on) return;
  hover_ = on;
  if (on) {
    // Hovering makes the wizard's window the active one (within our own
    // application only: never steal the focus from another program).
    QWidget* top = window();
    if (QApplication::activeWindow() != nullptr && !top->isActiveWindow()) top->activateWindow();
  }
  update();
}

void CHoverButtonEx::enterEvent(QEnterEvent* event) {
  SetHover(true);
  QPushButton::enterEvent(event);
}

void CHoverButtonEx::leaveEvent(QEvent* event) {
  SetHover(false);
  QPushButton::leaveEvent(event);
}

}  // namespace sp
