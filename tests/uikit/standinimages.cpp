#include "tests/uikit/standinimages.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace sp::test {

namespace {

QImage Blank(QSize size) {
  QImage img(size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

void Save(const QImage& img, const std::string& path) {
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
  img.save(QString::fromStdString(path));
}

void Caption(QPainter& p, const QRect& r, const QString& text, QColor color) {
  p.setPen(color);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(14);
  p.setFont(f);
  p.drawText(r, Qt::AlignCenter, text);
}

QImage Background(QSize size, QColor top, QColor bottom) {
  QImage img(size, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(img.rect(), g);
  return img;
}

// A strip of four 104 x 39 cells: a rounded frame with a see-through face
// so that the caption drawn under the strip shows.
QImage ButtonStrip(QColor face) {
  QImage img = Blank(QSize(104, 156));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor faces[] = {face, face.darker(150), face.lighter(140), QColor(90, 90, 90)};
  for (int i = 0; i < 4; ++i) {
    const QRectF cell(2.5, i * 39 + 2.5, 99, 34);
    QColor fill = faces[i];
    fill.setAlpha(110);
    p.setPen(QPen(faces[i].lighter(160), 2));
    p.setBrush(fill);
    p.drawRoundedRect(cell, 8, 8);
  }
  return img;
}

QImage Picture(QSize size, QColor color, const QString& name) {
  QImage img = Blank(size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(color.lighter(150), 3));
  p.setBrush(color);
  p.drawRoundedRect(QRectF(QPointF(4, 4), QSizeF(size) - QSizeF(8, 8)), 12, 12);
  Caption(p, img.rect(), name, Qt::white);
  return img;
}

}  // namespace

QColor FrameColor(int i) {
  static const QColor colors[] = {QColor(220, 60, 60),  QColor(60, 200, 80),  QColor(70, 110, 230),
                                  QColor(230, 200, 50), QColor(200, 80, 220), QColor(60, 210, 210)};
  return colors[((i % 6) + 6) % 6];
}

void WriteFlatImage(const std::string& path, QSize size, QColor color) {
  QImage img(size, QImage::Format_ARGB32);
  img.fill(color);
  Save(img, path);
}

void WriteStrip(const std::string& path, QSize frameSize, int frames) {
  QImage img(frameSize.width() * frames, frameSize.height(), QImage::Format_ARGB32);
  QPainter p(&img);
  for (int i = 0; i < frames; ++i) {
    const QRect r(i * frameSize.width(), 0, frameSize.width(), frameSize.height());
    p.fillRect(r, FrameColor(i));
    Caption(p, r, QStringLiteral("frame %1").arg(i), Qt::black);
  }
  p.end();
  Save(img, path);
}

void WriteStandInImages(const std::string& imageFolder, const std::string& bitmapFolder) {
  const auto at = [&](const char* name) { return imageFolder + "/" + name; };
  Save(Background(QSize(563, 467), QColor(34, 40, 52), QColor(12, 14, 20)), at("cbackground.jpg"));
  {
    QImage main = Background(QSize(722, 532), QColor(34, 40, 52), QColor(12, 14, 20));
    QPainter p(&main);
    p.fillRect(QRect(0, 0, 157, 532), QColor(210, 214, 222));  // the step column
    Caption(p, QRect(0, 10, 157, 40), QStringLiteral("stand-in"), QColor(120, 120, 120));
    p.end();
    Save(main, at("background.png"));
  }
  Save(Picture(QSize(152, 44), QColor(90, 170, 230, 160), QString()), at("select_step.png"));
  Save(Picture(QSize(563, 250), QColor(60, 70, 90), QStringLiteral("welcome.png")), at("welcome.png"));
  Save(ButtonStrip(QColor(40, 110, 200)), at("btn-next.png"));
  Save(ButtonStrip(QColor(60, 60, 70)), at("btn-back.png"));
  Save(ButtonStrip(QColor(150, 50, 50)), at("btn-cancel.png"));
  Save(Picture(QSize(19, 20), QColor(40, 170, 60), QString()), at("check_ico.png"));
  Save(Picture(QSize(19, 20), QColor(230, 150, 30), QString()), at("check_ico_bd.png"));
  Save(Picture(QSize(38, 40), QColor(220, 180, 0), QStringLiteral("!")), at("warning.png"));
  for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
    const QString name = QStringLiteral("step%1.png").arg(n);
    Save(Picture(QSize(563, 320), QColor(50 + n * 12, 70, 110), name), imageFolder + "/" + name.toStdString());
  }
  Save(Picture(QSize(160, 150), QColor(70, 90, 130), QStringLiteral("computer")), at("computer.png"));
  Save(Picture(QSize(150, 90), QColor(70, 120, 90), QStringLiteral("router")), at("router_s.png"));
  Save(Picture(QSize(150, 160), QColor(110, 80, 120), QStringLiteral("VBX-207")), at("VBX-207.png"));
  WriteStrip(at("1-power.png"), QSize(500, 60), 3);
  WriteStrip(at("2-line.png"), QSize(500, 40), 4);
  WriteStrip(at("3-line.png"), QSize(500, 40), 3);

  const auto bmp = [&](int id) { return bitmapFolder + "/" + std::to_string(id) + ".png"; };
  WriteFlatImage(bmp(154), QSize(7, 35), QColor(90, 90, 90));
  WriteFlatImage(bmp(153), QSize(137, 35), QColor(70, 70, 70));
  {
    QImage right(QSize(33, 35), QImage::Format_ARGB32);
    right.fill(QColor(90, 90, 90));
    QPainter p(&right);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(10, 13), QPointF(23, 13), QPointF(16.5, 21)}));
    p.end();
    Save(right, bmp(152));
  }
  WriteFlatImage(bmp(139), QSize(4, 17), QColor(120, 120, 120));
  WriteFlatImage(bmp(140), QSize(4, 17), QColor(120, 120, 120));
  WriteFlatImage(bmp(142), QSize(4, 3), QColor(150, 150, 150));
  WriteFlatImage(bmp(143), QSize(4, 3), QColor(150, 150, 150));
}

}  // namespace sp::test
