#include "devtools/artgen/sheets.h"

#include "devtools/artgen/artkit.h"
#include "pages/install/core/installframes.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace sp::art {

using namespace preview;

namespace {

// The install page's own frames of `step`, in the order the animation
// shows them.
QStringList StepFrames(int step) {
  sp::InstallFrames frames;
  sp::BuildInstallFrames(step, frames);
  QStringList used;
  for (const std::string& f : frames)
    if (!f.empty()) used << QString::fromStdString(f);
  return used;
}

}  // namespace

std::vector<QImage> InstallFrames(const Images& images, int step) {
  const QStringList lists = StepFrames(step);
  const char* captions[] = {"Step 1/3, install the hard drive", "Step 2/3, connect to your network",
                            "Step 3/3, power on"};
  std::vector<QImage> out;
  QImage surface(563, 467, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::black);
  for (const QString& list : lists) {
    ComposeList(surface, images, list, false);
    QImage page = surface;
    DrawLabel(page, {QRect(30, 20, 400, 60), 20, true, QColor(0x3D, 0xB4, 0xE9), captions[step]});
    DrawButton(page, images, "btn-back.png", {222, 413}, "Back", ButtonState::Normal);
    DrawButton(page, images, "btn-next.png", {336, 413}, "Next", ButtonState::Normal);
    DrawButton(page, images, "btn-cancel.png", {449, 413}, "Cancel", ButtonState::Normal);
    out.push_back(page);
  }
  return out;
}

QImage Filmstrip(const std::vector<QImage>& frames, int perRow) {
  if (frames.empty()) return QImage();
  const int w = frames[0].width() / 2;
  const int h = frames[0].height() / 2;
  const int rows = (static_cast<int>(frames.size()) + perRow - 1) / perRow;
  QImage sheet(perRow * (w + 8) + 8, rows * (h + 24) + 8, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0x30, 0x34, 0x3A));
  QPainter p(&sheet);
  Prepare(p);
  for (size_t i = 0; i < frames.size(); ++i) {
    const int col = static_cast<int>(i) % perRow;
    const int row = static_cast<int>(i) / perRow;
    const QRect cell(8 + col * (w + 8), 8 + row * (h + 24), w, h);
    p.drawImage(cell, frames[i]);
    Text(p, QPointF(cell.left(), cell.bottom() + 16), QString("frame %1").arg(i), UiFont(12), Qt::white);
  }
  return sheet;
}

QImage ButtonSheet(const Images& images) {
  struct Row {
    const char* strip;
    const char* caption;
  };
  const Row rows[] = {{"btn-back.png", "Back"},      {"btn-next.png", "Next"},       {"btn-cancel.png", "Cancel"},
                      {"btn-cancel.png", "Refresh"}, {"btn-cancel.png", "Identify"}, {"btn-cancel.png", "Advanced"},
                      {"btn-cancel.png", "Finish"}};
  const QImage back = images.Load("cbackground.jpg");
  const int n = static_cast<int>(std::size(rows));
  QImage sheet(4 * 124 + 20, n * 56 + 30, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0x30, 0x34, 0x3A));
  const char* states[] = {"normal", "pressed", "hovered", "disabled"};
  for (int s = 0; s < 4; ++s) {
    QPainter p(&sheet);
    Text(p, QPointF(12 + s * 124, 18), states[s], UiFont(12), Qt::white);
  }
  for (int r = 0; r < n; ++r) {
    for (int s = 0; s < 4; ++s) {
      // Each button sits on the page background at its real spot (x 449,
      // y 413); the sheet shows that corner of the page around it.
      QImage page = back.isNull() ? QImage(563, 467, QImage::Format_ARGB32_Premultiplied) : back;
      DrawButton(page, images, rows[r].strip, {449, 413}, rows[r].caption, static_cast<ButtonState>(s));
      QPainter p(&sheet);
      p.drawImage(QPoint(10 + s * 124, 28 + r * 56), page, QRect(439, 405, 114, 55));
    }
  }
  return sheet;
}

QImage ComboSheet(const Images& images, const QString& bitmapDir) {
  QImage page = images.Load("cbackground.jpg");
  if (page.isNull()) return page;
  DrawCombo(page, bitmapDir, QRect(40, 300, 200, 31), "English", {});
  DrawCombo(page, bitmapDir, QRect(300, 120, 200, 31), "Simplified Chinese",
            {"English", "Simplified Chinese", "Traditional Chinese", "Korean", "German"});
  DrawCombo(page, bitmapDir, QRect(40, 120, 120, 31), "Jan", {"Jan"});
  return page.copy(0, 90, 563, 260);
}

QImage ContactSheet(const QString& assetDir) {
  QFileInfoList files;
  for (const char* sub : {"english", "bitmaps"}) {
    const QDir d(QDir(assetDir).filePath(sub));
    files += d.entryInfoList({"*.png", "*.jpg"}, QDir::Files, QDir::Name);
  }
  // Pictures wider than 300 pixels are shown at half size, strips scaled to
  // the sheet's width.
  const int width = 1200;
  int y = 10;
  std::vector<std::pair<QImage, QString>> items;
  for (const QFileInfo& f : files) {
    QImage img(f.filePath());
    if (img.isNull()) continue;
    if (img.width() > 300) img = img.scaledToWidth(img.width() / 2, Qt::SmoothTransformation);
    if (img.width() > width - 20) img = img.scaledToWidth(width - 20, Qt::SmoothTransformation);
    items.emplace_back(img, f.dir().dirName() + "/" + f.fileName());
  }
  // Flow layout, rows as high as their tallest picture.
  std::vector<QRect> spots;
  int x = 10;
  int rowH = 0;
  for (const auto& [img, name] : items) {
    const int w = std::max(img.width(), 120);
    if (x + w > width - 10) {
      x = 10;
      y += rowH + 30;
      rowH = 0;
    }
    spots.emplace_back(x, y, img.width(), img.height());
    x += w + 14;
    rowH = std::max(rowH, img.height());
  }
  QImage sheet(width, y + rowH + 40, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0x26, 0x2A, 0x30));
  QPainter p(&sheet);
  Prepare(p);
  for (size_t i = 0; i < items.size(); ++i) {
    const QRect& r = spots[i];
    // A checker under each picture shows where it is transparent.
    for (int cy = r.top(); cy < r.bottom(); cy += 8)
      for (int cx = r.left(); cx < r.right(); cx += 8)
        p.fillRect(QRect(cx, cy, 8, 8) & r, ((cx - r.left()) / 8 + (cy - r.top()) / 8) % 2 ? QColor(0x44, 0x48, 0x50)
                                                                                           : QColor(0x3A, 0x3E, 0x46));
    p.drawImage(r.topLeft(), items[i].first);
    Text(p, QPointF(r.left(), r.bottom() + 16), items[i].second, UiFont(11), QColor(0xDD, 0xE2, 0xE8));
  }
  return sheet;
}

}  // namespace sp::art
