#include "uikit/qttextmeasurer.h"

#include <QString>

#include "uikit/screenfont.h"

namespace sp {

void QtTextMeasurer::SelectFont(const CHTMLFont& font) {
  // Consecutive atoms mostly share one state; making fonts is not free.
  if (state_ && *state_ == font) return;
  state_ = font;
  metrics_.emplace(MakeScreenFont(font, dpi_));
}

TextSize QtTextMeasurer::Measure(std::u16string_view text) {
  if (!metrics_) SelectFont(CHTMLFont());
  const QString s(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
  return {metrics_->horizontalAdvance(s), metrics_->height()};
}

int QtTextMeasurer::Ascent() {
  if (!metrics_) SelectFont(CHTMLFont());
  return metrics_->ascent();
}

}  // namespace sp
