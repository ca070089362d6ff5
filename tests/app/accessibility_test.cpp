// Every page and sub-step as a screen reader meets it: each visible control
// a person uses has a name (its caption, or the label beside it) and the
// role of what it is, read through the accessibility interfaces.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "app/cmaindlg.h"
#include "framework/core/pageids.h"
#include "pages/config/cconfigdlg_basic.h"
#include "pages/disk/cconfigdlg_hd.h"
#include "pages/install/cinstalldlg.h"
#include "tests/support/wizardfixture.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

// The roles a control of each kind may have; empty: not one a person uses.
std::vector<QAccessible::Role> RolesFor(QWidget* w) {
  if (qobject_cast<QCheckBox*>(w)) return {QAccessible::CheckBox};
  if (qobject_cast<QRadioButton*>(w)) return {QAccessible::RadioButton};
  if (qobject_cast<QAbstractButton*>(w)) return {QAccessible::Button};
  if (qobject_cast<QComboBox*>(w)) return {QAccessible::ComboBox};
  if (qobject_cast<QAbstractItemView*>(w)) return {QAccessible::List, QAccessible::Table, QAccessible::Tree};
  if (qobject_cast<QLineEdit*>(w)) return {QAccessible::EditableText};
  if (qobject_cast<QAbstractSlider*>(w)) return {QAccessible::Slider};
  if (auto* label = qobject_cast<CHTMLStatic*>(w); label && !label->Drawer().Links().empty()) {
    return {QAccessible::Link};
  }
  return {};
}

// Headers, viewports and a combo's own parts speak through their view.
bool IsPartOfAView(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QComboBox*>(p)) return true;
  }
  return false;
}

class Accessibility : public WizardTest {
 protected:
  // Checks the window as it is now; `where` names the stop.
  void CheckStop(const std::string& where) {
    Settle(20);
    int controls = 0;
    for (QWidget* w : Wizard().findChildren<QWidget*>()) {
      if (!w->isVisible() || w->isWindow() || IsPartOfAView(w)) continue;
      const std::vector<QAccessible::Role> roles = RolesFor(w);
      if (roles.empty()) continue;
      ++controls;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(a, nullptr) << where;
      const std::string what = where + ": " + w->metaObject()->className() + " " + w->objectName().toStdString();
      EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << what;
      // A combo's name is its entry here; its caption is the description.
      if (qobject_cast<QComboBox*>(w)) {
        EXPECT_FALSE(a->text(QAccessible::Description).isEmpty()) << what;
      }
      EXPECT_NE(std::find(roles.begin(), roles.end(), a->role()), roles.end()) << what << " role " << a->role();
    }
    EXPECT_GT(controls, 0) << where;
    seen_.push_back(where);
  }
  void Settle(int ms) { QTest::qWait(ms); }
  std::vector<std::string> seen_;
};

TEST_F(Accessibility, EveryControlOnEveryPageAndSubStepHasANameAndARole) {
  CMainDlg& w = Wizard();
  w.ShowPage(kPageWelcome);
  CheckStop("welcome");
  w.ShowPage(kPageCheck);
  CheckStop("check");
  w.ShowPage(kPageInstall);
  for (int step = 0; step < 3; ++step) {
    w.InstallPage()->EnterStep(step);
    CheckStop("install " + std::to_string(step));
  }
  w.ShowPage(kPageConfig);
  for (int step = 0; step < 6; ++step) {
    w.ConfigPage()->ShowSubStep(step);
    CheckStop("config " + std::to_string(step));
  }
  w.ShowPage(kPageDisk);
  for (int step = 1; step <= 4; ++step) {
    w.DiskPage()->ShowSubStep(step);
    CheckStop("disk " + std::to_string(step));
  }
  w.ShowPage(kPageFinal);  // without its services: the failure text and Finish
  CheckStop("final");
  EXPECT_EQ(seen_.size(), 16u);
}

}  // namespace
}  // namespace sp::test
