#include "uikit/core/chtmldrawer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uikit/core/fixedtextmeasurer.h"

namespace sp {
namespace {

// Default font (10 pt): em 13, 6 pixels a character, cell height 16, ascent
// 13, so every run of a line in that font is lowered by 3 (H 16 - ascent 13).
// A control 100 pixels wide lays out between x 5 and x 95.
const HtmlRect kLabel{5, 5, 95, 95};

class DrawerTest : public ::testing::Test {
 protected:
  int Layout(std::u16string_view markup, HtmlRect r = kLabel) { return drawer_.Layout(r, m_, markup, CHTMLFont()); }
  const CHTMLAtom& Run(std::size_t i) { return *drawer_.Runs().at(i); }
  std::vector<std::u16string> Texts() {
    std::vector<std::u16string> t;
    for (const auto& r : drawer_.Runs()) t.push_back(r->text);
    return t;
  }
  FixedTextMeasurer m_;
  CHTMLDrawer drawer_;
};

using Strings = std::vector<std::u16string>;

TEST_F(DrawerTest, FitTestIsStrictAndLinesWrapAtWords) {
  Layout(u"abcdefghij klm");  // 84 pixels: ends at 89
  EXPECT_EQ(Texts(), (Strings{u"abcdefghij klm"}));
  EXPECT_EQ(Run(0).rect, (HtmlRect{5, 8, 89, 24}));

  const int bottom = Layout(u"abcdefghij klmn");           // 90 pixels would end exactly at 95
  EXPECT_EQ(Texts(), (Strings{u"abcdefghij ", u"klmn"}));  // the trailing space stays
  EXPECT_EQ(Run(0).line, 0);
  EXPECT_EQ(Run(1).line, 1);
  EXPECT_EQ(Run(1).rect, (HtmlRect{5, 28, 29, 44}));  // next line at 24 + 1, lowered by 3
  EXPECT_EQ(bottom, 44);

  // A word that does not fit after other text moves whole to the next line.
  Layout(u"abcdefgh ijklmnopq");
  EXPECT_EQ(Texts(), (Strings{u"abcdefgh ", u"ijklmnopq"}));
  // Digits and punctuation break anywhere.
  Layout(u"1234567890.123456");
  EXPECT_EQ(Texts(), (Strings{u"1234567890.123", u"456"}));
}

TEST_F(DrawerTest, WordWiderThanTheLineIsBrokenByCharacters) {
  // Character by character the test is "ends at or before the edge": 15
  // characters end exactly at 95 and stay on the line.
  Layout(u"abcdefghijklmnopqrst");
  EXPECT_EQ(Texts(), (Strings{u"abcdefghijklmno", u"pqrst"}));
  // At least one character per line, even when none fits.
  Layout(u"abc", HtmlRect{5, 5, 8, 95});
  EXPECT_EQ(Texts(), (Strings{u"a", u"b", u"c"}));
  // Chinese text breaks anywhere; a surrogate pair is never split.
  Layout(u"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587");  // 12 px each
  EXPECT_EQ(Texts(), (Strings{u"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\u4E2D", u"\u6587"}));
  Layout(u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600", HtmlRect{5, 5, 40, 95});
  for (const auto& r : drawer_.Runs()) {
    EXPECT_EQ(r->text.size() % 2, 0u);
  }
}

TEST_F(DrawerTest, LineEndsAndEmptyLines) {
  Layout(u"a<br><br>b");
  ASSERT_EQ(Texts(), (Strings{u"a", u" ", u"b"}));
  EXPECT_EQ(Run(0).rect, (HtmlRect{5, 8, 11, 24}));
  // The empty line: a space at x 0, as high as a space, plus 1.
  EXPECT_EQ(Run(1).rect, (HtmlRect{0, 25, 6, 41}));
  EXPECT_EQ(Run(1).line, 1);
  EXPECT_EQ(Run(2).rect, (HtmlRect{5, 45, 11, 61}));
  EXPECT_EQ(Run(2).line, 2);
  // A literal CR LF ends a line like a break; the text after it is its own run.
  Layout(u"<b>ab\r\ncd\r\n</b>");
  EXPECT_EQ(Texts(), (Strings{u"ab", u"cd"}));
  EXPECT_EQ(Run(1).font.bold, 1);
  EXPECT_EQ(Run(1).line, 1);
  // Leading white space of a wrapped remainder is dropped; that of a new
  // atom after a break is kept.
  Layout(u"abcdefghijklmn     xy<br>  z");
  EXPECT_EQ(Texts(), (Strings{u"abcdefghijklmn", u"xy", u"  z"}));
}

TEST_F(DrawerTest, RunsOfDifferentSizesShareOneBaseline) {
  // Size 7 is 30 points: em 40, cell height 50. H becomes 50.
  Layout(u"s<font size=7>B</font>m", HtmlRect{5, 5, 500, 500});
  ASSERT_EQ(Texts(), (Strings{u"s", u"B", u"m"}));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Run(i).rect.top + Run(i).ascent, 5 + 50) << i;
  }
  // A wrapped line keeps H; a line after a break starts again from 0.
  Layout(u"<font size=7>BB</font> abcdef<br>x", HtmlRect{5, 5, 80, 500});
  ASSERT_EQ(Texts(), (Strings{u"BB", u" ", u"abcdef", u"x"}));
  EXPECT_EQ(Run(0).rect, (HtmlRect{5, 15, 45, 65}));  // lowered by H 50 - ascent 40
  EXPECT_EQ(Run(2).line, 1);
  EXPECT_EQ(Run(2).rect.top, 66 + 50 - 13);  // wrapped: still lowered against H 50
  EXPECT_EQ(Run(3).line, 2);
  EXPECT_EQ(Run(3).rect.top, Run(2).rect.bottom + 1 + 3);  // after the break H is 16
}

TEST_F(DrawerTest, LinesAlignByTheirFirstRun) {
  Layout(u"<center>abc</center><p align=right>de</p>f");
  ASSERT_EQ(Texts(), (Strings{u"abc", u"de", u"f"}));
  // Centre: moved by (W - e) / 2 with e = 5 + 18.
  EXPECT_EQ(Run(0).rect.left, 5 + (95 - 23) / 2);
  // Right: moved by W - e - 1.
  EXPECT_EQ(Run(1).rect.right, 94);
  EXPECT_EQ(Run(2).rect.left, 5);
  // The title form of the welcome page, right-aligned on two lines.
  Layout(u"<font face=Arial size=5 color=#3DB4E9><p align=right><b>2-Bay Vaultline<br>VBX-207</b></p></font>",
         HtmlRect{5, 5, 235, 55});
  ASSERT_EQ(drawer_.Runs().size(), 2u);
  EXPECT_EQ(Run(0).rect.right, 234);
  EXPECT_EQ(Run(1).rect.right, 234);
  EXPECT_LT(Run(0).rect.bottom, Run(1).rect.top);
}

TEST_F(DrawerTest, HoverLightsOnlyTheRunUnderTheMouse) {
  Layout(u"go <a href=\"http://nas\">abcdefgh ijklmnop</a> x");
  ASSERT_EQ(drawer_.Links().size(), 2u);  // the link wrapped onto two lines
  const CHTMLAtom* first = drawer_.Links()[0];
  const CHTMLAtom* second = drawer_.Links()[1];
  EXPECT_EQ(first->link, u"http://nas");
  EXPECT_EQ(drawer_.HitTest(first->rect.left, first->rect.top), first);
  EXPECT_EQ(drawer_.HitTest(first->rect.right, first->rect.top), nullptr);  // right edge excluded
  EXPECT_EQ(drawer_.HitTest(second->rect.left + 1, second->rect.bottom - 1), second);
  EXPECT_EQ(drawer_.HitTest(Run(0).rect.left, Run(0).rect.top), nullptr);  // not a link

  auto on = drawer_.SetHover(second);
  EXPECT_TRUE(on.changed);
  EXPECT_EQ(on.area, second->rect);
  EXPECT_EQ(first->hover, 0);
  EXPECT_EQ(second->hover, 1);
  EXPECT_FALSE(drawer_.SetHover(second).changed);
  auto moved = drawer_.SetHover(first);
  EXPECT_EQ(moved.area, first->rect.United(second->rect));
  EXPECT_TRUE(drawer_.SetHover(nullptr).changed);
  EXPECT_EQ(first->hover, 0);
}

class RecordingPainter : public ITextPainter {
 public:
  struct Call {
    CHTMLFont font;
    HtmlRect rect;
    std::u16string text;
  };
  void DrawText(const CHTMLFont& f, const HtmlRect& r, std::u16string_view t) override {
    calls.push_back({f, r, std::u16string(t)});
  }
  std::vector<Call> calls;
};

TEST_F(DrawerTest, DrawUsesTheHoverColourOnHoveredRunsOnly) {
  Layout(u"<font color=white>a <a href=x>link</a></font>");
  ASSERT_EQ(drawer_.Links().size(), 1u);
  drawer_.SetHover(drawer_.Links()[0]);
  RecordingPainter p;
  drawer_.Draw(p, MakeColorRef(255, 0, 0), true);
  ASSERT_EQ(p.calls.size(), 2u);
  EXPECT_EQ(p.calls[0].font.color, MakeColorRef(255, 255, 255));
  EXPECT_EQ(p.calls[0].font.underline, 0);
  EXPECT_EQ(p.calls[1].font.color, MakeColorRef(255, 0, 0));
  EXPECT_EQ(p.calls[1].font.underline, 1);
  EXPECT_EQ(p.calls[1].text, u"link");
  // The run keeps its own font; only the drawing changes.
  EXPECT_EQ(drawer_.Links()[0]->font.color, MakeColorRef(255, 255, 255));
}

TEST_F(DrawerTest, LayoutReplacesEverythingAndHandlesNothing) {
  Layout(u"<a href=x>one</a>");
  EXPECT_EQ(Layout(u""), 5);
  EXPECT_TRUE(drawer_.Runs().empty());
  EXPECT_TRUE(drawer_.Links().empty());
  // A rectangle with no room at all still terminates, one character a line.
  Layout(u"ab cd", HtmlRect{5, 5, 5, 5});
  EXPECT_EQ(Texts(), (Strings{u"a", u"b", u"c", u"d"}));
}

}  // namespace
}  // namespace sp
