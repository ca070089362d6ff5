// Page composition for the preview: layer lists drawn the way the wizard's
// surfaces draw them, plus rough stand-ins for the labels, image buttons and
// plain controls that sit on top, so the pictures can be judged in place.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace sp::art::preview {

// Loads pictures by file name from the resource folder's "english" folder.
class Images {
 public:
  explicit Images(QString dir) : dir_(std::move(dir)) {}
  QImage Load(const QString& name) const;  // null image when missing

 private:
  QString dir_;
};

// Draws a layer list ("file|x|y|alpha|offset[|w|h],...") onto the surface.
// A strip entry shows the image from its offset to its end at its own size,
// so the frames after the chosen one follow 500 pixels further right.
void ComposeList(QImage& surface, const Images& images, const QString& list, bool sixNumbers);

// A mini-HTML label at the wizard's position and size: the text starts 5
// pixels inside, "<br>" breaks lines, other tags are dropped.
struct Label {
  QRect rect;
  int pixels = 15;
  bool bold = false;
  QColor color = Qt::white;
  QString text;
  bool alignRight = false;
};
void DrawLabel(QImage& surface, const Label& label);

// An image button: page background behind, caption under the strip, the
// strip on top, one cell shown.
enum class ButtonState { Normal = 0, Pressed = 1, Hovered = 2, Disabled = 3 };
void DrawButton(QImage& surface, const Images& images, const QString& strip, QPoint at, const QString& caption,
                ButtonState state);

// Plain controls as a stock widget style would draw them.
void DrawCheckBox(QImage& surface, QPoint at, bool checked);
void DrawProgress(QImage& surface, const QRect& rect, int percent);

// The closed combo box and its open list, from the bitmaps folder's skin.
void DrawCombo(QImage& surface, const QString& bitmapDir, const QRect& rect, const QString& text,
               const QStringList& items);

}  // namespace sp::art::preview
