#pragma once
// What the mini-HTML layout needs from a drawing surface: measure text in a
// font and draw text in a rectangle. The Qt controls supply implementations
// over QFontMetrics and QPainter; tests supply deterministic ones.
#include <string_view>

#include "uikit/core/chtmlatom.h"
#include "uikit/core/chtmlfont.h"

namespace sp {

struct TextSize {
  int width = 0;
  int height = 0;
};

class ITextMeasurer {
 public:
  virtual ~ITextMeasurer() = default;
  // Makes `font` the font of the following measurements.
  virtual void SelectFont(const CHTMLFont& font) = 0;
  // Extent of `text` on one line in the selected font. The height is the
  // font's cell height (ascent + descent), whatever the text.
  virtual TextSize Measure(std::u16string_view text) = 0;
  // Ascent of the selected font in pixels.
  virtual int Ascent() = 0;
};

class ITextPainter {
 public:
  virtual ~ITextPainter() = default;
  // Draws `text` on one line at the top-left of `rect`, without mnemonic or
  // prefix processing, transparently (glyphs only), with the font's colour,
  // weight, slant and underline.
  virtual void DrawText(const CHTMLFont& font, const HtmlRect& rect, std::u16string_view text) = 0;
};

}  // namespace sp
