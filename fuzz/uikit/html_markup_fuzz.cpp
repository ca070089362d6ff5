// Label markup comes from the string table and from the appliance (names,
// descriptions): any text must parse, lay out and hit-test without harm.
// Input is UTF-8, or raw UTF-16LE units after a "\xFF\xFE" mark (to reach
// lone surrogates).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"
#include "uikit/core/chtmldrawer.h"
#include "uikit/core/fixedtextmeasurer.h"
#include "uikit/core/htmlmarkup.h"

namespace {

class NullPainter : public sp::ITextPainter {
 public:
  void DrawText(const sp::CHTMLFont&, const sp::HtmlRect&, std::u16string_view text) override { chars += text.size(); }
  std::size_t chars = 0;
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void LayOut(std::u16string_view markup, const sp::HtmlRect& rect) {
  sp::FixedTextMeasurer measurer;
  sp::CHTMLDrawer drawer;
  drawer.Layout(rect, measurer, markup, sp::CHTMLFont());
  int line = 0;
  std::size_t links = 0;
  for (const auto& run : drawer.Runs()) {
    Check(run->line >= line);  // lines never go back
    line = run->line;
    Check(!run->text.empty());
    if (!run->link.empty()) {
      Check(links < drawer.Links().size() && drawer.Links()[links] == run.get());
      ++links;
    }
  }
  Check(links == drawer.Links().size());
  for (const sp::CHTMLAtom* link : drawer.Links()) {
    if (link->rect.IsEmpty()) continue;
    const sp::CHTMLAtom* hit = drawer.HitTest(link->rect.left, link->rect.top);
    Check(hit != nullptr && hit->rect.Contains(link->rect.left, link->rect.top));
    const auto change = drawer.SetHover(hit);
    Check(hit->hover == 1);
    (void)change;
  }
  drawer.SetHover(nullptr);
  NullPainter painter;
  drawer.Draw(painter, 255, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;  // labels are short; layout is quadratic in the worst case
  std::u16string markup;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (std::size_t i = 2; i + 1 < size; i += 2) markup.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    markup = sp::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  const sp::HtmlAtomList atoms = sp::ParseMarkup(markup, sp::CHTMLFont());
  std::size_t total = 0;
  for (const auto& a : atoms) total += a->text.size();
  Check(total <= markup.size() + 2 * atoms.size());  // decoding never grows text
  LayOut(markup, {5, 5, 495, 95});                   // a wide description label
  LayOut(markup, {5, 5, 140, 35});                   // a step label
  LayOut(markup, {5, 5, 5, 5});                      // no room at all
  return 0;
}
