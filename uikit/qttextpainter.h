#pragma once
// Draws laid-out mini-HTML runs with a QPainter: glyphs only, one line per
// run, top-left in the run's rectangle and clipped to it.
#include <QPainter>
#include <optional>

#include "uikit/core/textmeasurer.h"

namespace sp {

class QtTextPainter : public ITextPainter {
 public:
  explicit QtTextPainter(QPainter& painter, int dpi = 96) : painter_(painter), dpi_(dpi) {}
  void DrawText(const CHTMLFont& font, const HtmlRect& rect, std::u16string_view text) override;

 private:
  QPainter& painter_;
  int dpi_;
  std::optional<CHTMLFont> state_;
};

}  // namespace sp
