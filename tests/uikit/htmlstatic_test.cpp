#include <QCheckBox>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

#include "tests/uikit/widgettest.h"
#include "uikit/chtmlstatic.h"
#include "uikit/qttextmeasurer.h"
#include "uikit/screenfont.h"

namespace sp {
namespace {

using test::Rgb;

class HtmlStaticTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    parent_.resize(400, 300);
    parent_.setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    parent_.setPalette(pal);
  }
  CHTMLStatic* Label(const QRect& r, const std::u16string& markup) {
    auto* l = new CHTMLStatic(&parent_, r, markup);
    l->SetLinkOpener([this](const std::u16string& link) {
      opened_.push_back(link);
      return openResult_;
    });
    l->SetMessageSink([this](const std::string& m) { messages_.push_back(m); });
    return l;
  }
  QWidget parent_;
  std::vector<std::u16string> opened_;
  std::vector<std::string> messages_;
  int openResult_ = 42;
};

const std::u16string kLinkText =
    u"<font face=Arial size=4 color=white>see <a href=\"http://10.77.0.2\">the appliance web pages</a></font>";

TEST_F(HtmlStaticTest, LaysOutLazilyInsideTheMargins) {
  CHTMLStatic* l = Label(QRect(10, 10, 100, 200), u"<font face=Arial>one two three four five six seven</font>");
  EXPECT_FALSE(l->IsLaidOut());
  test::Shot(&parent_);
  ASSERT_TRUE(l->IsLaidOut());
  ASSERT_GT(l->Drawer().Runs().size(), 2u);
  for (const auto& r : l->Drawer().Runs()) {
    EXPECT_GE(r->rect.left, 5);
    EXPECT_LT(r->rect.right, 95);
  }
  l->SetText(u"x");
  EXPECT_FALSE(l->IsLaidOut());
  l->EnsureLayout();
  l->resize(100, 200);  // the same size: the layout stays
  EXPECT_TRUE(l->IsLaidOut());
  l->resize(300, 200);
  EXPECT_FALSE(l->IsLaidOut());
}

TEST_F(HtmlStaticTest, DrawsGlyphsOnlyOverWhatLiesUnderIt) {
  CHTMLStatic* l = Label(QRect(10, 10, 200, 60), u"<font face=Arial size=5 color=#3DB4E9><b>Title</b></font>");
  const QImage shot = test::Shot(&parent_);
  EXPECT_EQ(Rgb(shot, 10 + 150, 10 + 40), QColor(0, 0, 128));  // no background of its own
  bool sawText = false;
  for (int y = 10; y < 40 && !sawText; ++y) {
    for (int x = 15; x < 80; ++x) {
      if (Rgb(shot, x, y) == QColor(0x3D, 0xB4, 0xE9)) sawText = true;
    }
  }
  EXPECT_TRUE(sawText);
  l->SetBackgroundColor(MakeColorRef(0, 255, 0));
  EXPECT_EQ(Rgb(test::Shot(&parent_), 10 + 150, 10 + 40), QColor(0, 255, 0));
}

TEST_F(HtmlStaticTest, HoverLightsTheRunAndShowsAHand) {
  CHTMLStatic* l = Label(QRect(0, 0, 140, 120), kLinkText);
  l->setCursor(Qt::IBeamCursor);
  test::Shot(&parent_);
  EXPECT_TRUE(l->IsHoverTimerActive());       // links exist
  ASSERT_GE(l->Drawer().Links().size(), 2u);  // wrapped onto two lines
  const CHTMLAtom* second = l->Drawer().Links()[1];
  l->UpdateHover(QPoint(second->rect.left + 1, second->rect.top + 1));
  EXPECT_TRUE(l->IsHovering());
  EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(second->hover, 1);
  EXPECT_EQ(l->Drawer().Links()[0]->hover, 0);
  l->UpdateHover(QPoint(1, 110));
  EXPECT_FALSE(l->IsHovering());
  EXPECT_EQ(l->cursor().shape(), Qt::IBeamCursor);  // the cursor it replaced
  EXPECT_EQ(second->hover, 0);

  CHTMLStatic* plain = Label(QRect(0, 150, 140, 40), u"no links");
  test::Shot(&parent_);
  EXPECT_FALSE(plain->IsHoverTimerActive());
}

TEST_F(HtmlStaticTest, HoveredRunIsDrawnRed) {
  CHTMLStatic* l = Label(QRect(0, 0, 300, 60), kLinkText);
  test::Shot(&parent_);
  const CHTMLAtom* link = l->Drawer().Links().at(0);
  const QRect r(link->rect.left, link->rect.top, link->rect.Width(), link->rect.Height());
  const auto redPixels = [&] {
    const QImage shot = test::Shot(&parent_);
    int n = 0;
    for (int y = r.top(); y < r.bottom(); ++y) {
      for (int x = r.left(); x < r.right(); ++x) n += Rgb(shot, x, y) == QColor(255, 0, 0);
    }
    return n;
  };
  EXPECT_EQ(redPixels(), 0);
  l->UpdateHover(QPoint(r.left() + 2, r.top() + 2));
  EXPECT_GT(redPixels(), 20);
}

TEST_F(HtmlStaticTest, ClicksOpenLinksAndFailuresAreReported) {
  CHTMLStatic* l = Label(QRect(0, 0, 300, 60), kLinkText);
  test::Shot(&parent_);
  const CHTMLAtom* link = l->Drawer().Links().at(0);
  const QPoint on(link->rect.left + 2, link->rect.top + 2);
  QTest::mouseClick(l, Qt::LeftButton, {}, on);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], u"http://10.77.0.2");
  EXPECT_TRUE(messages_.empty());
  QTest::mouseClick(l, Qt::LeftButton, {}, QPoint(2, 50));  // not on a link
  EXPECT_EQ(opened_.size(), 1u);

  openResult_ = 26;
  l->ClickAt(on);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Unable to open hyperlink:\r\nA sharing violation occurred. ");
  openResult_ = -1;
  l->ClickAt(on);
  EXPECT_EQ(messages_.back(), "Unable to open hyperlink:\r\nUnknown Error (-1) occurred.");
}

// A mouse click on the window, found by position as the window system
// finds it (not sent to a widget directly).
void ClickWindowAt(QWidget& window, QPoint pos) {
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pos);
  QCoreApplication::processEvents();
}

TEST_F(HtmlStaticTest, PlainLabelsLetClicksThroughToTheControlUnderThem) {
  auto* box = new QCheckBox(&parent_);
  box->setGeometry(10, 20, 13, 13);
  CHTMLStatic* text = Label(QRect(0, 0, 300, 60), u"<font face=Arial size=4 color=white>a text over the box</font>");
  parent_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
  text->EnsureLayout();
  ClickWindowAt(parent_, QPoint(16, 26));
  EXPECT_TRUE(box->isChecked()) << "the click reached the box under the text";

  // A label with a link keeps its clicks.
  text->SetText(kLinkText);
  text->EnsureLayout();
  ClickWindowAt(parent_, QPoint(16, 26));
  EXPECT_TRUE(box->isChecked());
}

TEST_F(HtmlStaticTest, FontsMapToInstalledFacesAndChineseHasGlyphs) {
  EXPECT_EQ(QFontInfo(MakeScreenFont(CHTMLFont{u"Arial"})).family(), QStringLiteral("Liberation Sans"));
  EXPECT_EQ(QFontInfo(MakeLogicalFont(QStringLiteral("Ms Shell Dlg"), 20, 700)).family(),
            QStringLiteral("Liberation Sans"));
  CHTMLFont f;
  f.pointSize = 15;
  EXPECT_EQ(MakeScreenFont(f).pixelSize(), 20);
  f.bold = 1;
  EXPECT_EQ(MakeScreenFont(f).weight(), QFont::Bold);
  f.pointSize = 1e9;  // markup asked for something absurd
  EXPECT_EQ(MakeScreenFont(f).pixelSize(), kMaxFontPixels);
  // A positive height is the cell height: the font is shrunk to fit it.
  const QFont cell = MakeLogicalFont(QStringLiteral("Arial"), 20, 700);
  EXPECT_NEAR(QFontMetrics(cell).height(), 20, 1);

  // Chinese text in "Arial" comes from the CJK font.
  QTextLayout layout(QString::fromUtf8("安装硬盘"), MakeScreenFont(CHTMLFont{u"Arial"}));
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  bool cjk = false;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    cjk |= run.rawFont().familyName().contains(QStringLiteral("WenQuanYi"));
    for (quint32 g : run.glyphIndexes()) EXPECT_NE(g, 0u);  // no missing-glyph boxes
  }
  EXPECT_TRUE(cjk);
  QtTextMeasurer m;
  m.SelectFont(CHTMLFont{u"Arial"});
  EXPECT_GT(m.Measure(u"\u5B89\u88C5").width, m.Measure(u"ab").width);
}

}  // namespace
}  // namespace sp
