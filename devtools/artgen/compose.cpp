#include "devtools/artgen/compose.h"

#include "devtools/artgen/artkit.h"

#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>

#include <cstdlib>

namespace sp::art::preview {

QImage Images::Load(const QString& name) const {
  QImage img(QDir(dir_).filePath(name));
  if (img.isNull()) return img;
  return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {

int Number(const QStringList& fields, int i) {
  if (i >= fields.size()) return 0;
  return std::atoi(fields[i].toLatin1().constData());
}

}  // namespace

void ComposeList(QImage& surface, const Images& images, const QString& list, bool sixNumbers) {
  QPainter p(&surface);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const int end = list.lastIndexOf(QLatin1Char(','));
  if (end < 0) return;
  for (const QString& entry : list.left(end).split(QLatin1Char(','))) {
    const QStringList f = entry.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (f.isEmpty()) continue;
    const QImage img = images.Load(f[0]);
    if (img.isNull()) continue;
    const int x = Number(f, 1);
    const int y = Number(f, 2);
    const int offset = Number(f, 4);
    if (offset >= img.width()) continue;
    const QRect src(offset, 0, img.width() - offset, img.height());
    if (!sixNumbers) {
      // The source runs from the offset to the image's end, drawn one to one.
      p.drawImage(QPoint(x, y), img, src);
      continue;
    }
    const int w = Number(f, 5) ? Number(f, 5) : img.width();
    const int h = Number(f, 6) ? Number(f, 6) : img.height();
    p.drawImage(QRect(x, y, w, h), img, src);
  }
}

void DrawLabel(QImage& surface, const Label& label) {
  QPainter p(&surface);
  Prepare(p);
  p.setClipRect(label.rect);
  QFont font = UiFont(label.pixels, label.bold ? QFont::Bold : QFont::Normal);
  font.setHintingPreference(QFont::PreferDefaultHinting);
  p.setFont(font);
  p.setPen(label.color);
  const QFontMetrics fm(font);
  const QRect inner = label.rect.adjusted(5, 5, -5, -5);
  QString text = label.text;
  text.replace(QRegularExpression(QStringLiteral("<br>"), QRegularExpression::CaseInsensitiveOption),
               QStringLiteral("\n"));
  text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
  int y = inner.top();
  for (const QString& para : text.split(QLatin1Char('\n'))) {
    QString line;
    const QStringList words = para.split(QLatin1Char(' '));
    auto flush = [&] {
      const int w = fm.horizontalAdvance(line);
      const int x = label.alignRight ? inner.right() - w : inner.left();
      p.drawText(QPoint(x, y + fm.ascent()), line);
      y += fm.height() + 1;
      line.clear();
    };
    for (const QString& word : words) {
      const QString next = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (!line.isEmpty() && fm.horizontalAdvance(next) >= inner.width()) flush();
      line = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    }
    flush();
  }
}

void DrawButton(QImage& surface, const Images& images, const QString& strip, QPoint at, const QString& caption,
                ButtonState state) {
  const QImage skin = images.Load(strip);
  const QImage back = images.Load(QStringLiteral("cbackground.jpg"));
  if (skin.isNull()) return;
  const int cw = skin.width();
  const int ch = skin.height() / 4;
  QImage cells = Canvas(cw, ch * 4);
  {
    QPainter p(&cells);
    QFont font(QStringLiteral("Ms Shell Dlg"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
      const QRect cell(0, ch * i, cw, ch);
      p.drawImage(cell.topLeft(), back, QRect(at, QSize(cw, ch)));
      const int grey = i == 3 ? 110 : 169;
      p.setPen(QColor(grey, grey, grey));
      p.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
    p.drawImage(QPoint(0, 0), skin);
  }
  QPainter p(&surface);
  p.drawImage(at, cells, QRect(0, ch * static_cast<int>(state), cw, ch));
}

void DrawCheckBox(QImage& surface, QPoint at, bool checked) {
  QPainter p(&surface);
  Prepare(p);
  const QRectF box(at.x() + 0.5, at.y() + 0.5, 12, 12);
  p.setPen(QPen(QColor(0x9A, 0xA4, 0xB0), 1));
  p.setBrush(QColor(0xF4, 0xF6, 0xF8));
  p.drawRect(box);
  if (checked) {
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(
        QPolygonF({box.topLeft() + QPointF(3, 6), box.topLeft() + QPointF(5.5, 9), box.topLeft() + QPointF(9.5, 3)}));
  }
}

void DrawProgress(QImage& surface, const QRect& rect, int percent) {
  QPainter p(&surface);
  p.fillRect(rect, QColor(0xE6, 0xE6, 0xE6));
  p.setPen(QColor(0xBC, 0xBC, 0xBC));
  p.drawRect(rect.adjusted(0, 0, -1, -1));
  const QRect done(rect.left() + 1, rect.top() + 1, (rect.width() - 2) * percent / 100, rect.height() - 2);
  p.fillRect(done, QColor(0x06, 0xB0, 0x25));
}

void DrawCombo(QImage& surface, const QString& bitmapDir, const QRect& rect, const QString& text,
               const QStringList& items) {
  auto bmp = [&](int id) { return QImage(QDir(bitmapDir).filePath(QString::number(id) + ".png")); };
  const QImage left = bmp(154), right = bmp(152), middle = bmp(153);
  const QImage le = bmp(139), re = bmp(140), te = bmp(142), be = bmp(143);
  const QColor face(30, 30, 30);
  QPainter p(&surface);
  p.drawImage(QPoint(rect.left(), rect.top() - 3), left);
  p.drawImage(QPoint(rect.right() + 1 - right.width(), rect.top() - 3), right);
  p.drawImage(
      QRect(rect.left() + left.width(), rect.top() - 3, rect.width() - left.width() - right.width(), middle.height()),
      middle);
  const QRect area = rect.adjusted(left.width(), 3, -right.width(), -8);
  p.fillRect(area, face);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(17);
  font.setWeight(QFont::DemiBold);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(rect.adjusted(10, 0, 0, 0), Qt::AlignVCenter | Qt::TextSingleLine, text);
  if (items.isEmpty()) return;
  // The open list under the box, one 18-pixel row per item.
  const int rowH = 18;
  const QRect list(rect.left(), rect.bottom() + 1, rect.width(), rowH * items.size());
  for (int i = 0; i < items.size(); ++i) {
    const QRect row(list.left(), list.top() + rowH * i, list.width(), rowH);
    p.fillRect(row, face);
    p.drawImage(QRect(row.left(), row.top(), le.width(), row.height()), le);
    p.drawImage(QRect(row.right() + 1 - re.width(), row.top(), re.width(), row.height()), re);
    if (i == 0) p.drawImage(QRect(row.left(), row.top(), row.width(), te.height()), te);
    if (i == items.size() - 1)
      p.drawImage(QRect(row.left(), row.bottom() + 1 - be.height(), row.width(), be.height()), be);
    QFont lf(QStringLiteral("Ms Shell Dlg"));
    lf.setPixelSize(13);
    p.setFont(lf);
    p.setPen(Qt::white);  // focused and plain items look the same in this skin
    p.drawText(row.adjusted(left.width() + 5, 0, 0, 0), Qt::AlignVCenter | Qt::TextSingleLine, items[i]);
  }
}

}  // namespace sp::art::preview
