#pragma once
// Text measuring for the mini-HTML layout over QFontMetrics: the real
// screen fonts of MakeScreenFont, so that labels wrap where they will draw.
#include <QFont>
#include <QFontMetrics>
#include <optional>

#include "uikit/core/textmeasurer.h"

namespace sp {

class QtTextMeasurer : public ITextMeasurer {
 public:
  explicit QtTextMeasurer(int dpi = 96) : dpi_(dpi) {}
  void SelectFont(const CHTMLFont& font) override;
  TextSize Measure(std::u16string_view text) override;
  int Ascent() override;

 private:
  int dpi_;
  std::optional<CHTMLFont> state_;  // the font state `metrics_` was made for
  std::optional<QFontMetrics> metrics_;
};

}  // namespace sp
