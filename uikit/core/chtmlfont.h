#pragma once
// The font state of the mini-HTML markup: what a run of text is drawn with.
// A plain value, copied freely (the parser pushes copies on "font" tags).
#include <cstdint>
#include <string>

namespace sp {

// Colours are Windows-style RGB values: red in the low byte, then green, then
// blue (0x00BBGGRR). Markup and controls exchange colours in this form.
using ColorRef = std::uint32_t;
constexpr ColorRef MakeColorRef(int r, int g, int b) {
  return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

class CHTMLFont {
 public:
  std::u16string face = u"Times New Roman";
  double pointSize = 10.0;
  std::uint8_t bold = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::int32_t charSet = 0;  // only the low byte is used; no markup changes it
  ColorRef color = 0;
  std::int32_t sizeNumber = 3;  // the markup's size step (see SizeScale)

  // Logical font height for a context of `dpi` dots per inch: negative (a
  // character height, not a cell height), -(points * dpi / 72) truncated
  // toward zero. 10 points at 96 dpi gives -13, 15 points -20.
  int PixelHeight(int dpi = 96) const;
  // 700 when bold, else 400.
  int Weight() const { return bold ? 700 : 400; }

  bool operator==(const CHTMLFont&) const = default;
};

// Factor of a size number: 1 -> 0.625, 2 -> 0.8, 3 -> 1.0, 4 -> 1.125,
// 5 -> 1.5, 6 -> 2.0, 7 -> 3.0, 8 -> 1.18, 9 and above n * 0.375; 0 or less 1.0.
double SizeScale(int sizeNumber);

}  // namespace sp
