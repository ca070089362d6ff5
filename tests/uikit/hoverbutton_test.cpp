#include <QCoreApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>

#include "tests/uikit/standinimages.h"
#include "tests/uikit/widgettest.h"
#include "uikit/choverbuttonex.h"
#include "uikit/imagecache.h"

namespace sp {
namespace {

using test::Rgb;

const QColor kCells[] = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200), QColor(200, 200, 0)};

// A strip of four opaque cells of distinct colours, `height` rows in all.
void WriteCellStrip(const std::string& path, int width, int height) {
  QImage img(width, height, QImage::Format_ARGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  for (int i = 0; i < 4; ++i) p.fillRect(QRect(0, i * (height / 4), width, height / 4), kCells[i]);
  p.end();
  img.save(QString::fromStdString(path));
}

class HoverButtonTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    page_.resize(563, 467);
  }
  void Enter(CHoverButtonEx* b) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(b, &e);
  }
  void Leave(CHoverButtonEx* b) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(b, &e);
  }
  QColor Middle(CHoverButtonEx* b) { return Rgb(test::Shot(b), b->width() / 2, b->height() / 2); }
  QWidget page_;
};

TEST_F(HoverButtonTest, CellChoiceFollowsPressedDisabledHovered) {
  EXPECT_EQ(CHoverButtonEx::ChooseCell(false, false, true), 0);
  EXPECT_EQ(CHoverButtonEx::ChooseCell(true, false, true), 1);
  EXPECT_EQ(CHoverButtonEx::ChooseCell(true, true, true), 1);
  EXPECT_EQ(CHoverButtonEx::ChooseCell(false, true, true), 2);
  EXPECT_EQ(CHoverButtonEx::ChooseCell(false, false, false), 3);
  EXPECT_EQ(CHoverButtonEx::ChooseCell(false, true, false), 3);  // hovered but disabled
}

TEST_F(HoverButtonTest, ImagesSetTheCellSizeAndKeepThePosition) {
  WriteCellStrip(Path("btn.png"), 104, 156);
  WriteCellStrip(Path("odd.png"), 104, 158);
  auto* b = new CHoverButtonEx(&page_, QRect(336, 413, 120, 50), "Next");
  EXPECT_TRUE(b->SetImages(Path("btn.png"), Path("none.jpg")));
  EXPECT_EQ(b->CellWidth(), 104);
  EXPECT_EQ(b->CellHeight(), 39);
  EXPECT_EQ(b->geometry(), QRect(336, 413, 104, 39));
  b->SetImages(Path("odd.png"), Path("none.jpg"));
  EXPECT_EQ(b->CellHeight(), 39);  // the two remainder rows are lost
  // A missing strip: a plain push button at the size it was given.
  auto* plain = new CHoverButtonEx(&page_, QRect(10, 10, 104, 39), "Cancel");
  EXPECT_TRUE(plain->SetImages(Path("missing.png"), Path("none.jpg")));
  EXPECT_FALSE(plain->IsSkinned());
  EXPECT_EQ(plain->size(), QSize(104, 39));
  EXPECT_TRUE(plain->RenderCells().isNull());
  EXPECT_NE(Middle(plain), QColor(0, 0, 0, 0));
}

TEST_F(HoverButtonTest, ButtonsShareOneDecodedPictureAndAMissingOneIsReadAgain) {
  auto* late = new CHoverButtonEx(&page_, QRect(10, 10, 104, 39), "Next");
  late->SetImages(Path("late.png"), Path("none.jpg"));
  EXPECT_FALSE(late->IsSkinned());
  WriteCellStrip(Path("late.png"), 104, 156);  // there now: not remembered as missing
  late->SetImages(Path("late.png"), Path("none.jpg"));
  EXPECT_TRUE(late->IsSkinned());

  const QImage a = SharedImage(Path("late.png"), QImage::Format_ARGB32_Premultiplied);
  const QImage b = SharedImage(Path("late.png"), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(a.constBits(), b.constBits()) << "decoded once, shared";
  EXPECT_EQ(a.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_NE(SharedImage(Path("late.png")).format(), QImage::Format_ARGB32_Premultiplied) << "as read";
}

TEST_F(HoverButtonTest, ShowsTheCellOfItsState) {
  WriteCellStrip(Path("btn.png"), 104, 156);
  auto* b = new CHoverButtonEx(&page_, QRect(222, 413, 104, 39), "");
  b->SetImages(Path("btn.png"), Path("none.jpg"));
  EXPECT_EQ(Middle(b), kCells[0]);
  Enter(b);
  EXPECT_TRUE(b->IsHovered());
  EXPECT_EQ(Middle(b), kCells[2]);
  b->setDown(true);
  EXPECT_EQ(Middle(b), kCells[1]);
  b->setDown(false);
  b->setEnabled(false);
  EXPECT_EQ(Middle(b), kCells[3]);  // still hovered, but disabled
  b->setEnabled(true);
  Leave(b);
  EXPECT_FALSE(b->IsHovered());
  EXPECT_EQ(Middle(b), kCells[0]);
  // A real press with the mouse shows cell 1 while the button is down.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 20));
  EXPECT_EQ(Middle(b), kCells[1]);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 20));
}

TEST_F(HoverButtonTest, BackgroundAndCaptionShowThroughTheStrip) {
  // A strip that is transparent everywhere: the button shows the page
  // background behind its own position, and its caption.
  test::WriteFlatImage(Path("clear.png"), QSize(104, 156), QColor(0, 0, 0, 0));
  QImage bg(563, 467, QImage::Format_RGB32);
  bg.fill(QColor(10, 20, 30));
  QPainter(&bg).fillRect(QRect(300, 400, 263, 67), QColor(40, 50, 60));
  bg.save(QString::fromStdString(Path("cbackground.jpg")), "PNG");
  auto* b = new CHoverButtonEx(&page_, QRect(336, 413, 104, 39), "WWWWWWWWWW");
  b->SetImages(Path("clear.png"), Path("cbackground.jpg"));
  const QImage cells = b->RenderCells();
  ASSERT_EQ(cells.size(), QSize(104, 156));
  EXPECT_EQ(Rgb(cells, 1, 1), QColor(40, 50, 60));
  EXPECT_EQ(Rgb(cells, 1, 3 * 39 + 1), QColor(40, 50, 60));
  const auto count = [&](QColor c, int cell) {
    int n = 0;
    for (int y = cell * 39; y < (cell + 1) * 39; ++y) {
      for (int x = 0; x < 104; ++x) n += Rgb(cells, x, y) == c;
    }
    return n;
  };
  EXPECT_GT(count(QColor(169, 169, 169), 0), 20);
  EXPECT_GT(count(QColor(169, 169, 169), 2), 20);
  EXPECT_EQ(count(QColor(169, 169, 169), 3), 0);
  EXPECT_GT(count(QColor(110, 110, 110), 3), 20);
  // An empty caption shows only the background.
  b->setText(QString());
  EXPECT_EQ(b->RenderCells().pixelColor(52, 20), QColor(40, 50, 60));
}

}  // namespace
}  // namespace sp
