#pragma once
// One run of mini-HTML text with the font, alignment and link in force where
// it stood. The parser produces atoms; layout places copies of them (runs)
// with a rectangle, an ascent and a line number.
#include <algorithm>
#include <cstdint>
#include <string>

#include "uikit/core/chtmlfont.h"

namespace sp {

// A rectangle in pixels; right and bottom are exclusive, as in Windows.
struct HtmlRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  void Offset(int dx, int dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  // Union that ignores empty rectangles on either side.
  HtmlRect United(const HtmlRect& o) const {
    if (o.IsEmpty()) return *this;
    if (IsEmpty()) return o;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
  }
  bool operator==(const HtmlRect&) const = default;
};

enum HtmlAlign : std::int16_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

class CHTMLAtom {
 public:
  CHTMLAtom() = default;
  CHTMLAtom(const CHTMLAtom&) = default;
  CHTMLAtom& operator=(const CHTMLAtom&) = default;
  virtual ~CHTMLAtom() = default;

  std::u16string text;  // entities decoded; a line break is CR LF
  CHTMLFont font;
  HtmlRect rect;   // set by layout
  int ascent = 0;  // set by layout: the font's ascent in pixels
  std::int16_t alignment = kAlignLeft;
  int line = 0;         // set by layout: line number from 0
  std::u16string link;  // empty when the text is not a link
  std::uint8_t hover = 0;
};

}  // namespace sp
