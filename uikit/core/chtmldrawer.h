#pragma once
// Layout, drawing and hit testing of mini-HTML text.
//
// Layout places the atoms of the markup on lines inside a rectangle:
//  - a fragment fits when x + width < right edge (strictly);
//  - a line that is full is cut back a word at a time, where a word is a run
//    of ASCII letters; digits, punctuation, spaces and every other character
//    (Chinese text, for one) break anywhere, and a fragment may keep a
//    trailing space;
//  - a word wider than an empty line is placed character by character
//    (at least one character per line);
//  - every run of a line is moved down so that its baseline sits H below the
//    line's top, where H is the height of the run whose ascent first exceeded
//    the running value; a wrapped line keeps H, a break resets it to 0;
//  - two breaks in a row leave an empty line as high as a space, plus 1;
//  - lines are aligned by the alignment of their first run.
#include <memory>
#include <string_view>
#include <vector>

#include "uikit/core/chtmlatom.h"
#include "uikit/core/chtmlfont.h"
#include "uikit/core/textmeasurer.h"

namespace sp {

class CHTMLDrawer {
 public:
  CHTMLDrawer() = default;
  CHTMLDrawer(const CHTMLDrawer&) = delete;
  CHTMLDrawer& operator=(const CHTMLDrawer&) = delete;
  virtual ~CHTMLDrawer() = default;

  // Parses `markup` from the font state `base` and lays it out in `rect`,
  // replacing the runs and links held. Returns the greatest bottom edge of
  // all runs (rect.top when there is none).
  int Layout(const HtmlRect& rect, ITextMeasurer& measurer, std::u16string_view markup, const CHTMLFont& base);

  // Draws every run in order; a run with its hover flag set is drawn in
  // `hoverColor` and with `hoverUnderline` instead of its own.
  void Draw(ITextPainter& painter, ColorRef hoverColor, bool hoverUnderline) const;

  // The first link run whose rectangle contains (x, y), or null.
  const CHTMLAtom* HitTest(int x, int y) const;

  struct HoverChange {
    bool changed = false;
    HtmlRect area;  // union of the rectangles of the runs whose flag changed
  };
  // Sets the hover flag on `hot` (one of the link runs, or null for none) and
  // clears it on every other link run.
  HoverChange SetHover(const CHTMLAtom* hot);

  void Clear();

  const std::vector<std::unique_ptr<CHTMLAtom>>& Runs() const { return runs_; }
  const std::vector<CHTMLAtom*>& Links() const { return links_; }

 private:
  std::vector<std::unique_ptr<CHTMLAtom>> runs_;
  std::vector<CHTMLAtom*> links_;  // runs whose link is not empty, in run order
};

}  // namespace sp
