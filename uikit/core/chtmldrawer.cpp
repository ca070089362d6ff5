#include "uikit/core/chtmldrawer.h"

#include <algorithm>

#include "uikit/core/htmlmarkup.h"

namespace sp {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

// Units of the character that starts at `i` (a surrogate pair is one character).
std::size_t CharUnits(std::u16string_view s, std::size_t i) {
  return (i + 1 < s.size() && IsHighSurrogate(s[i]) && IsLowSurrogate(s[i + 1])) ? 2 : 1;
}

// One cut of a fragment that does not fit: its trailing run of ASCII letters
// (a word) if it ends in one, otherwise its last character.
std::size_t CutOnce(std::u16string_view s) {
  std::size_t n = s.size();
  if (n == 0) return 0;
  if (IsAsciiLetter(s[n - 1])) {
    while (n > 0 && IsAsciiLetter(s[n - 1])) --n;
    return n;
  }
  if (n >= 2 && IsLowSurrogate(s[n - 1]) && IsHighSurrogate(s[n - 2])) return n - 2;
  return n - 1;
}

// Places the atoms of one layout, line by line.
class LinePlacer {
 public:
  LinePlacer(const HtmlRect& rect, ITextMeasurer& m, std::vector<std::unique_ptr<CHTMLAtom>>& runs,
             std::vector<CHTMLAtom*>& links)
      : rect_(rect), m_(m), runs_(runs), links_(links), x_(rect.left), y_(rect.top) {}

  // Lays out one atom; its text ends at a CR LF when `endsLine` is set.
  void PlaceAtom(const CHTMLAtom& atom, std::u16string_view text, bool endsLine) {
    m_.SelectFont(atom.font);
    while (!text.empty()) {
      TextSize size = m_.Measure(text);
      std::size_t take = text.size();
      const bool full = !Fits(size);
      if (full) {
        take = FittingCut(text, size);
        if (take == 0 && runs_.size() == lineFirst_) take = CharByChar(text, size);
      }
      if (take > 0) {
        Place(atom, text.substr(0, take), size);
        text.remove_prefix(take);
      }
      if (full) {
        EndLine();
        x_ = rect_.left;
        while (!text.empty() && IsWhite(text.front())) text.remove_prefix(1);
        ++line_;
      }
    }
    if (endsLine) {
      EndLine();
      h_ = 0;
      x_ = rect_.left;
      ++line_;
    }
  }

  // The last line is lowered like any other but y does not advance.
  void Finish() { LowerToBaseline(); }

 private:
  bool Fits(const TextSize& s) const { return static_cast<long long>(x_) + s.width < rect_.right; }

  // Length of the longest cut of `text` that fits, 0 when none does. Widths
  // grow with the text, so the cuts (longest first) are searched by halves.
  std::size_t FittingCut(std::u16string_view text, TextSize& size) {
    std::vector<std::size_t> cuts;  // strictly decreasing lengths, ending in 0
    for (std::size_t n = CutOnce(text);; n = CutOnce(text.substr(0, n))) {
      cuts.push_back(n);
      if (n == 0) break;
    }
    std::size_t lo = 0, hi = cuts.size() - 1;  // cuts[hi] == 0 always "fits"
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      const TextSize s = m_.Measure(text.substr(0, cuts[mid]));
      if (Fits(s)) {
        hi = mid;
        size = s;  // the last fitting cut measured is the one returned
      } else {
        lo = mid + 1;
      }
    }
    return cuts[hi];
  }

  // A word wider than an empty line: as many characters as end at or before
  // the right edge, at least one.
  std::size_t CharByChar(std::u16string_view text, TextSize& size) {
    std::size_t n = CharUnits(text, 0);
    size = m_.Measure(text.substr(0, n));
    while (n < text.size()) {
      const std::size_t next = n + CharUnits(text, n);
      const TextSize s = m_.Measure(text.substr(0, next));
      if (static_cast<long long>(x_) + s.width > rect_.right) break;
      n = next;
      size = s;
    }
    return n;
  }

  void Place(const CHTMLAtom& atom, std::u16string_view fragment, const TextSize& size) {
    auto run = std::make_unique<CHTMLAtom>(atom);
    run->text = std::u16string(fragment);
    run->rect = {x_, y_, x_ + size.width, y_ + size.height};
    run->ascent = m_.Ascent();
    run->line = line_;
    run->hover = 0;
    if (run->ascent > h_) h_ = size.height;
    x_ += size.width;
    if (!run->link.empty()) links_.push_back(run.get());
    runs_.push_back(std::move(run));
  }

  void LowerToBaseline() {
    for (std::size_t k = lineFirst_; k < runs_.size(); ++k) {
      CHTMLAtom& r = *runs_[k];
      if (r.ascent != h_) r.rect.Offset(0, h_ - r.ascent);
    }
  }

  void EndLine() {
    LowerToBaseline();
    if (runs_.size() == lineFirst_) {
      // An empty line: a space in the default font keeps its height.
      const TextSize space = m_.Measure(u" ");
      auto run = std::make_unique<CHTMLAtom>();
      run->text.assign(1, u' ');
      run->rect = {0, y_, space.width, y_ + space.height};
      run->ascent = m_.Ascent();
      run->line = line_;
      runs_.push_back(std::move(run));
      y_ += space.height + 1;
    } else {
      int lowest = y_;
      for (std::size_t k = lineFirst_; k < runs_.size(); ++k) lowest = std::max(lowest, runs_[k]->rect.bottom);
      y_ = lowest + 1;
    }
    lineFirst_ = runs_.size();
  }

  HtmlRect rect_;
  ITextMeasurer& m_;
  std::vector<std::unique_ptr<CHTMLAtom>>& runs_;
  std::vector<CHTMLAtom*>& links_;
  int x_;
  int y_;
  std::size_t lineFirst_ = 0;
  int h_ = 0;
  int line_ = 0;
};

void AlignLines(std::vector<std::unique_ptr<CHTMLAtom>>& runs, int right) {
  for (std::size_t first = 0; first < runs.size();) {
    std::size_t end = first + 1;
    while (end < runs.size() && runs[end]->line == runs[first]->line) ++end;
    const int e = runs[end - 1]->rect.right;
    int shift = 0;
    if (runs[first]->alignment == kAlignCenter)
      shift = (right - e) / 2;
    else if (runs[first]->alignment == kAlignRight)
      shift = right - e - 1;
    if (shift != 0) {
      for (std::size_t k = first; k < end; ++k) runs[k]->rect.Offset(shift, 0);
    }
    first = end;
  }
}

}  // namespace

int CHTMLDrawer::Layout(const HtmlRect& rect, ITextMeasurer& measurer, std::u16string_view markup,
                        const CHTMLFont& base) {
  Clear();
  const HtmlAtomList atoms = ParseMarkup(markup, base);
  LinePlacer placer(rect, measurer, runs_, links_);
  for (const auto& atom : atoms) {
    // Every CR LF ends a line; the text after it continues as an atom of its
    // own with the same attributes (when it is not empty).
    std::u16string_view text = atom->text;
    for (bool first = true;; first = false) {
      const std::size_t crlf = text.find(u"\r\n");
      if (crlf == std::u16string_view::npos) {
        if (first || !text.empty()) placer.PlaceAtom(*atom, text, false);
        break;
      }
      placer.PlaceAtom(*atom, text.substr(0, crlf), true);
      text.remove_prefix(crlf + 2);
      if (text.empty()) break;
    }
  }
  placer.Finish();
  AlignLines(runs_, rect.right);
  int bottom = rect.top;
  for (const auto& r : runs_) bottom = std::max(bottom, r->rect.bottom);
  return runs_.empty() ? rect.top : bottom;
}

void CHTMLDrawer::Draw(ITextPainter& painter, ColorRef hoverColor, bool hoverUnderline) const {
  for (const auto& run : runs_) {
    CHTMLFont font = run->font;
    if (run->hover) {
      font.color = hoverColor;
      font.underline = hoverUnderline ? 1 : 0;
    }
    painter.DrawText(font, run->rect, run->text);
  }
}

const CHTMLAtom* CHTMLDrawer::HitTest(int x, int y) const {
  for (const CHTMLAtom* run : links_) {
    if (run->rect.Contains(x, y)) return run;
  }
  return nullptr;
}

CHTMLDrawer::HoverChange CHTMLDrawer::SetHover(const CHTMLAtom* hot) {
  HoverChange change;
  for (CHTMLAtom* run : links_) {
    const std::uint8_t flag = run == hot ? 1 : 0;
    if (run->hover != flag) {
      run->hover = flag;
      change.changed = true;
      change.area = change.area.United(run->rect);
    }
  }
  return change;
}

void CHTMLDrawer::Clear() {
  links_.clear();
  runs_.clear();
}

}  // namespace sp
