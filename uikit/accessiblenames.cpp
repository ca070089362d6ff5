#include "uikit/accessiblenames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <vector>

#include "uikit/chtmlstatic.h"

namespace sp {

namespace {

// Set on a name this file gave, so it may be replaced when the caption
// changes; a name the page set is left alone.
constexpr char kOwnName[] = "sp_captionName";
constexpr char kNamingScheduled[] = "sp_namingScheduled";
constexpr int kRowReach = 240;    // how far left of a control its caption may start
constexpr int kColumnReach = 60;  // how far above

class LabelAccessible : public QAccessibleWidget {
 public:
  explicit LabelAccessible(CHTMLStatic* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
  QAccessible::Role role() const override {
    return Label()->Drawer().Links().empty() ? QAccessible::StaticText : QAccessible::Link;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Label()->PlainText();
    return QAccessibleWidget::text(t);
  }

 private:
  CHTMLStatic* Label() const { return static_cast<CHTMLStatic*>(widget()); }
};

QAccessibleInterface* LabelFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("sp::CHTMLStatic") && object && object->isWidgetType()) {
    return new LabelAccessible(static_cast<CHTMLStatic*>(object));
  }
  return nullptr;
}

// A control whose name would otherwise be empty.
bool NeedsCaption(QWidget* w) {
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().isEmpty();
  return qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QLineEdit*>(w) ||
         qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w);
}

struct Caption {
  QRect text;  // where its text is drawn
  QString name;
};

// The caption of the row `control` is in: the nearest text on its left
// that covers its middle (on its right, for a check box or radio button).
QString RowCaption(const std::vector<Caption>& captions, const QRect& control, bool onRight) {
  const int cy = control.center().y();
  int best = INT_MAX;
  QString name;
  for (const Caption& c : captions) {
    if (c.text.top() > cy || c.text.bottom() < cy) continue;
    const int gap = onRight ? c.text.left() - control.right() : control.left() - c.text.right();
    if (gap >= -4 && gap <= kRowReach && gap < best) {
      best = gap;
      name = c.name;
    }
  }
  return name;
}

// The caption over `control`'s column: the nearest text above whose middle
// is over the control.
QString ColumnCaption(const std::vector<Caption>& captions, const QRect& control) {
  int best = INT_MAX;
  QString name;
  for (const Caption& c : captions) {
    const int cx = c.text.center().x();
    const int gap = control.top() - c.text.bottom();
    if (cx < control.left() || cx > control.right() || gap < -4 || gap > kColumnReach || gap >= best) continue;
    best = gap;
    name = c.name;
  }
  return name;
}

// The row's caption; in a grid (more controls in the row) with the
// column's heading after it; without a row caption, the caption above.
QString CaptionFor(const std::vector<Caption>& captions, const QRect& rect, bool captionRight, bool inGrid) {
  QString row = RowCaption(captions, rect, false);
  if (captionRight && row.isEmpty()) row = RowCaption(captions, rect, true);
  if (!row.isEmpty() && !inGrid) return row;
  const QString column = ColumnCaption(captions, rect);
  if (row.isEmpty()) return column;
  return column.isEmpty() ? row : row + QStringLiteral(", ") + column;
}

void Name(QWidget* control, const QString& name) {
  if (!control->accessibleName().isEmpty() && !control->property(kOwnName).toBool()) return;
  control->setAccessibleName(name);
  // On Linux a combo box reads its current entry as its name (the caption
  // travels as a relation, which only a QLabel buddy makes); the
  // description carries the caption there.
  if (qobject_cast<QComboBox*>(control)) control->setAccessibleDescription(name);
  control->setProperty(kOwnName, true);
}

bool CaptionOnRight(QWidget* w) {
  auto* button = qobject_cast<QAbstractButton*>(w);
  return button && button->isCheckable();
}

}  // namespace

void InstallAccessibleLabels() {
  static const bool installed = [] {
    QAccessible::installFactory(LabelFactory);
    return true;
  }();
  (void)installed;
}

// The caption nearest to `rect` among `labels`, without a closing colon.
void NameControlsFromCaptions(QWidget* page) {
  if (!page) return;
  page->setProperty(kNamingScheduled, false);
  std::vector<Caption> labels;
  for (CHTMLStatic* label : page->findChildren<CHTMLStatic*>(Qt::FindDirectChildrenOnly)) {
    if (!label->isVisibleTo(page)) continue;
    QString name = label->PlainText().simplified();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    if (!name.trimmed().isEmpty()) labels.push_back({label->TextRect(), name.trimmed()});
  }
  const QList<QWidget*> controls = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* control : controls) {
    if (NeedsCaption(control)) {
      const QRect r = control->geometry();
      const bool inGrid = std::any_of(controls.begin(), controls.end(), [&](QWidget* other) {
        return other != control && NeedsCaption(other) && other->isVisibleTo(page) &&
               r.top() <= other->geometry().center().y() && other->geometry().center().y() <= r.bottom();
      });
      Name(control, CaptionFor(labels, r, CaptionOnRight(control), inGrid));
      continue;
    }
    // (A page among the window's children is no such control: it has
    // captions of its own.)
    if (qobject_cast<CHTMLStatic*>(control) || !control->isVisibleTo(page)) continue;
    if (!control->findChildren<CHTMLStatic*>(Qt::FindDirectChildrenOnly).isEmpty()) continue;
    // A control made of parts (an address of four fields): each part is
    // the caption's, counted left to right.
    std::vector<QWidget*> parts;
    for (QWidget* part : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (NeedsCaption(part)) parts.push_back(part);
    }
    if (parts.empty()) continue;
    std::sort(parts.begin(), parts.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    const QString caption = CaptionFor(labels, control->geometry(), false, false);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      Name(parts[i],
           parts.size() == 1 ? caption : QStringLiteral("%1, %2 of %3").arg(caption).arg(i + 1).arg(parts.size()));
    }
  }
}

void ScheduleNamingControls(QWidget* page) {
  if (!page || page->property(kNamingScheduled).toBool()) return;
  page->setProperty(kNamingScheduled, true);
  QTimer::singleShot(0, page, [target = QPointer<QWidget>(page)] {
    if (target) NameControlsFromCaptions(target);
  });
}

}  // namespace sp
