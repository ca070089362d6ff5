// The preview pages: every page state of the wizard that shows artwork,
// composed from the same layer lists the pages use.
#include "devtools/artgen/preview.h"

#include "devtools/artgen/artkit.h"
#include "devtools/artgen/compose.h"
#include "devtools/artgen/sheets.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>

namespace sp::art {

using namespace preview;

namespace {

const QColor kTitle(0x3D, 0xB4, 0xE9);
const QColor kOrange(0xFF, 0xA5, 0x00);
const QColor kDarkOrange(0xFF, 0x7A, 0x00);
constexpr int kTitlePx = 20;  // size 5
constexpr int kBodyPx = 15;   // size 4

QImage Surface() {
  QImage s(563, 467, QImage::Format_ARGB32_Premultiplied);
  s.fill(Qt::black);  // a missing background shows as black, not as a pass
  return s;
}

void Title(QImage& s, const QString& text) { DrawLabel(s, {QRect(30, 20, 400, 60), kTitlePx, true, kTitle, text}); }

void StandardButtons(QImage& s, const Images& im, bool back, bool nextEnabled) {
  if (back) DrawButton(s, im, "btn-back.png", {222, 413}, "Back", ButtonState::Normal);
  DrawButton(s, im, "btn-next.png", {336, 413}, "Next", nextEnabled ? ButtonState::Normal : ButtonState::Disabled);
  DrawButton(s, im, "btn-cancel.png", {449, 413}, "Cancel", ButtonState::Normal);
}

QImage WelcomePage(const Images& im, bool ticked) {
  QImage s = Surface();
  ComposeList(s, im, "cbackground.jpg|0|0|255|0|0|0,welcome.png|0|30|255|0|0|0,", true);
  DrawLabel(s, {QRect(310, 10, 240, 60), kTitlePx, true, kTitle, "2-Bay Vaultline<br>VBX-207", true});
  DrawLabel(s, {QRect(30, 290, 500, 100), kBodyPx, false, kDarkOrange,
                "This wizard will guide you through the setup of your new NAS. It will create a NAS "
                "and/or iSCSI shared folder and mount to your system automatically. All data in the "
                "NAS will be deleted."});
  DrawLabel(s,
            {QRect(48, 360, 500, 40), kBodyPx, false, kDarkOrange, "Yes, I want to use this wizard to setup my NAS."});
  DrawCheckBox(s, {32, 370}, ticked);
  DrawButton(s, im, "btn-next.png", {336, 413}, "Next", ticked ? ButtonState::Normal : ButtonState::Disabled);
  DrawButton(s, im, "btn-cancel.png", {449, 413}, "Cancel", ButtonState::Normal);
  return s;
}

// The connection check page: 0 checking row 1, 1 checking row 2, 2 passed,
// 3 row 1 failed, 4 row 2 failed.
QImage CheckPage(const Images& im, int state) {
  QImage s = Surface();
  ComposeList(s, im, "cbackground.jpg|0|0|255|0,", true);
  const char* lists[] = {
      "cbackground.jpg|0|0|255|0|0|0,check_ico_bd.png|77|110|255|0|0|0,",
      "check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,",
      "cbackground.jpg|0|0|255|0|0|0,check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,",
      "cbackground.jpg|0|0|255|0|0|0,warning.png|77|110|255|0|19|20,",
      "cbackground.jpg|0|0|255|0|0|0,warning.png|77|110|255|0|19|20,warning.png|77|138|255|0|19|20,"};
  if (state == 1) ComposeList(s, im, lists[0], true);  // row 2 is drawn over row 1's picture
  ComposeList(s, im, lists[state], true);
  Title(s, "Checking Connection");
  const bool failed = state >= 3;
  DrawLabel(s, {QRect(35, 58, 500, 50), kBodyPx, false, Qt::white, failed ? "Failed" : "Please wait..."});
  DrawLabel(s, {QRect(100, 102, 500, 30), kBodyPx, false, Qt::white,
                failed ? "Network adapter not connected" : "Network adapter enabled"});
  if (!failed) DrawLabel(s, {QRect(100, 132, 300, 30), kBodyPx, false, Qt::white, "Status check completed"});
  if (state < 2) DrawProgress(s, QRect(70, 177, 300, 20), state == 0 ? 35 : 80);
  if (state == 2) DrawLabel(s, {QRect(35, 360, 500, 50), kBodyPx, false, Qt::white, "Click <b>NEXT</b> to continue."});
  if (failed) {
    DrawLabel(s, {QRect(40, 230, 500, 30), kBodyPx, true, Qt::white, "Please check the following items:"});
    DrawLabel(s, {QRect(50, 260, 500, 100), kBodyPx, false, Qt::white,
                  " Check there is a network interface with your PC<br> Make sure the network interface "
                  "is enabled<br> Connect the cable to ethernet port<br>"});
    DrawLabel(s, {QRect(40, 260, 50, 100), kBodyPx, false, kTitle, "1<br>2<br>3<br>"});
  }
  StandardButtons(s, im, true, state == 2);
  return s;
}

// The final page: 0 formatting, 1 sharing, 2 done with the summary.
QImage FinalPage(const Images& im, int state) {
  QImage s = Surface();
  const char* lists[] = {"cbackground.jpg|0|0|255|0,check_ico_bd.png|77|110|255|0|0|0,",
                         "cbackground.jpg|0|0|255|0,check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,",
                         "cbackground.jpg|0|0|255|0,"};
  ComposeList(s, im, lists[state], false);
  Title(s, "Format and setup shared folder");
  if (state < 2) {
    DrawLabel(s, {QRect(35, 58, 500, 50), kBodyPx, false, Qt::white, "Please wait..."});
    DrawLabel(s, {QRect(100, 102, 500, 30), kBodyPx, false, Qt::white, "Format hard disk"});
    DrawLabel(s, {QRect(100, 132, 300, 30), kBodyPx, false, Qt::white, "Setup shared folder"});
    DrawProgress(s, QRect(70, 177, 300, 20), state == 0 ? 30 : 85);
  } else {
    DrawLabel(s, {QRect(35, 60, 500, 30), kBodyPx, true, Qt::white, "VBX-207 Information"});
    const char* rows[][2] = {{"Device time", "2024/05/14 10:21"},
                             {"Device IP address", "192.168.1.120"},
                             {"Webpage login password", "********"},
                             {"NAS shared folder path", "N: (Volume1)"},
                             {"NAS size", "1862 GB"},
                             {"NAS level", "RAID 1"}};
    for (int i = 0; i < 6; ++i) {
      DrawLabel(s, {QRect(55, 90 + 30 * i, 500, 30), kBodyPx, false, Qt::white, QString(rows[i][0]) + ":"});
      const int w = QFontMetrics(UiFont(kBodyPx)).horizontalAdvance(QString(rows[i][0]) + ": ");
      DrawLabel(s, {QRect(55 + w, 90 + 30 * i, 500 - w, 30), kBodyPx, false, kOrange, rows[i][1]});
    }
  }
  DrawButton(s, im, "btn-cancel.png", {449, 413}, "Finish", state == 2 ? ButtonState::Normal : ButtonState::Disabled);
  return s;
}

QImage ConfigPage(const Images& im) {
  QImage s = Surface();
  ComposeList(s, im, "cbackground.jpg|0|0|255|0,", false);
  Title(s, "Select your NAS");
  QPainter p(&s);
  p.fillRect(QRect(36, 77, 490, 231), QColor(0xFF, 0xFF, 0xFF));
  p.end();
  DrawLabel(s, {QRect(40, 310, 420, 100), kBodyPx, false, kDarkOrange,
                "Note: If you have multiple units on your network and can not distinguish which unit you "
                "are configuring, click the [IDENTIFY] button to cause your units drive bay lights to turn PURPLE."});
  DrawButton(s, im, "btn-cancel.png", {449, 30}, "Identify", ButtonState::Hovered);
  DrawButton(s, im, "btn-cancel.png", {108, 413}, "Refresh", ButtonState::Normal);
  StandardButtons(s, im, true, true);
  return s;
}

const char* const kSteps[] = {"Welcome", "Check Connection", "Install", "Configure Network", "Configure NAS"};

QImage MainWindow(const Images& im, int step, const QImage& page) {
  QImage w(722, 532, QImage::Format_ARGB32_Premultiplied);
  w.fill(QColor(0x5A, 0x62, 0x6E));  // the desktop behind the rounded corners
  QImage win(722, 532, QImage::Format_ARGB32_Premultiplied);
  win.fill(Qt::black);
  ComposeList(win, im, QString("background.png|0|0|255|0|0|0,select_step.png|0|%1|255|0|152|44,").arg(143 + 45 * step),
              true);
  {
    QPainter p(&win);
    p.drawImage(QPoint(157, 64), page);
  }
  for (int k = 0; k < 5; ++k)
    DrawLabel(win,
              {QRect(4, 145 + 45 * k, 145, 40), 15, true, k == step ? Qt::black : QColor(0x80, 0x80, 0x80), kSteps[k]});
  DrawLabel(win, {QRect(5, 493, 145, 40), 13, true, QColor(0x80, 0x80, 0x80), "v1.0.0.0"});
  QPainter p(&w);
  Prepare(p);
  p.setClipPath(RoundRect(QRectF(0, 0, 722, 532), 16));
  p.drawImage(0, 0, win);
  return w;
}

bool Save(const QImage& img, const QDir& dir, const QString& name) {
  // Preview files are for looking at: quick compression is enough.
  QImageWriter w(dir.filePath(name), "png");
  w.setQuality(90);
  if (w.write(img.convertToFormat(QImage::Format_ARGB32))) return true;
  std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(dir.filePath(name)));
  return false;
}

}  // namespace

bool WritePreview(const QString& assetDir, const QString& previewDir) {
  const QDir dir(previewDir);
  if (!dir.mkpath(QStringLiteral("."))) return false;
  const Images im(QDir(assetDir).filePath(QStringLiteral("english")));
  bool ok = true;

  const QImage welcome = WelcomePage(im, true);
  ok &= Save(WelcomePage(im, false), dir, "page-welcome.png");
  QImage check[5];
  for (int i = 0; i < 5; ++i) {
    check[i] = CheckPage(im, i);
    ok &= Save(check[i], dir, QString("page-check-%1.png").arg(i));
  }
  QImage final[3];
  for (int i = 0; i < 3; ++i) {
    final[i] = FinalPage(im, i);
    ok &= Save(final[i], dir, QString("page-final-%1.png").arg(i));
  }
  const QImage config = ConfigPage(im);
  ok &= Save(config, dir, "page-config.png");

  std::vector<QImage> guide[3];
  for (int step = 0; step < 3; ++step) {
    guide[step] = InstallFrames(im, step);
    for (size_t f = 0; f < guide[step].size(); ++f)
      ok &= Save(guide[step][f], dir, QString("install-%1-%2.png").arg(step).arg(f, 2, 10, QChar('0')));
    ok &= Save(Filmstrip(guide[step], 4), dir, QString("install-%1-film.png").arg(step));
  }

  const QImage pages[5] = {welcome, check[2], guide[1].size() > 13 ? guide[1][13] : check[2], config, final[2]};
  for (int k = 0; k < 5; ++k) ok &= Save(MainWindow(im, k, pages[k]), dir, QString("window-%1.png").arg(k + 1));

  ok &= Save(ButtonSheet(im), dir, "buttons.png");
  ok &= Save(ComboSheet(im, QDir(assetDir).filePath(QStringLiteral("bitmaps"))), dir, "combo.png");
  ok &= Save(ContactSheet(assetDir), dir, "contact.png");
  return ok;
}

}  // namespace sp::art
