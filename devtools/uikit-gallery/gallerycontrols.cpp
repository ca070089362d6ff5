// The owner-drawn controls on the pages that use them: the skinned lists of
// the time settings (closed, focused and open), the disk page's report
// list, radios, slider and drive letter lists, and the login sub-step.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>

#include "base/text.h"
#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"
#include "uikit/cbitcombobox.h"
#include "uikit/cbitlistbox.h"
#include "uikit/ccolorlist.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp::gallery {

namespace {

const QSize kPageSize(563, 467);
constexpr const char* kPlain = "cbackground.jpg|0|0|255|0,";

CBitComboBox* Combo(PageCanvas& c, const Options& o, const QRect& r, int firstId, int lastId) {
  auto* combo = new CBitComboBox(c.page(), r);
  combo->SetBitmapFolder(o.bitmapFolder);
  combo->SetSelectionFieldHeight(25);
  for (int id = firstId; id <= lastId; ++id) combo->addItem(QString::fromStdString(Text(id)));
  return combo;
}

CBitComboBox* TimeZonePage(PageCanvas& c, const Options& o) {
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(229));
  c.Label(QRect(15, 70, 100, 30), HeadingMarkup(230));
  CBitComboBox* zone = Combo(c, o, QRect(110, 75, 430, 22), 204, 228);
  zone->setCurrentIndex(4);
  c.Label(QRect(15, 110, 200, 30), HeadingMarkup(233));
  (new QCheckBox(c.page()))->setGeometry(195, 122, 13, 13);
  c.Label(QRect(15, 160, 100, 30), LabelMarkup(234));
  Combo(c, o, QRect(110, 165, 100, 22), 231, 232);
  const int xs[] = {100, 215, 330, 445};
  for (int i = 0; i < 4; ++i) {
    c.Label(QRect(xs[i], 205, 110, 30),
            Markup("<font face=Arial size=4 color=white><p align=center>%s</p></font>", Text(237 + i).c_str()));
  }
  c.Label(QRect(15, 235, 90, 30), LabelMarkup(235));
  c.Label(QRect(15, 298, 90, 30), LabelMarkup(236));
  for (int y : {240, 300}) {
    Combo(c, o, QRect(xs[0], y, 110, 22), 241, 252);
    Combo(c, o, QRect(xs[1], y, 110, 22), 253, 257);
    Combo(c, o, QRect(xs[2], y, 110, 22), 258, 264);
    auto* hour = Combo(c, o, QRect(xs[3], y, 110, 22), 0, -1);
    for (int h = 0; h < 24; ++h) {
      hour->addItem(h == 0    ? QStringLiteral("12 am")
                    : h < 12  ? QStringLiteral("%1 am").arg(h)
                    : h == 12 ? QStringLiteral("12 pm")
                              : QStringLiteral("%1 pm").arg(h - 12));
    }
  }
  c.StandardButtons();
  return zone;
}

void DiskList(PageCanvas& c, int disks) {
  auto* list = new CColorList(c.page(), QRect(36, 77, 490, 66));
  const int w = list->width() - 2 * list->frameWidth();  // the client width
  const int shares[] = {4, 10, 13, 15, 8};
  const int ids[] = {161, 131, 132, 133, 134};
  for (int i = 0; i < 5; ++i) list->InsertColumn(QString::fromStdString(Text(ids[i])), w * shares[i] / 50);
  list->AddRow({"1", "KORVA", "VD-500", "S1A2B3C4", "465 GB"});
  if (disks > 1) list->AddRow({"2", "KORVA", "VD-500", "S9Z8Y7X6", "465 GB"});
}

void DiskStep1(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Disk, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(130));
  DiskList(c, 2);
  c.Label(QRect(45, 142, 500, 30), HeadingMarkup(135));
  auto* group = new QButtonGroup(c.page());
  const int ys[] = {180, 210, 240};
  const int labelYs[] = {170, 201, 231};
  for (int i = 0; i < 3; ++i) {
    auto* r = new CTransRadio(c.page(), QRect(80, ys[i], 16, 16), group);
    r->setChecked(i == 0);
    c.Label(QRect(98, labelYs[i], 400, 30), LabelMarkup(138 + i));
  }
  c.Label(QRect(45, 260, 500, 150), LabelMarkup(150, "DarkOrange"));
  c.Label(QRect(45, 300, 450, 100), LabelMarkup(158, "DarkOrange"));
  c.Button(QRect(108, 414, 104, 39), QStringLiteral("Advanced"), "btn-cancel.png");
  c.StandardButtons();
  written.push_back(c.Save(o.outFolder, "disk-step1-profile"));
}

void DiskStep3(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Disk, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(130));
  DiskList(c, 2);
  c.Label(QRect(45, 142, 500, 30), HeadingMarkup(137));
  c.Label(QRect(80, 180, 200, 22), Markup("<font face=Arial size=4 color=white>NAS:%d%% - iSCSI:%d%%</font>", 60, 40));
  auto* slider = new CmySliderControl(c.page(), QRect(80, 210, 200, 25));
  slider->setRange(1, 99);
  slider->setValue(60);
  c.Label(QRect(45, 245, 450, 100), LabelMarkup(156, "DarkOrange"));
  c.Label(QRect(45, 325, 305, 30), LabelMarkup(146));
  c.Label(QRect(45, 365, 305, 30), LabelMarkup(148));
  for (int y : {330, 370}) {
    auto* letters = new CBitComboBox(c.page(), QRect(350, y, 150, 22));
    letters->SetBitmapFolder(o.bitmapFolder);
    for (const char* l : {"E:\\", "F:\\", "X:\\", "Z:\\"}) letters->addItem(QString::fromLatin1(l));
    letters->setCurrentIndex(y == 330 ? 2 : 3);
  }
  c.StandardButtons();
  written.push_back(c.Save(o.outFolder, "disk-step3-ratio"));
}

void DiskStep4(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Disk, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(130));
  DiskList(c, 1);
  c.Label(QRect(45, 140, 500, 30),
          Markup("<font face=Arial size=4 color=white><b>%s, %s, %d GB</b></font>", "KORVA", "S1A2B3C4", 465));
  c.Label(
      QRect(60, 170, 500, 30),
      Markup("<font face=Arial size=4 color=white>NAS: </font><font face=Arial size=4 color=%s> %d GB(Standard)</font>",
             "DarkOrange", 279));
  c.Label(
      QRect(60, 200, 500, 30),
      Markup(
          "<font face=Arial size=4 color=white>iSCSI: </font><font face=Arial size=4 color=%s> %d GB(Standard)</font>",
          "DarkOrange", 186));
  c.Label(QRect(45, 345, 500, 30), LabelMarkup(159));
  c.StandardButtons();
  written.push_back(c.Save(o.outFolder, "disk-step4-summary"));
}

void ConfigLogin(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(117));
  c.Label(QRect(40, 70, 500, 50), HeadingMarkup(119));
  c.Label(QRect(40, 117, 100, 30), LabelMarkup(120));
  c.Label(QRect(40, 149, 100, 30), LabelMarkup(121));
  c.Label(QRect(130, 117, 100, 30), LabelMarkup(162, "DarkOrange"));
  c.Label(QRect(40, 181, 480, 60), LabelMarkup(168, "DarkOrange"));
  auto* password = new QLineEdit(c.page());
  password->setGeometry(135, 155, 150, 22);
  password->setEchoMode(QLineEdit::Password);
  c.StandardButtons();
  written.push_back(c.Save(o.outFolder, "config-login"));
}

}  // namespace

void RenderControls(const Options& o, std::vector<std::string>& written) {
  {
    PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
    TimeZonePage(c, o);
    written.push_back(c.Save(o.outFolder, "config-time-zone"));
  }
  {
    // Focused by keyboard, then open over the page.
    PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
    CBitComboBox* zone = TimeZonePage(c, o);
    c.page()->show();
    QApplication::setActiveWindow(c.page());
    zone->setFocus(Qt::TabFocusReason);
    written.push_back(c.Save(o.outFolder, "config-time-zone-focused"));
    zone->showPopup();
    QWidget* popup = zone->view()->window();
    const QImage list = popup->grab().toImage();
    QImage page = c.Grab();
    QPainter p(&page);
    p.drawImage(c.page()->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), list);
    p.end();
    zone->hidePopup();
    SaveImage(page, o.outFolder, "config-time-zone-open", written);
    SaveImage(list, o.outFolder, "combo-list-open", written);
  }
  ConfigLogin(o, written);
  DiskStep1(o, written);
  DiskStep3(o, written);
  DiskStep4(o, written);
}

}  // namespace sp::gallery
