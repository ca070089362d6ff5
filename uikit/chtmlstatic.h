#pragma once
// The wizard's text control: one mini-HTML string (htmlmarkup.h) drawn
// transparently over whatever lies under it (normally the page's composed
// layer surface), wrapped to the control's width minus 5 pixels on every
// side, with "a" links that light up under the mouse and open on a click.
//
//   auto* title = new CHTMLStatic(page, QRect(30, 20, 400, 60));
//   title->SetText(Utf8ToUtf16(Format("<font face=Arial size=5 color=%s><b>%s</b></font>",
//                                     "#3DB4E9", LoadText(lang, 114).c_str())));
//
// Layout is lazy: the first paint after construction, a text change or a
// resize lays the text out; other paints only draw. While the text has
// links a 100 ms timer follows the mouse: the one run under it is drawn in
// the hover colour (red) and underlined, and the pointer becomes a hand.
// A link that cannot be opened shows "Unable to open hyperlink:" and the
// reason in a message box.
#include <QBasicTimer>
#include <QCursor>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "uikit/core/chtmldrawer.h"
#include "uikit/core/chtmlfont.h"

namespace sp {

class CHTMLStatic : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHoverPeriodMs = 100;
  static constexpr int kMargin = 5;
  static constexpr std::int64_t kTransparent = -1;

  // Opens a link; returns a shell-style result (above 32 is success).
  using LinkOpener = std::function<int(const std::u16string& link)>;
  // Shows a message to the user (an OK box by default).
  using MessageSink = std::function<void(const std::string& message)>;
  // The mouse position in the control's coordinates (QCursor by default).
  using CursorSource = std::function<QPoint()>;

  explicit CHTMLStatic(QWidget* parent = nullptr);
  CHTMLStatic(QWidget* parent, const QRect& geometry, std::u16string markup = {});

  void SetText(std::u16string markup);
  const std::u16string& Text() const { return text_; }
  // The text as shown, without markup (what a screen reader reads).
  QString PlainText();
  // Where the text is drawn, in the parent's coordinates (the control is
  // often much wider than its text); empty without text.
  QRect TextRect();

  // The font state the markup starts from (defaults: Times New Roman, 10 pt).
  void SetBaseFont(const CHTMLFont& font);
  const CHTMLFont& BaseFont() const { return baseFont_; }

  void SetHoverColor(ColorRef color) { hoverColor_ = color; }
  void SetHoverUnderline(bool on) { hoverUnderline_ = on; }
  // A colour fills the control before the text is drawn; kTransparent
  // (the default) paints nothing but glyphs.
  void SetBackgroundColor(std::int64_t color);

  // Who opens a clicked link (the desktop shell, for the program); without
  // one a click reports that nothing could open it.
  void SetLinkOpener(LinkOpener opener) { opener_ = std::move(opener); }
  void SetMessageSink(MessageSink sink) { sink_ = std::move(sink); }
  void SetCursorSource(CursorSource source) { cursorSource_ = std::move(source); }

  // Lays the text out now unless it already is.
  void EnsureLayout();
  // A hidden control learns of a new size only when shown: the size the
  // layout was made for is checked as well.
  bool IsLaidOut() const { return laidOut_ && size() == laidOutSize_; }
  const CHTMLDrawer& Drawer() const { return drawer_; }
  // Height the laid-out text needs, from the control's top (lays it out).
  int TextBottom();

  // One step of the hover timer with the mouse at `pos`.
  void UpdateHover(QPoint pos);
  bool IsHovering() const { return hovering_; }
  bool IsHoverTimerActive() const { return hoverTimer_.isActive(); }

  // A click at `pos`: opens the link under it, if any.
  void ClickAt(QPoint pos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::u16string text_;
  CHTMLFont baseFont_;
  CHTMLDrawer drawer_;
  bool laidOut_ = false;
  QSize laidOutSize_;
  int textBottom_ = 0;
  ColorRef hoverColor_ = MakeColorRef(255, 0, 0);
  bool hoverUnderline_ = true;
  std::int64_t background_ = kTransparent;
  bool hovering_ = false;
  bool hadOwnCursor_ = false;
  QCursor savedCursor_;
  QBasicTimer hoverTimer_;
  LinkOpener opener_;
  MessageSink sink_;
  CursorSource cursorSource_;
};

}  // namespace sp
