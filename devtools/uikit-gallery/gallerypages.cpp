// Page backgrounds: every layer list the main window, the welcome, check
// and final pages compose, with the labels those pages show over them.
#include <QCheckBox>
#include <QProgressBar>

#include "base/text.h"
#include "devtools/uikit-gallery/gallery.h"
#include "devtools/uikit-gallery/pagecanvas.h"

namespace sp::gallery {

namespace {

const QSize kPageSize(563, 467);
const QSize kMainSize(722, 532);
constexpr const char* kPlain = "cbackground.jpg|0|0|255|0,";
constexpr const char* kPlainSix = "cbackground.jpg|0|0|255|0|0|0,";

void MainWindowLabels(PageCanvas& c, int currentStep) {
  for (int k = 1; k <= 5; ++k) {
    c.Label(QRect(4, 145 + 45 * (k - 1), 145, 40), Markup("<font face=Arial size=8 color=%s><b>%s</b></font>",
                                                          k == currentStep ? "black" : "gray", Text(100 + k).c_str()));
  }
  c.Label(QRect(5, 493, 145, 40), Markup("<font face=Arial size=3 color=gray><b>%s</b></font>", "v1.0.0.0"));
}

std::string MainList(int highlightY) {
  return Format("background.png|0|0|255|0|0|0,select_step.png|0|%d|255|0|152|44,", highlightY);
}

void WelcomeContent(PageCanvas& c) {
  c.Compose(std::string(kPlainSix) + "welcome.png|0|30|255|0|0|0,");
  c.Label(QRect(310, 10, 240, 60),
          Markup("<font face=Arial size=5 color=%s><p align=right><b>%s</b></p></font>", "#3DB4E9", Text(106).c_str()));
  c.Label(QRect(30, 290, 500, 100), LabelMarkup(107, "DarkOrange"));
  c.Label(QRect(48, 360, 500, 40), LabelMarkup(108, "DarkOrange"));
  auto* agree = new QCheckBox(c.page());
  agree->setGeometry(32, 370, 13, 13);
  c.StandardButtons(false, true, true);
  c.page()->findChildren<CHoverButtonEx*>().front()->setEnabled(false);  // Next waits for the tick
}

void CheckPage(const Options& o, std::vector<std::string>& written, const std::string& name,
               const std::vector<std::string>& lists, bool failed, bool passed) {
  PageCanvas c(SurfaceKind::Check, kPageSize, o.imageFolder);
  for (const std::string& list : lists) c.Compose(list);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(109));
  if (!failed) {
    c.Label(QRect(35, 58, 500, 50), LabelMarkup(110));
    c.Label(QRect(100, 102, 500, 30), LabelMarkup(112));
    c.Label(QRect(100, 132, 300, 30), LabelMarkup(113));
    if (passed) c.Label(QRect(35, 360, 500, 50), LabelMarkup(111));
  } else {
    c.Label(QRect(35, 58, 500, 50), LabelMarkup(164));
    c.Label(QRect(100, 102, 500, 30), LabelMarkup(163));
    c.Label(QRect(40, 230, 500, 30), HeadingMarkup(165));
    c.Label(QRect(50, 260, 500, 100), LabelMarkup(166));
    c.Label(QRect(40, 260, 50, 100), LabelMarkup(289, "#3DB4E9"));
  }
  c.StandardButtons();
  written.push_back(c.Save(o.outFolder, name));
}

void FinalPage(const Options& o, std::vector<std::string>& written, const std::string& name, const std::string& list,
               int mode) {
  PageCanvas c(SurfaceKind::Final, kPageSize, o.imageFolder);
  c.Compose(list);
  c.Label(QRect(30, 20, 400, 60), TitleMarkup(180));
  if (mode == 0) {  // working
    c.Label(QRect(35, 58, 500, 50), LabelMarkup(181));
    c.Label(QRect(100, 102, 500, 30), LabelMarkup(182));
    c.Label(QRect(100, 132, 300, 30), LabelMarkup(183));
    auto* bar = new QProgressBar(c.page());
    bar->setGeometry(70, 177, 300, 20);
    bar->setValue(40);
  } else if (mode == 1) {  // summary
    c.Label(QRect(35, 60, 500, 30), HeadingMarkup(184));
    const auto row = [&](int y, int id, const char* valueFormat, const std::string& value) {
      const std::string caption = Format("<font face=Arial size=4 color=white>%s:</font>", Text(id).c_str());
      c.Label(QRect(55, y, 500, 30), Markup(valueFormat, caption.c_str(), "orange", value.c_str()));
    };
    const char* plain = "%s<font face=Arial size=4 color=%s> %s</font>";
    row(90, 185, plain, "2026/12/08 14:05:00");
    row(120, 186, plain, "10.77.0.2");
    row(150, 187, plain, "(blank)");
    row(180, 188, "%s<font face=Arial size=4 color=%s> %s (Volume1)</font>", "X:");
    row(210, 189, plain, "465 GB");
    row(240, 190, plain, "Standard");
    row(270, 193, "%s<font face=Arial size=4 color=%s> %s </font>", "Y:");
    row(300, 191, plain, "465 GB");
    row(330, 192, plain, "Standard");
  } else {  // failure
    c.Label(QRect(35, 60, 500, 60), HeadingMarkup(171));
  }
  c.Button(QRect(449, 413, 104, 39), QStringLiteral("Finish"), "btn-cancel.png")->setEnabled(mode != 0);
  written.push_back(c.Save(o.outFolder, name));
}

}  // namespace

void RenderPages(const Options& o, std::vector<std::string>& written) {
  // Main window: the highlight behind each of the five steps.
  const int highlights[] = {143, 188, 233, 278, 323};
  for (int k = 1; k <= 5; ++k) {
    PageCanvas main(SurfaceKind::MainWindow, kMainSize, o.imageFolder);
    main.Compose(MainList(highlights[k - 1]));
    MainWindowLabels(main, k);
    written.push_back(main.Save(o.outFolder, Format("main-window-step%d", k)));
  }
  // The whole window with the welcome page in its page area.
  {
    PageCanvas main(SurfaceKind::MainWindow, kMainSize, o.imageFolder);
    main.Compose(MainList(143));
    MainWindowLabels(main, 1);
    PageCanvas welcome(SurfaceKind::Welcome, QSize(563, 460), o.imageFolder);
    WelcomeContent(welcome);
    welcome.page()->setParent(main.page());
    welcome.page()->move(157, 64);
    welcome.page()->show();
    written.push_back(main.Save(o.outFolder, "wizard-welcome"));
    welcome.page()->setParent(nullptr);
  }
  {
    PageCanvas welcome(SurfaceKind::Welcome, QSize(563, 460), o.imageFolder);
    WelcomeContent(welcome);
    written.push_back(welcome.Save(o.outFolder, "welcome"));
  }

  const std::string row1 = std::string(kPlainSix) + "check_ico_bd.png|77|110|255|0|0|0,";
  const std::string row2 = "check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,";
  CheckPage(o, written, "check-plain", {kPlain}, false, false);
  CheckPage(o, written, "check-row1", {row1}, false, false);
  CheckPage(o, written, "check-row2", {row1, row2}, false, false);  // row 2 drawn over row 1
  CheckPage(o, written, "check-passed",
            {std::string(kPlainSix) + "check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,"}, false, true);
  CheckPage(o, written, "check-row1-failed", {std::string(kPlainSix) + "warning.png|77|110|255|0|19|20,"}, true, false);
  CheckPage(o, written, "check-row2-failed",
            {std::string(kPlainSix) + "warning.png|77|110|255|0|19|20,warning.png|77|138|255|0|19|20,"}, true, false);

  FinalPage(o, written, "final-start", kPlain, 0);
  FinalPage(o, written, "final-format", std::string(kPlain) + "check_ico_bd.png|77|110|255|0|0|0,", 0);
  FinalPage(o, written, "final-share",
            std::string(kPlain) + "check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,", 0);
  FinalPage(o, written, "final-done",
            std::string(kPlain) + "check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,", 0);
  FinalPage(o, written, "final-summary", kPlain, 1);
  FinalPage(o, written, "final-failure", kPlain, 2);
}

std::vector<std::string> RenderGallery(const Options& o) {
  std::vector<std::string> written;
  RenderPages(o, written);
  RenderInstallFrames(o, written);
  RenderButtons(o, written);
  RenderControls(o, written);
  RenderLabels(o, written);
  std::erase(written, std::string());
  return written;
}

}  // namespace sp::gallery
