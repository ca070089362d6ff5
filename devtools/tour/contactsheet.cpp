// The contact sheet: every picture of the tour at half size in a grid, its
// name below it, on the wizard's dark grey.
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>

#include "devtools/tour/tourdriver.h"

namespace sp::tour {

bool WriteContactSheet(const std::vector<std::string>& pictures, const std::string& path, int columns) {
  std::vector<QImage> images;
  std::vector<QString> names;
  for (const std::string& p : pictures) {
    QImage image(QString::fromStdString(p));
    if (image.isNull()) continue;
    images.push_back(
        image.scaled(image.width() / 2, image.height() / 2, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    names.push_back(QFileInfo(QString::fromStdString(p)).completeBaseName());
  }
  if (images.empty() || columns < 1) return false;
  constexpr int kGap = 16, kCaption = 22;
  int cellWidth = 0, cellHeight = 0;
  for (const QImage& image : images) {
    cellWidth = std::max(cellWidth, image.width());
    cellHeight = std::max(cellHeight, image.height());
  }
  const int count = static_cast<int>(images.size());
  const int cols = std::min(columns, count);
  const int rows = (count + cols - 1) / cols;
  QImage sheet(kGap + cols * (cellWidth + kGap), kGap + rows * (cellHeight + kCaption + kGap), QImage::Format_RGB32);
  sheet.fill(QColor(43, 47, 51));
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(13);
  painter.setFont(font);
  painter.setPen(QColor(225, 228, 232));
  for (int i = 0; i < count; ++i) {
    const int x = kGap + (i % cols) * (cellWidth + kGap);
    const int y = kGap + (i / cols) * (cellHeight + kCaption + kGap);
    painter.drawImage(x, y, images[static_cast<std::size_t>(i)]);
    painter.drawText(QRect(x, y + cellHeight + 2, cellWidth, kCaption - 2), Qt::AlignHCenter | Qt::AlignTop,
                     names[static_cast<std::size_t>(i)]);
  }
  painter.end();
  return sheet.save(QString::fromStdString(path), "PNG");
}

}  // namespace sp::tour
