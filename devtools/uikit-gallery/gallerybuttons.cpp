// Image buttons: each strip with the captions the pages give it, in every
// state, and the plain push button a missing strip falls back to.
#include <QCoreApplication>
#include <QEnterEvent>
#include <QPainter>

#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"
#include "uikit/screenfont.h"

namespace sp::gallery {

namespace {

struct ButtonCase {
  const char* strip;
  const char* caption;
};

enum class State { Normal, Hovered, Pressed, Disabled, DisabledHovered };
constexpr State kStates[] = {State::Normal, State::Hovered, State::Pressed, State::Disabled, State::DisabledHovered};
constexpr const char* kStateNames[] = {"normal", "hovered", "pressed", "disabled", "disabled+hover"};

void Hover(CHoverButtonEx* b) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(b, &enter);
}

// The button at (222, 413) on the page background, in `state`, cut out
// with a margin of the page around it.
QImage ButtonShot(const Options& o, const ButtonCase& bc, State state) {
  PageCanvas c(SurfaceKind::Config, QSize(563, 467), o.imageFolder);
  c.Compose("cbackground.jpg|0|0|255|0,");
  CHoverButtonEx* b = c.Button(QRect(222, 413, 104, 39), QString::fromUtf8(bc.caption), bc.strip);
  if (state == State::Hovered || state == State::DisabledHovered) Hover(b);
  if (state == State::Pressed) b->setDown(true);
  if (state == State::Disabled || state == State::DisabledHovered) b->setEnabled(false);
  return c.Grab().copy(QRect(212, 405, 124, 55));
}

}  // namespace

void RenderButtons(const Options& o, std::vector<std::string>& written) {
  const ButtonCase cases[] = {
      {"btn-back.png", "Back"},       {"btn-next.png", "Next"},      {"btn-cancel.png", "Cancel"},
      {"btn-cancel.png", "Finish"},   {"btn-cancel.png", "Refresh"}, {"btn-cancel.png", "Identify"},
      {"btn-cancel.png", "Advanced"}, {"btn-next.png", ""},          {"missing-strip.png", "Next"},
      {"btn-cancel.png", "&Cancel"},
  };
  const int cellW = 124, cellH = 55, labelW = 150, headerH = 24;
  const int rows = static_cast<int>(std::size(cases));
  const int cols = static_cast<int>(std::size(kStates));
  QImage sheet(labelW + cols * (cellW + 4), headerH + rows * (cellH + 4), QImage::Format_RGB32);
  sheet.fill(QColor(60, 60, 60));
  QPainter p(&sheet);
  p.setPen(Qt::white);
  p.setFont(MakeLogicalFont(QStringLiteral("Arial"), -13, 400));
  for (int c = 0; c < cols; ++c) {
    p.drawText(QRect(labelW + c * (cellW + 4), 0, cellW, headerH), Qt::AlignCenter, kStateNames[c]);
  }
  for (int r = 0; r < rows; ++r) {
    const int y = headerH + r * (cellH + 4);
    p.drawText(QRect(4, y, labelW - 8, cellH), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("%1 \"%2\"").arg(cases[r].strip, cases[r].caption));
    for (int c = 0; c < cols; ++c) {
      p.drawImage(labelW + c * (cellW + 4), y, ButtonShot(o, cases[r], kStates[c]));
    }
  }
  p.end();
  SaveImage(sheet, o.outFolder, "buttons", written);
}

}  // namespace sp::gallery
