// The Chinese texts are drawn with real glyphs: the labels' Arial has no
// Chinese characters, so they must come from the CJK font by fallback.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QRawFont>
#include <QTextLayout>

#include "uikit/core/chtmlfont.h"
#include "uikit/screenfont.h"

namespace sp {
namespace {

// Families that draw `text` in `font`, with whether every glyph was found.
std::vector<QString> DrawingFamilies(const QFont& font, const QString& text, bool* allFound) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  std::vector<QString> families;
  *allFound = true;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    families.push_back(run.rawFont().familyName());
    for (quint32 glyph : run.glyphIndexes()) *allFound = *allFound && glyph != 0;
  }
  return families;
}

TEST(Fonts, ChineseTextsFallBackToTheCjkFont) {
  ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("WenQuanYi Zen Hei")))
      << "fonts-wqy-zenhei is needed for the Chinese modules";
  CHTMLFont arial;
  arial.face = u"Arial";
  arial.sizeNumber = 4;
  for (const char* text : {"欢迎使用本向导", "歡迎使用本精靈", "第 1/3 步，安装硬盘"}) {
    bool allFound = false;
    const auto families = DrawingFamilies(MakeScreenFont(arial), QString::fromUtf8(text), &allFound);
    EXPECT_TRUE(allFound) << text;
    EXPECT_TRUE(std::find(families.begin(), families.end(), QStringLiteral("WenQuanYi Zen Hei")) != families.end())
        << text;
  }
}

}  // namespace
}  // namespace sp
