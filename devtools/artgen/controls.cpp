// Button strips and the combo box skin.
//
// A button draws its caption first and its strip over it, so the inside of
// every cell stays see-through: the strip only tints the caption, and the
// frame, fill, sheen and glow make the state.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"

namespace sp::art {

namespace {

constexpr int kCellW = 104;
constexpr int kCellH = 39;

enum class State { Normal, Pressed, Hovered, Disabled };

struct Style {
  QColor fillTop, fillBottom;
  QColor rimTop, rimBottom;
  QColor sheen;  // highlight along the upper inside edge
  QColor outer;  // shadow or glow around the body
  int outerBlur = 0;
  qreal outerDy = 0;
  QColor innerShade;  // pressed: shade inside the upper edge
  QColor glyph;
};

Style StyleFor(ButtonKind kind, State s) {
  const bool primary = kind == ButtonKind::Next;
  const QColor a = pal::kAccent;
  switch (s) {
    case State::Normal:
      if (primary)
        return {WithAlpha(a, 92),
                WithAlpha(pal::kAccentDeep, 88),
                WithAlpha(pal::kAccentPale, 235),
                WithAlpha(a, 190),
                QColor(255, 255, 255, 62),
                QColor(0, 0, 0, 150),
                5,
                1.5,
                {},
                QColor(0xD8, 0xF2, 0xFF, 230)};
      return {QColor(255, 255, 255, 26),
              QColor(255, 255, 255, 8),
              QColor(255, 255, 255, 80),
              QColor(255, 255, 255, 34),
              QColor(255, 255, 255, 40),
              QColor(0, 0, 0, 150),
              5,
              1.5,
              {},
              QColor(0xC8, 0xD2, 0xDC, 200)};
    case State::Hovered:
      return {WithAlpha(a, primary ? 112 : 70),
              WithAlpha(primary ? a : pal::kAccentDeep, primary ? 84 : 55),
              WithAlpha(pal::kAccentPale, 255),
              WithAlpha(a, 230),
              QColor(255, 255, 255, 80),
              WithAlpha(a, 150),
              7,
              0,
              {},
              QColor(0xF0, 0xFA, 0xFF, 255)};
    case State::Pressed:
      return {QColor(0, 0, 0, 95),
              WithAlpha(pal::kAccentDeep, primary ? 120 : 70),
              WithAlpha(a, 200),
              WithAlpha(a, 150),
              QColor(255, 255, 255, 0),
              QColor(0, 0, 0, 90),
              3,
              0.5,
              QColor(0, 0, 0, 140),
              WithAlpha(pal::kAccentPale, 230)};
    case State::Disabled:
      break;
  }
  return {QColor(255, 255, 255, 7),
          QColor(255, 255, 255, 3),
          QColor(255, 255, 255, 30),
          QColor(255, 255, 255, 16),
          QColor(255, 255, 255, 0),
          QColor(0, 0, 0, 70),
          4,
          1,
          {},
          QColor(0x80, 0x88, 0x92, 110)};
}

void DrawGlyph(QPainter& p, ButtonKind kind, const QRectF& body, const QColor& c) {
  if (kind == ButtonKind::Secondary) return;
  const qreal cy = body.center().y();
  const qreal x = kind == ButtonKind::Back ? body.left() + 7.5 : body.right() - 7.5;
  const qreal d = kind == ButtonKind::Back ? 3.2 : -3.2;
  p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(x + d, cy - 4.2), QPointF(x, cy), QPointF(x + d, cy + 4.2)}));
}

void DrawCell(QPainter& p, ButtonKind kind, State s) {
  const Style st = StyleFor(kind, s);
  const qreal inset = s == State::Pressed ? 0.5 : 0.0;
  const QRectF body = QRectF(3, 4, kCellW - 6, kCellH - 8).adjusted(inset, inset, -inset, -inset);
  const QPainterPath shape = RoundRect(body, 9);

  // Shadow or glow outside the body only: inside it would darken the caption.
  if (st.outer.alpha() > 0) {
    QImage layer = Canvas(kCellW, kCellH);
    {
      QPainter lp(&layer);
      Prepare(lp);
      SoftShape(lp, shape, st.outer, st.outerBlur, QPointF(0, st.outerDy));
      lp.setCompositionMode(QPainter::CompositionMode_Clear);
      lp.fillPath(shape, Qt::transparent);
    }
    p.drawImage(QPoint(0, 0), layer);
  }
  p.fillPath(shape, Linear(body.topLeft(), body.bottomLeft(), {{0, st.fillTop}, {1, st.fillBottom}}));
  if (st.innerShade.alpha() > 0) {
    p.save();
    p.setClipPath(shape);
    p.fillRect(
        QRectF(body.left(), body.top(), body.width(), 7),
        Linear(body.topLeft(), body.topLeft() + QPointF(0, 7), {{0, st.innerShade}, {1, WithAlpha(st.innerShade, 0)}}));
    p.restore();
  }
  if (st.sheen.alpha() > 0) {
    const QRectF top = body.adjusted(1.5, 1.2, -1.5, -body.height() * 0.52);
    p.fillPath(RoundRect(top, 7.5),
               Linear(top.topLeft(), top.bottomLeft(), {{0, st.sheen}, {1, WithAlpha(st.sheen, 0)}}));
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QBrush(Linear(body.topLeft(), body.bottomLeft(), {{0, st.rimTop}, {1, st.rimBottom}})), 1.0));
  p.drawPath(RoundRect(body.adjusted(0.5, 0.5, -0.5, -0.5), 8.5));
  DrawGlyph(p, kind, body, st.glyph);
}

}  // namespace

QImage DrawButtonStrip(ButtonKind kind) {
  QImage img = Canvas(kCellW, kCellH * 4);
  QPainter p(&img);
  Prepare(p);
  const State order[] = {State::Normal, State::Pressed, State::Hovered, State::Disabled};
  for (int i = 0; i < 4; ++i) {
    p.save();
    p.translate(0, kCellH * i);
    p.setClipRect(QRect(0, 0, kCellW, kCellH));
    DrawCell(p, kind, order[i]);
    p.restore();
  }
  return img;
}

// The combo box: a dark field with rounded ends; the control fills its text
// area with RGB 30, 30, 30 itself, so the skin's inside uses the same grey.
// Caps are drawn from 3 pixels above the control, so the field's frame runs
// from y 1 to y 33 of the 35-pixel bitmaps.
QImage DrawComboPart(int id) {
  const QColor face(30, 30, 30);
  const QColor rim(0x4A, 0x55, 0x62);
  const QColor listRim = pal::kAccentDeep;
  auto field = [&](int w, int h, qreal left, qreal right) {
    QImage img = Canvas(w, h);
    QPainter p(&img);
    Prepare(p);
    const QRectF box(left + 0.5, 1.5, right - left - 1, 31);
    p.fillPath(RoundRect(box, 5), face);
    p.setClipPath(RoundRect(box, 5));
    p.fillRect(
        QRectF(box.left(), box.top(), box.width(), 4),
        Linear(box.topLeft(), box.topLeft() + QPointF(0, 4), {{0, QColor(0, 0, 0, 120)}, {1, QColor(0, 0, 0, 0)}}));
    p.setClipping(false);
    p.setPen(QPen(rim, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(RoundRect(box, 5));
    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    p.drawLine(QPointF(box.left() + 5, box.bottom() + 1), QPointF(box.right() - 5, box.bottom() + 1));
    return img;
  };
  switch (id) {
    case 154:
      return field(7, 35, 0, 60);
    case 153:
      return field(137, 35, -40, 177);
    case 152: {
      QImage img = field(33, 35, -60, 33);
      QPainter p(&img);
      Prepare(p);
      p.fillRect(QRectF(1, 6, 1, 23), QColor(0x3A, 0x43, 0x4E));
      p.setPen(QPen(pal::kAccent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({QPointF(12, 14.5), QPointF(17, 19.5), QPointF(22, 14.5)}));
      return img;
    }
    case 139:
    case 140: {
      QImage img = Canvas(4, 17);
      img.fill(face);
      QPainter p(&img);
      p.fillRect(QRect(id == 139 ? 0 : 3, 0, 1, 17), listRim);
      return img;
    }
    case 142:
    case 143: {
      QImage img = Canvas(4, 3);
      img.fill(face);
      QPainter p(&img);
      p.fillRect(QRect(0, id == 142 ? 0 : 2, 4, 1), listRim);
      return img;
    }
    default:
      return QImage();
  }
}

}  // namespace sp::art
