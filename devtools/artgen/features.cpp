#include "devtools/artgen/features.h"

#include "devtools/artgen/artkit.h"

namespace sp::art {

namespace {

constexpr qreal kBadge = 17;  // badge radius
constexpr qreal kRow = 52;

void Badge(QPainter& p, QPointF c) {
  SoftShape(p, Ellipse(c, kBadge, kBadge), QColor(0, 0, 0, 140), 6, QPointF(0, 2));
  p.setPen(Qt::NoPen);
  p.setBrush(Linear(c - QPointF(0, kBadge), c + QPointF(0, kBadge),
                    {{0, QColor(0x1F, 0x3A, 0x4D)}, {1, QColor(0x12, 0x1E, 0x28)}}));
  p.drawEllipse(c, kBadge, kBadge);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Linear(c - QPointF(0, kBadge), c + QPointF(0, kBadge),
                       {{0, WithAlpha(pal::kAccent, 230)}, {1, WithAlpha(pal::kAccent, 70)}}),
                1.2));
  p.drawEllipse(c, kBadge - 0.6, kBadge - 0.6);
}

QPen IconPen() { return QPen(pal::kAccentPale, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void FolderIcon(QPainter& p, QPointF c) {
  p.setPen(IconPen());
  p.setBrush(WithAlpha(pal::kAccent, 60));
  QPainterPath folder(c + QPointF(-9, -6));
  folder.lineTo(c + QPointF(-3, -6));
  folder.lineTo(c + QPointF(-1, -4));
  folder.lineTo(c + QPointF(9, -4));
  folder.lineTo(c + QPointF(9, 4));
  folder.lineTo(c + QPointF(-9, 4));
  folder.closeSubpath();
  p.drawPath(folder);
  p.drawLine(c + QPointF(0, 4), c + QPointF(0, 8));
  p.drawLine(c + QPointF(-6, 8), c + QPointF(6, 8));
  p.setBrush(pal::kAccentPale);
  p.drawEllipse(c + QPointF(0, 8), 1.2, 1.2);
}

void DiskIcon(QPainter& p, QPointF c) {
  p.setPen(IconPen());
  p.setBrush(WithAlpha(pal::kAccent, 60));
  p.drawRoundedRect(QRectF(c.x() - 8, c.y() - 8, 16, 16), 3, 3);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c + QPointF(0, -1), 4.2, 4.2);
  p.drawLine(c + QPointF(-5, 5.5), c + QPointF(-1, 5.5));
  p.setPen(Qt::NoPen);
  p.setBrush(pal::kAccentPale);
  p.drawEllipse(c + QPointF(0, -1), 1.2, 1.2);
  p.drawEllipse(c + QPointF(5, 5.5), 1.1, 1.1);
}

void ShieldIcon(QPainter& p, QPointF c) {
  p.setPen(IconPen());
  p.setBrush(WithAlpha(pal::kAccent, 60));
  QPainterPath shield(c + QPointF(0, -9));
  shield.lineTo(c + QPointF(7.5, -6));
  shield.cubicTo(c + QPointF(7.5, 2), c + QPointF(4, 6.5), c + QPointF(0, 9));
  shield.cubicTo(c + QPointF(-4, 6.5), c + QPointF(-7.5, 2), c + QPointF(-7.5, -6));
  shield.closeSubpath();
  p.drawPath(shield);
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({c + QPointF(-3.3, -0.3), c + QPointF(-0.8, 2.4), c + QPointF(3.6, -2.8)}));
}

}  // namespace

void DrawFeatures(QPainter& p, QPointF topLeft) {
  struct Row {
    void (*icon)(QPainter&, QPointF);
    const char* name;
    const char* line;
  };
  const Row rows[] = {{FolderIcon, "Network folder", "Shared with every PC"},
                      {DiskIcon, "iSCSI disk", "A local drive over the LAN"},
                      {ShieldIcon, "RAID 1 mirror", "Two disks, one safe copy"}};
  QFont name = UiFont(14, QFont::Bold);
  QFont line = UiFont(12);
  for (int i = 0; i < 3; ++i) {
    const QPointF c = topLeft + QPointF(kBadge, kBadge + kRow * i);
    Badge(p, c);
    rows[i].icon(p, c);
    Text(p, c + QPointF(kBadge + 12, -2), QString::fromLatin1(rows[i].name), name, QColor(0xF2, 0xF5, 0xF8));
    Text(p, c + QPointF(kBadge + 12, 14), QString::fromLatin1(rows[i].line), line, QColor(0x8E, 0x9A, 0xA8));
  }
  // A hairline down the left of the list ties the rows together.
  p.fillRect(QRectF(topLeft.x() + kBadge - 0.5, topLeft.y() + 2 * kBadge + 4, 1, kRow - 2 * kBadge - 8),
             WithAlpha(pal::kAccent, 60));
  p.fillRect(QRectF(topLeft.x() + kBadge - 0.5, topLeft.y() + 2 * kBadge + 4 + kRow, 1, kRow - 2 * kBadge - 8),
             WithAlpha(pal::kAccent, 60));
}

}  // namespace sp::art
