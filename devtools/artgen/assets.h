// Every picture the wizard reads from its resource folder, and the
// functions that draw them. Grouped by the file that draws them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>
#include <vector>

namespace sp::art {

struct Asset {
  QString folder;  // "english" or "bitmaps", below the output folder
  QString name;    // file name; ".jpg" is written as JPEG, anything else as PNG
  std::function<QImage()> draw;
};

// The full list, in a fixed order.
std::vector<Asset> AllAssets();

// chrome.cpp: the main window frame, the step highlight, the page background.
QImage DrawWindowFrame();     // background.png, 722 x 532
QImage DrawStepHighlight();   // select_step.png, 152 x 44
QImage DrawPageBackground();  // cbackground.jpg, 563 x 467

// controls.cpp: button strips and the combo box skin.
enum class ButtonKind { Back, Next, Secondary };
QImage DrawButtonStrip(ButtonKind kind);  // 104 x 156, four cells
QImage DrawComboPart(int id);             // bitmaps 139, 140, 142, 143, 152, 153, 154

// icons.cpp: the status icons of the check and final pages.
QImage DrawCheckDone();  // check_ico.png
QImage DrawCheckBusy();  // check_ico_bd.png
QImage DrawWarning();    // warning.png

// guide.cpp: the welcome picture and the disk/power-on pictures.
QImage DrawWelcome();         // welcome.png
QImage DrawGuideStep(int n);  // step1.png .. step10.png

// scene.cpp: the pieces of the cabling scene, seen from behind.
QImage DrawSceneAppliance();                        // VBX-207.png
QImage DrawSceneRouter();                           // router_s.png
QImage DrawSceneComputer();                         // computer.png
void DrawSceneFloor(QPainter& p, QPointF imageAt);  // the light the three share

// cables.cpp: the sprite strips of the cabling scene.
QImage DrawPowerStrip();          // 1-power.png, 3 frames
QImage DrawApplianceLineStrip();  // 2-line.png, 4 frames
QImage DrawComputerLineStrip();   // 3-line.png, 3 frames

}  // namespace sp::art
