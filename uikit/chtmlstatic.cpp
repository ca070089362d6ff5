#include "uikit/chtmlstatic.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "uikit/accessiblenames.h"
#include "uikit/core/linkerrors.h"
#include "uikit/qttextmeasurer.h"
#include "uikit/qttextpainter.h"
#include "uikit/screenfont.h"

namespace sp {

namespace {

void ShowOkBox(QWidget* parent, const std::string& message) {
  QString text = QString::fromStdString(message);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

CHTMLStatic::CHTMLStatic(QWidget* parent) : QWidget(parent) {}

CHTMLStatic::CHTMLStatic(QWidget* parent, const QRect& geometry, std::u16string markup) : QWidget(parent) {
  setGeometry(geometry);
  SetText(std::move(markup));
}

void CHTMLStatic::SetText(std::u16string markup) {
  text_ = std::move(markup);
  laidOut_ = false;
  update();
  ScheduleNamingControls(parentWidget());
}

void CHTMLStatic::SetBaseFont(const CHTMLFont& font) {
  baseFont_ = font;
  laidOut_ = false;
  update();
}

void CHTMLStatic::SetBackgroundColor(std::int64_t color) {
  background_ = color;
  update();
}

void CHTMLStatic::EnsureLayout() {
  if (IsLaidOut()) return;
  const HtmlRect area{kMargin, kMargin, width() - kMargin, height() - kMargin};
  QtTextMeasurer measurer;
  textBottom_ = drawer_.Layout(area, measurer, text_, baseFont_);
  laidOutSize_ = size();
  laidOut_ = true;
  // Like a static text, a label without links is not there for the mouse:
  // a click goes to the control under it (the pages lay labels over their
  // check boxes and radio buttons).
  setAttribute(Qt::WA_TransparentForMouseEvents, drawer_.Links().empty());
  // A link is reached with Tab too, and opened with Enter or Space.
  setFocusPolicy(drawer_.Links().empty() ? Qt::NoFocus : Qt::TabFocus);
}

QString CHTMLStatic::PlainText() {
  EnsureLayout();
  std::u16string text;
  for (const auto& run : drawer_.Runs()) text += run->text;
  return QString::fromStdU16String(text);
}

QRect CHTMLStatic::TextRect() {
  EnsureLayout();
  QRect area;
  for (const auto& run : drawer_.Runs()) {
    if (run->text.empty()) continue;
    area |= QRect(run->rect.left, run->rect.top, run->rect.Width(), run->rect.Height());
  }
  return area.translated(pos());
}

void CHTMLStatic::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && !drawer_.Links().empty()) {
    const CHTMLAtom* first = drawer_.Links().front();
    ClickAt(QPoint(first->rect.left + first->rect.Width() / 2, first->rect.top + first->rect.Height() / 2));
    return;
  }
  QWidget::keyPressEvent(event);
}

// What a control beside this label is called may change with it.
void CHTMLStatic::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ScheduleNamingControls(parentWidget());
}

void CHTMLStatic::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  ScheduleNamingControls(parentWidget());
}

int CHTMLStatic::TextBottom() {
  EnsureLayout();
  return textBottom_;
}

void CHTMLStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setClipRect(rect());
  if (background_ != kTransparent) {
    painter.fillRect(rect(), ToQColor(static_cast<ColorRef>(background_)));
  }
  EnsureLayout();
  QtTextPainter textPainter(painter);
  drawer_.Draw(textPainter, hoverColor_, hoverUnderline_);
  if (!drawer_.Links().empty() && !hoverTimer_.isActive()) hoverTimer_.start(kHoverPeriodMs, this);
}

void CHTMLStatic::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Qt also delivers a resize when a widget is first shown; only a real
  // change of size needs a new layout.
  if (size() == laidOutSize_) return;
  laidOut_ = false;
  update();
}

void CHTMLStatic::timerEvent(QTimerEvent* event) {
  if (event->timerId() != hoverTimer_.timerId()) {
    QWidget::timerEvent(event);
    return;
  }
  UpdateHover(cursorSource_ ? cursorSource_() : mapFromGlobal(QCursor::pos()));
}

void CHTMLStatic::UpdateHover(QPoint pos) {
  const CHTMLAtom* hot = drawer_.HitTest(pos.x(), pos.y());
  const CHTMLDrawer::HoverChange change = drawer_.SetHover(hot);
  if (change.changed) {
    update(QRect(change.area.left, change.area.top, change.area.Width(), change.area.Height()));
  }
  if (hot != nullptr) {
    if (!hovering_) {
      hadOwnCursor_ = testAttribute(Qt::WA_SetCursor);
      savedCursor_ = cursor();
      setCursor(Qt::PointingHandCursor);
    }
    hovering_ = true;
  } else {
    if (hovering_) {
      if (hadOwnCursor_)
        setCursor(savedCursor_);
      else
        unsetCursor();
    }
    hovering_ = false;
  }
}

void CHTMLStatic::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    ClickAt(event->position().toPoint());
  }
  QWidget::mouseReleaseEvent(event);
}

void CHTMLStatic::ClickAt(QPoint pos) {
  const CHTMLAtom* run = drawer_.HitTest(pos.x(), pos.y());
  if (run == nullptr) return;
  const std::u16string link = run->link;  // the runs may change while a box is open
  // Without an opener nothing on the desktop can open the link.
  constexpr int kNoAssociation = 31;
  const int result = opener_ ? opener_(link) : kNoAssociation;
  if (LinkOpened(result)) return;
  const std::string message = HyperlinkErrorMessage(result);
  if (sink_)
    sink_(message);
  else
    ShowOkBox(this, message);
}

}  // namespace sp
