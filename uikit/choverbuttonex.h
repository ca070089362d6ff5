#pragma once
// The image push button of every page (Back, Next, Cancel, Finish, ...).
//
// Skinned by one strip of four cells stacked top to bottom: 0 normal,
// 1 pressed, 2 hovered, 3 disabled. The button draws the page's background
// image behind itself (the part at its own position in the parent), its
// caption over that in grey (169; 110 when disabled), and the strip over
// both, so the caption shows where the strip is transparent. Then it shows
// the cell of its state. Without a strip it is a plain push button.
//
//   auto* next = new CHoverButtonEx(page, QRect(336, 413, 104, 39), "Next");
//   next->SetImages(folder + "btn-next.png", folder + "cbackground.jpg");
//   QObject::connect(next, &QPushButton::clicked, page, &Page::OnNext);
#include <QFont>
#include <QImage>
#include <QPushButton>
#include <string>

namespace sp {

class CHoverButtonEx : public QPushButton {
  Q_OBJECT

 public:
  enum Cell { kNormal = 0, kPressed = 1, kHovered = 2, kDisabled = 3 };

  explicit CHoverButtonEx(QWidget* parent = nullptr);
  CHoverButtonEx(QWidget* parent, const QRect& geometry, const QString& caption = QString());

  // Loads the strip and the page background from full paths, sets the cell
  // size from the strip (width, height / 4) and resizes the button to one
  // cell; the position stays. A strip that cannot be loaded leaves the cell
  // size at 0 and the button as it was: it then draws as a plain push
  // button with its caption. Returns true, whatever was loaded.
  bool SetImages(const std::string& stripPath, const std::string& backgroundPath);

  // Pressed shows cell 1; otherwise a disabled button cell 3, a hovered one
  // cell 2, any other cell 0.
  static int ChooseCell(bool pressed, bool hovered, bool enabled);
  int CurrentCell() const { return ChooseCell(isDown(), hover_, isEnabled()); }

  bool IsHovered() const { return hover_; }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  bool IsSkinned() const { return cellWidth_ > 0 && cellHeight_ > 0; }
  const QFont& CaptionFont() const { return captionFont_; }

  // The four cells as the button builds them before showing one (the
  // strip's full size; empty when the button has no strip).
  QImage RenderCells() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SetHover(bool on);

  bool hover_ = false;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  QImage strip_;
  QImage background_;
  QFont captionFont_;
};

}  // namespace sp
