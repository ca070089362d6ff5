#include <QApplication>
#include <QButtonGroup>
#include <QPainter>
#include <QTest>

#include "tests/uikit/standinimages.h"
#include "tests/uikit/widgettest.h"
#include "uikit/cbitcombobox.h"
#include "uikit/cbitlistbox.h"
#include "uikit/ccolorlist.h"
#include "uikit/clayersurface.h"
#include "uikit/cmyslidercontrol.h"
#include "uikit/ctransradio.h"

namespace sp {
namespace {

using test::Rgb;

const QColor kLeftCap(255, 0, 0), kMiddle(0, 255, 0), kRightCap(0, 0, 255);
const QColor kLeftEdge(255, 255, 0), kRightEdge(0, 255, 255), kTopEdge(255, 0, 255), kBottomEdge(128, 0, 0);

class ControlsTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    test::WriteFlatImage(Path("154.png"), QSize(7, 35), kLeftCap);
    test::WriteFlatImage(Path("153.png"), QSize(137, 35), kMiddle);
    test::WriteFlatImage(Path("152.png"), QSize(33, 35), kRightCap);
    test::WriteFlatImage(Path("139.png"), QSize(4, 17), kLeftEdge);
    test::WriteFlatImage(Path("140.png"), QSize(4, 17), kRightEdge);
    test::WriteFlatImage(Path("142.png"), QSize(4, 3), kTopEdge);
    test::WriteFlatImage(Path("143.png"), QSize(4, 3), kBottomEdge);
    page_.resize(563, 467);
  }
  CBitComboBox* Combo(int items) {
    auto* c = new CBitComboBox(&page_, QRect(50, 50, 200, 22));
    c->SetBitmapFolder(Dir());
    for (int i = 0; i < items; ++i) c->addItem(QStringLiteral("Item %1").arg(i));
    return c;
  }
  QWidget page_;
};

TEST_F(ControlsTest, ComboSkinGeometryOfA200PixelBox) {
  CBitComboBox* c = Combo(3);
  EXPECT_EQ(c->height(), 31);  // selection field 25 plus 3 above and below
  const CBitComboBox::FaceLayout f = c->ComputeFaceLayout();
  EXPECT_EQ(f.leftCap, QRect(0, -3, 7, 35));
  EXPECT_EQ(f.middle.left(), 7);
  EXPECT_EQ(f.middle.right(), 166);
  EXPECT_EQ(f.rightCap.left(), 167);
  EXPECT_EQ(f.rightCap.right(), 199);
  EXPECT_EQ(f.middle.top(), -3);
  EXPECT_EQ(f.textArea, QRect(7, 3, 160, 31 - 3 - 8));

  c->setCurrentIndex(-1);  // no text over the face
  const QImage shot = test::Shot(c);
  EXPECT_EQ(Rgb(shot, 3, 1), kLeftCap);
  EXPECT_EQ(Rgb(shot, 7, 1), kMiddle);     // above the text area
  EXPECT_EQ(Rgb(shot, 100, 28), kMiddle);  // below it
  EXPECT_EQ(Rgb(shot, 100, 10), QColor(30, 30, 30));
  EXPECT_EQ(Rgb(shot, 167, 10), kRightCap);
  EXPECT_EQ(Rgb(shot, 199, 30), kRightCap);

  // Id 0 or a missing file: that part is not drawn.
  c->leftCap = 0;
  c->rightCap = 777;
  const CBitComboBox::FaceLayout bare = c->ComputeFaceLayout();
  EXPECT_TRUE(bare.leftCap.isNull());
  EXPECT_TRUE(bare.rightCap.isNull());
  EXPECT_EQ(bare.middle, QRect(0, -3, 200, 35));
  EXPECT_EQ(bare.textArea, QRect(0, 3, 200, 20));
  EXPECT_EQ(CBitComboBox::BitmapFolderFor("/opt/sp"), "/opt/sp/resource/bitmaps/");
}

TEST_F(ControlsTest, OpenListCarriesEdgesAndFaceColoursOnTheFocusedItem) {
  CBitComboBox* c = Combo(3);
  c->faceColor = QColor(90, 0, 0);
  c->setCurrentIndex(1);
  page_.show();
  c->showPopup();
  CBitListBox* list = c->ListBox();
  ASSERT_TRUE(list->isVisible());
  QCoreApplication::processEvents();
  const QImage shot = list->viewport()->grab().toImage();
  const QRect first = list->visualRect(c->model()->index(0, 0));
  const QRect focused = list->visualRect(c->model()->index(1, 0));
  const QRect last = list->visualRect(c->model()->index(2, 0));
  EXPECT_EQ(first.height(), c->ItemHeight());
  EXPECT_EQ(Rgb(shot, first.center().x(), first.top()), kTopEdge);
  EXPECT_EQ(Rgb(shot, last.center().x(), last.bottom()), kBottomEdge);
  EXPECT_EQ(Rgb(shot, first.left() + 1, first.center().y()), kLeftEdge);
  EXPECT_EQ(Rgb(shot, first.right() - 1, first.center().y()), kRightEdge);
  EXPECT_EQ(Rgb(shot, first.right() - 10, first.center().y()), QColor(30, 30, 30));
  EXPECT_EQ(Rgb(shot, focused.right() - 10, focused.top() + 3), QColor(90, 0, 0));
  EXPECT_EQ(CBitComboBox::ListTextLeft(), 0 + 7 + 5);
  c->hidePopup();

  // A list of one item carries both edges.
  CBitComboBox* one = Combo(1);
  one->showPopup();
  QCoreApplication::processEvents();
  const QImage oneShot = one->ListBox()->viewport()->grab().toImage();
  const QRect only = one->ListBox()->visualRect(one->model()->index(0, 0));
  EXPECT_EQ(Rgb(oneShot, only.center().x(), only.top()), kTopEdge);
  EXPECT_EQ(Rgb(oneShot, only.center().x(), only.bottom()), kBottomEdge);
  one->hidePopup();

  // On its own a list box paints its own grey-blue.
  CBitListBox alone;
  alone.resize(50, 50);
  EXPECT_EQ(Rgb(alone.viewport()->grab().toImage(), 25, 25), CBitListBox::kFill);
}

TEST_F(ControlsTest, ComboIsUsableFromTheKeyboard) {
  CBitComboBox* c = Combo(5);
  page_.show();
  QApplication::setActiveWindow(&page_);
  c->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page_));
  c->setCurrentIndex(0);
  QTest::keyClick(c, Qt::Key_Down);
  EXPECT_EQ(c->currentIndex(), 1);
  QTest::keyClick(c, Qt::Key_End);
  EXPECT_EQ(c->currentIndex(), 4);
  // Texts are shown as they stand: doubled ampersands stay.
  c->addItem(QStringLiteral("(GMT-08:00) Pacific Time (US && Canada)"));
  EXPECT_EQ(c->itemText(5), QStringLiteral("(GMT-08:00) Pacific Time (US && Canada)"));
}

TEST_F(ControlsTest, ReportRowsAre22PixelsWhateverTheFont) {
  auto* list = new CColorList(&page_, QRect(36, 77, 490, 66));
  QFont big = list->font();
  big.setPixelSize(40);
  list->setFont(big);
  EXPECT_EQ(list->InsertColumn(QStringLiteral("Slot"), 40), 0);
  EXPECT_EQ(list->InsertColumn(QStringLiteral("Capacity"), 80), 1);
  EXPECT_EQ(list->AddRow({"1", "465 GB"}), 0);
  EXPECT_EQ(list->AddRow({"2", "465 GB"}), 1);
  page_.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(list->rowHeight(0), CColorList::kRowHeight);
  EXPECT_EQ(list->rowViewportPosition(1) - list->rowViewportPosition(0), 22);
  EXPECT_EQ(list->CellText(1, 1), QStringLiteral("465 GB"));
  // A selected row is drawn like any other: no highlight.
  list->selectRow(1);
  const QImage shot = list->viewport()->grab().toImage();
  const QRect cell = list->visualItemRect(list->item(1, 1));
  EXPECT_EQ(Rgb(shot, cell.right() - 3, cell.bottom() - 3), list->palette().color(QPalette::Base).toRgb());
  list->DeleteAllItems();
  EXPECT_EQ(list->rowCount(), 0);
}

TEST_F(ControlsTest, SliderAndRadioShowThePageBehindThem) {
  test::WriteFlatImage(Path("page.png"), QSize(563, 467), QColor(20, 90, 40));
  CLayerSurface surface(SurfaceKind::Disk);
  surface.Create(&page_);
  surface.SetImageFolder(Dir());
  surface.SetCurrentPage(true);
  surface.ReplaceList("page.png|0|0|255|0,");
  surface.Compose();
  auto* slider = new CmySliderControl(&page_, QRect(80, 210, 200, 25));
  slider->setRange(1, 99);
  auto* group = new QButtonGroup(&page_);
  auto* radio = new CTransRadio(&page_, QRect(80, 180, 16, 16), group);
  auto* other = new CTransRadio(&page_, QRect(80, 150, 16, 16), group);
  radio->setChecked(true);

  const QImage shot = test::Shot(&page_);
  EXPECT_TRUE(slider->HasBackground());
  EXPECT_EQ(Rgb(slider->Background(), 0, 0), QColor(20, 90, 40));
  EXPECT_EQ(Rgb(shot, 80, 210), QColor(20, 90, 40));  // slider corner
  EXPECT_EQ(Rgb(shot, 80, 180), QColor(20, 90, 40));  // radio corner

  // The slider keeps the background it first saw.
  test::WriteFlatImage(Path("page2.png"), QSize(563, 467), QColor(200, 0, 0));
  surface.ReplaceList("page2.png|0|0|255|0,");
  surface.Compose();
  const QImage later = test::Shot(&page_);
  EXPECT_EQ(Rgb(later, 80, 210), QColor(20, 90, 40));
  EXPECT_EQ(Rgb(later, 80, 180), QColor(200, 0, 0));
  // One group: ticking the other radio unticks the first.
  other->setChecked(true);
  EXPECT_FALSE(radio->isChecked());
}

}  // namespace
}  // namespace sp
