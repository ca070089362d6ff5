#include "uikit/core/htmlmarkup.h"

#include <gtest/gtest.h>

#include <string>

#include "uikit/core/htmlcolors.h"

namespace sp {
namespace {

HtmlAtomList Parse(std::u16string_view m) { return ParseMarkup(m, CHTMLFont()); }

std::u16string Texts(const HtmlAtomList& atoms) {
  std::u16string all;
  for (const auto& a : atoms) all += a->text + u"|";
  return all;
}

ColorRef Color(std::u16string_view value, ColorRef start = 0x123456) {
  ApplyColorValue(value, start);
  return start;
}

TEST(MarkupTest, CutsTextAndTagsIntoAtoms) {
  EXPECT_TRUE(Parse(u"").empty());
  auto plain = Parse(u"Hello  world");
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0]->text, u"Hello  world");  // spaces are not collapsed
  EXPECT_EQ(plain[0]->font, CHTMLFont());

  // The wizard's title form.
  auto title = Parse(u"<font face=Arial size=5 color=#3DB4E9><b>Step 1/3, install</b></font>");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_EQ(title[0]->font.face, u"Arial");
  EXPECT_EQ(title[0]->font.sizeNumber, 5);
  EXPECT_DOUBLE_EQ(title[0]->font.pointSize, 15.0);
  EXPECT_EQ(title[0]->font.color, MakeColorRef(0x3D, 0xB4, 0xE9));
  EXPECT_EQ(title[0]->font.bold, 1);

  // A "<" without a later ">" is text; tags before it still apply.
  auto open = Parse(u"<b>a < b");
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0]->text, u"a < b");
  EXPECT_EQ(open[0]->font.bold, 1);
  EXPECT_EQ(Texts(Parse(u"x<y")), u"x<y|");
  EXPECT_EQ(Texts(Parse(u"x>y<z")), u"x>y<z|");
  EXPECT_EQ(Texts(Parse(u"<>")), u"");
}

TEST(MarkupTest, LineBreaksFollowTheLineEmptyFlag) {
  // "p" at the very start breaks nothing; "br" always breaks.
  EXPECT_EQ(Texts(Parse(u"<p>a")), u"a|");
  EXPECT_EQ(Texts(Parse(u"<br>a")), u"\r\n|a|");
  EXPECT_EQ(Texts(Parse(u"a<br><p>b")), u"a|\r\n|b|");
  // "center" after text breaks, then centres; "/center" breaks and resets.
  auto c = Parse(u"a<center>b</center>c");
  ASSERT_EQ(Texts(c), u"a|\r\n|b|\r\n|c|");
  EXPECT_EQ(c[0]->alignment, kAlignLeft);
  EXPECT_EQ(c[1]->alignment, kAlignCenter);  // the break carries the new state
  EXPECT_EQ(c[2]->alignment, kAlignCenter);
  EXPECT_EQ(c[4]->alignment, kAlignLeft);
  // A literal CR LF does not set the flag: a following "p" still breaks.
  EXPECT_EQ(Texts(Parse(u"a\r\n<p>b")), u"a\r\n|\r\n|b|");
  // Any tag starting with p acts as p.
  EXPECT_EQ(Texts(Parse(u"a<pre>b")), u"a|\r\n|b|");
  auto right = Parse(u"<font size=5><p align=right><b>2-Bay<br>VBX-207</b></p></font>");
  ASSERT_EQ(Texts(right), u"2-Bay|\r\n|VBX-207|\r\n|");
  EXPECT_EQ(right[0]->alignment, kAlignRight);
  EXPECT_EQ(right[2]->alignment, kAlignRight);
  EXPECT_EQ(right[3]->alignment, kAlignLeft);
  EXPECT_EQ(Parse(u"<P ALIGN=Center>x")[0]->alignment, kAlignCenter);
  EXPECT_EQ(Parse(u"<p align=middle>x")[0]->alignment, kAlignLeft);
}

TEST(MarkupTest, StyleTagsAreSwitchesAndFontTagsNest) {
  auto b = Parse(u"<b><B>x</b>y<strong>z</STRONG><i>i</em><u>u</u>");
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(b[0]->font.bold, 1);
  EXPECT_EQ(b[1]->font.bold, 0);  // one closing tag ends any number of openings
  EXPECT_EQ(b[2]->font.bold, 1);
  EXPECT_EQ(b[3]->font.italic, 1);
  EXPECT_EQ(b[4]->font.italic, 0);
  EXPECT_EQ(b[4]->font.underline, 1);

  auto f = Parse(u"<font color=red>r<font color=blue>b</font>r2</font>base</font>x");
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0]->font.color, MakeColorRef(255, 0, 0));
  EXPECT_EQ(f[1]->font.color, MakeColorRef(0, 0, 255));
  EXPECT_EQ(f[2]->font.color, MakeColorRef(255, 0, 0));
  EXPECT_EQ(f[3]->font.color, 0u);  // stack empty after: extra "/font" does nothing
  EXPECT_EQ(f[4]->font.color, 0u);
  // Empty values are skipped; unknown attributes and tags are ignored.
  auto e = Parse(u"<font face=\"\" size=\"\" colour=red bogus>x<table>y");
  EXPECT_EQ(e[0]->font, CHTMLFont());
  EXPECT_EQ(Texts(e), u"x|y|");
}

TEST(MarkupTest, LinksStartWithAAndEndWithSlashA) {
  auto l = Parse(u"see <a href=\"http://10.0.0.5\">the <b>web</b> page</a> now");
  ASSERT_EQ(l.size(), 5u);
  EXPECT_TRUE(l[0]->link.empty());
  EXPECT_EQ(l[1]->link, u"http://10.0.0.5");
  EXPECT_EQ(l[2]->link, u"http://10.0.0.5");
  EXPECT_EQ(l[2]->font.bold, 1);
  EXPECT_TRUE(l[4]->link.empty());
  // Any tag starting with a acts as a; "/abbr" ends the link.
  // Attributes are read from the third character on.
  EXPECT_EQ(Parse(u"<ab href=x>t")[0]->link, u"x");
  EXPECT_TRUE(Parse(u"<abbr href=x>t")[0]->link.empty());  // the name reads "br href"
  EXPECT_TRUE(Parse(u"<a href=x></abbr>t")[0]->link.empty());
}

TEST(MarkupTest, AttributesAreReadAsTheyStand) {
  auto a = ParseAttributes(u" face = \"Ms Shell Dlg\" size=+1 color='red' x");
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].name, u"face");
  EXPECT_EQ(a[0].value, u"Ms Shell Dlg");
  EXPECT_EQ(a[1].value, u"+1");
  EXPECT_EQ(a[2].value, u"'red'");  // single quotes mean nothing
  // A quote without its partner: empty value, the rest is read on.
  auto q = ParseAttributes(u"face=\"Arial size=5");
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0].value, u"");
  EXPECT_EQ(q[1].name, u"\"Arial size");
  EXPECT_EQ(q[1].value, u"5");
  EXPECT_TRUE(ParseAttributes(u"no pairs here").empty());
}

TEST(MarkupTest, SizesCompoundOnTheScale) {
  EXPECT_DOUBLE_EQ(Parse(u"<font size=8>x")[0]->font.pointSize, 11.8);
  EXPECT_DOUBLE_EQ(Parse(u"<font size=4>x")[0]->font.pointSize, 11.25);
  EXPECT_DOUBLE_EQ(Parse(u"<font size=1>x")[0]->font.pointSize, 6.25);
  EXPECT_DOUBLE_EQ(Parse(u"<font size=10>x")[0]->font.pointSize, 37.5);
  auto rel = Parse(u"<font size=+1>a<font size=-1>b");
  EXPECT_EQ(rel[0]->font.sizeNumber, 4);
  EXPECT_DOUBLE_EQ(rel[0]->font.pointSize, 11.25);
  EXPECT_EQ(rel[1]->font.sizeNumber, 3);
  EXPECT_DOUBLE_EQ(rel[1]->font.pointSize, 10.0);
  // Trailing letters read as 0: size number 0, factor 1.0 like size 3.
  const CHTMLAtom px = *Parse(u"<font size=5px>x")[0];
  EXPECT_EQ(px.font.sizeNumber, 0);
  EXPECT_DOUBLE_EQ(px.font.pointSize, 10.0);
  EXPECT_EQ(ParseSizeNumber(u" \t7\t "), 7);
  EXPECT_EQ(ParseSizeNumber(u"7 x"), 0);
  EXPECT_EQ(ParseSizeNumber(u""), 0);
  // Huge relative sizes saturate instead of overflowing.
  const CHTMLAtom big = *Parse(u"<font size=+2147483647><font size=+2147483647>x")[0];
  EXPECT_EQ(big.font.sizeNumber, 2147483647);
  EXPECT_LT(big.font.PixelHeight(), 0);
}

TEST(MarkupTest, ColoursByNameAndByHexDigits) {
  EXPECT_EQ(Color(u"orange"), MakeColorRef(255, 165, 0));
  EXPECT_EQ(Color(u"DarkOrange"), MakeColorRef(255, 122, 0));
  EXPECT_EQ(Color(u"KHAKI"), MakeColorRef(0xF0, 0xE8, 0x6C));
  EXPECT_EQ(Color(u"Mocassin"), MakeColorRef(0xFF, 0xE4, 0xB5));
  EXPECT_EQ(Color(u"Moccasin"), 0x123456u);  // only the table's spelling
  EXPECT_EQ(Color(u"grey"), 0x123456u);
  EXPECT_EQ(Color(u"cyan"), Color(u"Aqua"));
  EXPECT_EQ(Color(u"magenta"), MakeColorRef(255, 0, 255));
  EXPECT_EQ(Color(u"#FFF"), MakeColorRef(0, 0x0F, 0xFF));  // 000FFF: a blue
  EXPECT_EQ(Color(u"#"), 0u);
  EXPECT_EQ(Color(u"#3db4e9ZZ"), MakeColorRef(0x3D, 0xB4, 0xE9));
  EXPECT_EQ(Color(u"#G1 F2 3"), MakeColorRef(0x01, 0x0F, 0x02));  // pairs "G1", " F", "2 "
  EXPECT_EQ(Color(u"3DB4E9"), 0x123456u);
  EXPECT_EQ(ColorNameCount(), 140u);
  for (const char* name :
       {"AliceBlue", "CornSilk", "LightGoldenrodYellow", "YellowGreen", "DarkSlateGray", "MediumSpringGreen"}) {
    EXPECT_NE(LookupColorName(std::u16string(name, name + std::char_traits<char>::length(name))), nullptr) << name;
  }
}

TEST(MarkupTest, EntitiesAreDecodedFromTheStartAgain) {
  EXPECT_EQ(DecodeEntities(u"&quot;x&QUOT;"), u"\"x\"");
  EXPECT_EQ(DecodeEntities(u"a&lt;b&gt;c"), u"a<b>c");
  EXPECT_EQ(DecodeEntities(u"&amp;lt;"), u"<");
  EXPECT_EQ(DecodeEntities(u"&amp;amp;amp;"), u"&");
  EXPECT_EQ(DecodeEntities(u"a&nbsp;b"), u"ab");  // unknown entities vanish
  EXPECT_EQ(DecodeEntities(u"AT&T"), u"AT&T");
  EXPECT_EQ(DecodeEntities(u"x;&y"), u"x;&y");
  EXPECT_EQ(DecodeEntities(u"Time (US && Canada); x"), u"Time (US  x");
  EXPECT_EQ(Texts(Parse(u"<b>&lt;b&gt;</b>")), u"<b>|");
}

TEST(MarkupTest, PixelHeightsOfTheFontState) {
  CHTMLFont f;
  EXPECT_EQ(f.PixelHeight(), -13);
  f.pointSize = 15;
  EXPECT_EQ(f.PixelHeight(), -20);
  f.pointSize = 11.8;
  EXPECT_EQ(f.PixelHeight(), -15);
  EXPECT_EQ(f.PixelHeight(90), -14);
  f.bold = 1;
  EXPECT_EQ(f.Weight(), 700);
}

}  // namespace
}  // namespace sp
