#pragma once
// A deterministic text measurer: every character has a fixed advance that
// depends only on the font's pixel height. For tests, fuzzing and benchmarks
// of the layout engine, where real font metrics would make results depend on
// the installed fonts.
//
//   em       = |PixelHeight()| of the font (13 for 10 points)
//   advance  = em / 2 per character (+1 when bold); characters from U+2E80
//              on (CJK) take twice that; a surrogate pair is one character
//   height   = em + em / 4
//   ascent   = em
#include <cstdlib>
#include <string_view>

#include "uikit/core/textmeasurer.h"

namespace sp {

class FixedTextMeasurer : public ITextMeasurer {
 public:
  void SelectFont(const CHTMLFont& font) override {
    em_ = std::abs(font.PixelHeight());
    if (em_ > 100000) em_ = 100000;
    advance_ = em_ / 2 + (font.bold ? 1 : 0);
    ++selects_;
  }
  TextSize Measure(std::u16string_view text) override {
    ++measures_;
    long long w = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c >= 0xDC00 && c <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) {
        continue;  // second half of a pair
      }
      w += (c >= 0x2E80 && !(c >= 0xDC00 && c <= 0xDFFF)) ? 2 * advance_ : advance_;
    }
    if (w > 1000000000) w = 1000000000;
    return {static_cast<int>(w), em_ + em_ / 4};
  }
  int Ascent() override { return em_; }

  int em() const { return em_; }
  int advance() const { return advance_; }
  long measures() const { return measures_; }
  long selects() const { return selects_; }

 private:
  int em_ = 13;
  int advance_ = 6;
  long measures_ = 0;
  long selects_ = 0;
};

}  // namespace sp
