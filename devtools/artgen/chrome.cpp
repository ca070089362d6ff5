// The main window frame, the step highlight and the page background.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"

namespace sp::art {

namespace {

constexpr int kWinW = 722;
constexpr int kWinH = 532;
constexpr int kBand = 64;     // top band; pages start below it
constexpr int kColumn = 155;  // left column; pages start at x 157

// The product mark: a rounded plate with the two drive bays as light bars.
void DrawMark(QPainter& p, const QRectF& r) {
  SoftShape(p, RoundRect(r, 8), QColor(0, 0, 0, 150), 6, QPointF(0, 2));
  p.fillPath(RoundRect(r, 8),
             Linear(r.topLeft(), r.bottomRight(), {{0, QColor(0x4F, 0xC3, 0xF4)}, {1, pal::kAccentDeep}}));
  p.setPen(QPen(WithAlpha(Qt::white, 70), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(RoundRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 7.5));
  const qreal bw = r.width() * 0.62;
  for (int i = 0; i < 2; ++i) {
    const QRectF bay(r.left() + (r.width() - bw) / 2, r.top() + r.height() * (0.26 + 0.27 * i), bw, r.height() * 0.17);
    p.fillPath(RoundRect(bay, bay.height() / 2), QColor(0x08, 0x2A, 0x3D, 200));
    const QRectF led(bay.right() - bay.height() * 1.4, bay.top() + bay.height() * 0.3, bay.height() * 0.4,
                     bay.height() * 0.4);
    p.fillPath(Ellipse(led.center(), led.width() / 2, led.height() / 2), pal::kAccentPale);
  }
}

void DrawBand(QPainter& p) {
  const QRectF band(0, 0, kWinW, kBand);
  p.fillRect(band,
             Linear(band.topLeft(), band.bottomLeft(), {{0, QColor(0x20, 0x26, 0x2F)}, {1, QColor(0x17, 0x1B, 0x22)}}));
  // A cool light from the upper right, very faint.
  p.fillRect(band, Radial(QPointF(kWinW - 120, -40), 260,
                          {{0, WithAlpha(pal::kAccent, 38)}, {1, WithAlpha(pal::kAccent, 0)}}));
  // Hairline under the band: accent on the left, fading out.
  p.fillRect(QRectF(0, kBand - 1, kWinW, 1), Linear(QPointF(0, 0), QPointF(kWinW, 0),
                                                    {{0, WithAlpha(pal::kAccent, 200)},
                                                     {0.45, WithAlpha(pal::kAccent, 60)},
                                                     {1, WithAlpha(pal::kAccent, 10)}}));
  p.fillRect(QRectF(0, kBand - 2, kWinW, 1), QColor(0, 0, 0, 70));

  DrawMark(p, QRectF(20, 15, 34, 34));
  QFont word = UiFont(23, QFont::Bold);
  word.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
  Text(p, QPointF(66, 35), QStringLiteral("Vaultline"), word, QColor(0xF2, 0xF5, 0xF8));
  QFont sub = UiFont(10.5, QFont::Bold);
  sub.setLetterSpacing(QFont::AbsoluteSpacing, 2.6);
  Text(p, QPointF(67, 50), QStringLiteral("SETUP PILOT"), sub, pal::kAccent);

  // Right: the model it sets up, quiet.
  QFont model = UiFont(11, QFont::Bold);
  model.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
  const QString tag = QStringLiteral("VBX-207  \u00B7  2-BAY NAS");
  p.setFont(model);
  const qreal tw = p.fontMetrics().horizontalAdvance(tag);
  Text(p, QPointF(kWinW - 28 - tw, 37), tag, model, QColor(0x6B, 0x76, 0x84));
}

void DrawColumn(QPainter& p) {
  const QRectF col(0, kBand, kColumn, kWinH - kBand);
  p.fillRect(col,
             Linear(col.topLeft(), col.bottomLeft(), {{0, QColor(0x15, 0x19, 0x1F)}, {1, QColor(0x10, 0x13, 0x18)}}));
  p.fillRect(QRectF(kColumn, kBand, 1, kWinH - kBand), QColor(0x2A, 0x31, 0x3B));
  p.fillRect(QRectF(kColumn + 1, kBand, 1, kWinH - kBand), QColor(0, 0, 0, 90));

  QFont head = UiFont(10, QFont::Bold);
  head.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
  Text(p, QPointF(12, 118), QStringLiteral("SETUP STEPS"), head, QColor(0x5E, 0x69, 0x77));
  p.fillRect(QRectF(12, 127, 128, 1), Linear(QPointF(12, 0), QPointF(140, 0),
                                             {{0, QColor(0x34, 0x3C, 0x48)}, {1, QColor(0x34, 0x3C, 0x48, 0)}}));

  // Quiet row guides behind the five step labels (the highlight covers one).
  for (int k = 0; k < 5; ++k) {
    const qreal y = 143 + 45 * k;
    p.fillPath(RoundRect(QRectF(0, y + 2, 146, 28), 6), QColor(255, 255, 255, 6));
  }

  p.fillRect(QRectF(12, 486, 128, 1), QColor(0x26, 0x2D, 0x36));
}

}  // namespace

QImage DrawWindowFrame() {
  QImage img = Canvas(kWinW, kWinH);
  QPainter p(&img);
  Prepare(p);
  const QPainterPath window = RoundRect(QRectF(0, 0, kWinW, kWinH), 16);
  p.setClipPath(window);
  p.fillRect(img.rect(), pal::kBase);
  p.fillRect(QRectF(kColumn + 2, kBand, kWinW - kColumn - 2, kWinH - kBand), pal::kPanel);
  DrawColumn(p);
  DrawBand(p);
  p.setClipping(false);
  p.setPen(QPen(QColor(0x33, 0x3B, 0x46), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(RoundRect(QRectF(0.5, 0.5, kWinW - 1, kWinH - 1), 15.5));
  p.setPen(QPen(QColor(255, 255, 255, 14), 1));
  p.drawPath(RoundRect(QRectF(1.5, 1.5, kWinW - 3, kWinH - 3), 14.5));
  return img;
}

QImage DrawStepHighlight() {
  // The current step's label is drawn in black over this bar; its text sits
  // in the upper part of the 44-pixel row (from y 7 to 24).
  QImage img = Canvas(152, 44);
  QPainter p(&img);
  Prepare(p);
  const QRectF bar(-14, 2, 164, 28);  // the longest label ends near x 143
  SoftShape(p, RoundRect(bar, 14), WithAlpha(pal::kAccent, 90), 8, QPointF(0, 2));
  p.fillPath(RoundRect(bar, 14),
             Linear(bar.topLeft(), bar.topRight(),
                    {{0, QColor(0x2F, 0xA5, 0xDC)}, {0.7, pal::kAccent}, {1, QColor(0x5C, 0xC6, 0xF2)}}));
  // Glassy top sheen and a crisp lower edge.
  p.fillPath(RoundRect(bar.adjusted(2, 1, -2, -bar.height() / 2), 12),
             Linear(bar.topLeft(), QPointF(bar.left(), bar.center().y()),
                    {{0, QColor(255, 255, 255, 80)}, {1, QColor(255, 255, 255, 8)}}));
  p.setPen(QPen(QColor(0x0E, 0x5E, 0x86, 160), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(RoundRect(bar.adjusted(0.5, 0.5, -0.5, -0.5), 13.5));
  return img;
}

QImage DrawPageBackground() {
  QImage img(563, 467, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  Prepare(p);
  const QRectF r = img.rect();
  p.fillRect(r,
             Linear(r.topLeft(), r.bottomLeft(),
                    {{0, QColor(0x1D, 0x23, 0x2B)}, {0.55, QColor(0x19, 0x1E, 0x25)}, {1, QColor(0x14, 0x18, 0x1E)}}));
  // A faint cool light behind the title.
  p.fillRect(
      r,
      Radial(QPointF(90, -30), 330,
             {{0, WithAlpha(pal::kAccent, 30)}, {0.6, WithAlpha(pal::kAccent, 8)}, {1, WithAlpha(pal::kAccent, 0)}}));
  // Footer for the buttons row.
  const QRectF foot(0, 404, 563, 63);
  p.fillRect(foot,
             Linear(foot.topLeft(), foot.bottomLeft(), {{0, QColor(0x12, 0x16, 0x1B)}, {1, QColor(0x0F, 0x12, 0x16)}}));
  p.fillRect(
      QRectF(0, 404, 563, 1),
      Linear(QPointF(0, 0), QPointF(563, 0),
             {{0, QColor(0x2C, 0x34, 0x3F, 0)}, {0.25, QColor(0x2C, 0x34, 0x3F)}, {1, QColor(0x2C, 0x34, 0x3F)}}));
  p.fillRect(QRectF(0, 405, 563, 1), QColor(0, 0, 0, 60));
  // Inner shade along the left and top edges where the page meets the frame.
  p.fillRect(QRectF(0, 0, 10, 467),
             Linear(QPointF(0, 0), QPointF(10, 0), {{0, QColor(0, 0, 0, 50)}, {1, QColor(0, 0, 0, 0)}}));
  p.fillRect(QRectF(0, 0, 563, 8),
             Linear(QPointF(0, 0), QPointF(0, 8), {{0, QColor(0, 0, 0, 60)}, {1, QColor(0, 0, 0, 0)}}));
  p.end();
  Dither(img);
  return img;
}

}  // namespace sp::art
