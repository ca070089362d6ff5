// Labels: the wizard's label forms with its real texts, long notes that
// wrap, a link in its normal and hovered state, and Chinese text.
#include "base/text.h"
#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"

namespace sp::gallery {

namespace {

const QSize kPageSize(563, 467);
constexpr const char* kPlain = "cbackground.jpg|0|0|255|0,";

void Titles(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  int y = 10;
  for (int id : {293, 117, 275, 229, 118, 130, 180, 109}) {
    c.Label(QRect(30, y, 400, 60), TitleMarkup(id));
    y += 34;
  }
  for (int id : {119, 135, 165, 184}) {
    c.Label(QRect(30, y, 500, 50), HeadingMarkup(id));
    y += 30;
  }
  written.push_back(c.Save(o.outFolder, "labels-titles-headings"));
}

void Notes(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 10, 500, 100), LabelMarkup(107, "DarkOrange"));
  c.Label(QRect(30, 95, 500, 100), LabelMarkup(158, "DarkOrange"));
  c.Label(QRect(30, 195, 450, 100), LabelMarkup(156, "DarkOrange"));
  c.Label(QRect(30, 265, 420, 100), LabelMarkup(169, "DarkOrange"));
  c.Label(QRect(30, 345, 500, 60), HeadingMarkup(171));
  c.Label(QRect(30, 410, 400, 50), LabelMarkup(282));
  written.push_back(c.Save(o.outFolder, "labels-notes"));
}

void Forms(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Config, kPageSize, o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(310, 10, 240, 60),
          Markup("<font face=Arial size=5 color=%s><p align=right><b>%s</b></p></font>", "#3DB4E9", Text(106).c_str()));
  c.Label(QRect(35, 70, 500, 50), LabelMarkup(111));
  c.Label(QRect(35, 100, 500, 30), LabelMarkup(159));
  c.Label(QRect(40, 140, 500, 30), HeadingMarkup(165));
  c.Label(QRect(50, 170, 500, 100), LabelMarkup(166));
  c.Label(QRect(40, 170, 50, 100), LabelMarkup(289, "#3DB4E9"));
  c.Label(QRect(15, 260, 300, 50),
          Markup("<font face=Arial size=4 color=white><b>%s</b><br>%s</font>", Text(267).c_str(), Text(268).c_str()));
  const int xs[] = {100, 215, 330, 445};
  for (int i = 0; i < 4; ++i) {
    c.Label(QRect(xs[i], 320, 110, 30),
            Markup("<font face=Arial size=4 color=white><p align=center>%s</p></font>", Text(237 + i).c_str()));
  }
  c.Label(QRect(30, 340, 500, 70), Markup("<font face=Arial size=4 color=white>%s</font>",
                                          "Sizes: <font size=1>1</font> <font size=2>2</font> "
                                          "<font size=3>3</font> <font size=+1>4</font> "
                                          "<font size=5>5</font> <font size=6>6</font> "
                                          "<font size=7>7</font> <font size=8>8</font>"));
  c.Label(QRect(30, 415, 500, 40),
          Markup("<font face=Arial size=4 color=white><i>italic</i> <u>underlined</u> <b>bold</b> "
                 "&lt;tag&gt; &quot;quoted&quot; <font color=#FFF>#FFF</font> <font color=Khaki>Khaki</font></font>"));
  written.push_back(c.Save(o.outFolder, "labels-forms"));
}

void StepList(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::MainWindow, QSize(160, 532), o.imageFolder);
  c.Compose("background.png|0|0|255|0|0|0,select_step.png|0|233|255|0|152|44,");
  for (int k = 1; k <= 5; ++k) {
    c.Label(QRect(4, 145 + 45 * (k - 1), 145, 40), Markup("<font face=Arial size=8 color=%s><b>%s</b></font>",
                                                          k == 3 ? "black" : "gray", Text(100 + k).c_str()));
  }
  c.Label(QRect(5, 493, 145, 40), Markup("<font face=Arial size=3 color=gray><b>%s</b></font>", "v1.0.0.0"));
  written.push_back(c.Save(o.outFolder, "labels-step-list"));
}

void Links(const Options& o, std::vector<std::string>& written) {
  for (bool hovered : {false, true}) {
    PageCanvas c(SurfaceKind::Config, QSize(563, 200), o.imageFolder);
    c.Compose(kPlain);
    auto* label = c.Label(QRect(30, 20, 300, 120),
                          Markup("<font face=Arial size=4 color=white>Open the <a href=\"http://10.77.0.2\">"
                                 "appliance web pages</a> to change advanced settings.</font>"));
    label->EnsureLayout();
    if (hovered && !label->Drawer().Links().empty()) {
      const HtmlRect r = label->Drawer().Links().back()->rect;
      label->UpdateHover(QPoint(r.left + 1, r.top + 1));
    }
    written.push_back(c.Save(o.outFolder, hovered ? "labels-link-hovered" : "labels-link"));
  }
}

void Chinese(const Options& o, std::vector<std::string>& written) {
  PageCanvas c(SurfaceKind::Config, QSize(563, 200), o.imageFolder);
  c.Compose(kPlain);
  c.Label(QRect(30, 20, 400, 60),
          Markup("<font face=Arial size=5 color=%s><b>%s</b></font>", "#3DB4E9", "第 1/3 步，安装硬盘"));
  c.Label(QRect(30, 70, 300, 120),
          Markup("<font face=Arial size=%d color=%s>%s</font>", 4, "DarkOrange",
                 "此向导将引导您完成新 NAS 的设置。它将创建 NAS 和/或 iSCSI 共享文件夹并自动挂载到您的系统。"));
  written.push_back(c.Save(o.outFolder, "labels-chinese"));
}

}  // namespace

void RenderLabels(const Options& o, std::vector<std::string>& written) {
  Titles(o, written);
  Notes(o, written);
  Forms(o, written);
  StepList(o, written);
  Links(o, written);
  Chinese(o, written);
}

}  // namespace sp::gallery
