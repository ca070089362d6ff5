#include "devtools/artgen/assets.h"

namespace sp::art {

std::vector<Asset> AllAssets() {
  const QString en = QStringLiteral("english");
  const QString bm = QStringLiteral("bitmaps");
  std::vector<Asset> list = {
      {en, QStringLiteral("background.png"), DrawWindowFrame},
      {en, QStringLiteral("select_step.png"), DrawStepHighlight},
      {en, QStringLiteral("cbackground.jpg"), DrawPageBackground},
      {en, QStringLiteral("btn-back.png"), [] { return DrawButtonStrip(ButtonKind::Back); }},
      {en, QStringLiteral("btn-next.png"), [] { return DrawButtonStrip(ButtonKind::Next); }},
      {en, QStringLiteral("btn-cancel.png"), [] { return DrawButtonStrip(ButtonKind::Secondary); }},
      {en, QStringLiteral("check_ico.png"), DrawCheckDone},
      {en, QStringLiteral("check_ico_bd.png"), DrawCheckBusy},
      {en, QStringLiteral("warning.png"), DrawWarning},
      {en, QStringLiteral("welcome.png"), DrawWelcome},
  };
  for (int n = 1; n <= 10; ++n)
    list.push_back({en, QStringLiteral("step%1.png").arg(n), [n] { return DrawGuideStep(n); }});
  list.push_back({en, QStringLiteral("computer.png"), DrawSceneComputer});
  list.push_back({en, QStringLiteral("router_s.png"), DrawSceneRouter});
  list.push_back({en, QStringLiteral("VBX-207.png"), DrawSceneAppliance});
  list.push_back({en, QStringLiteral("1-power.png"), DrawPowerStrip});
  list.push_back({en, QStringLiteral("2-line.png"), DrawApplianceLineStrip});
  list.push_back({en, QStringLiteral("3-line.png"), DrawComputerLineStrip});
  for (int id : {139, 140, 142, 143, 152, 153, 154})
    list.push_back({bm, QString::number(id) + QStringLiteral(".png"), [id] { return DrawComboPart(id); }});
  return list;
}

}  // namespace sp::art
