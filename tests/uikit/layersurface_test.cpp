#include <QCoreApplication>
#include <QPainter>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/uikit/standinimages.h"
#include "tests/uikit/widgettest.h"
#include "uikit/clayersurface.h"
#include "uikit/wmevents.h"

namespace sp {
namespace {

using test::Rgb;

class LayerSurfaceTest : public test::WidgetTest {
 protected:
  // A page of 200 x 100 with its surface; images come from Dir().
  void MakePage(SurfaceKind kind) {
    page_ = std::make_unique<QWidget>();
    page_->resize(200, 100);
    surface_ = std::make_unique<CLayerSurface>(kind);
    surface_->Create(page_.get());
    surface_->SetImageFolder(Dir());
  }
  void Compose(const std::string& list) {
    surface_->ReplaceList(list);
    surface_->Compose();
  }
  QColor At(int x, int y) const { return Rgb(surface_->Image(), x, y); }
  void TearDown() override {
    surface_.reset();
    page_.reset();
    WidgetTest::TearDown();
  }

  std::unique_ptr<QWidget> page_;
  std::unique_ptr<CLayerSurface> surface_;
};

TEST_F(LayerSurfaceTest, SurfacesKeepTheirMessagesVariantsAndDimming) {
  EXPECT_EQ(wm::kComposeMainWindow, QEvent::User + 100);
  EXPECT_EQ(wm::kFinalFailure, QEvent::User + 110);
  const SurfaceTraits main = TraitsOf(SurfaceKind::MainWindow);
  EXPECT_EQ(main.composeEvent, wm::kComposeMainWindow);
  EXPECT_EQ(main.variant, LayerVariant::SixNumbers);
  EXPECT_FALSE(main.hasPageFlag);
  EXPECT_EQ(TraitsOf(SurfaceKind::Check).composeEvent, QEvent::User + 103);
  EXPECT_EQ(TraitsOf(SurfaceKind::Install).dimming, DimmingRule::Percentage);
  EXPECT_EQ(TraitsOf(SurfaceKind::Install).variant, LayerVariant::FourNumbers);
  EXPECT_EQ(TraitsOf(SurfaceKind::Final).dimming, DimmingRule::None);
  EXPECT_EQ(TraitsOf(SurfaceKind::Final).composeEvent, QEvent::User + 107);
  EXPECT_TRUE(TraitsOf(SurfaceKind::Welcome).hasPageFlag);
}

TEST_F(LayerSurfaceTest, LayersDrawInOrderAndMissingImagesDrawNothing) {
  test::WriteFlatImage(Path("red.png"), QSize(200, 100), Qt::red);
  test::WriteFlatImage(Path("blue.png"), QSize(20, 10), Qt::blue);
  MakePage(SurfaceKind::Install);
  Compose("red.png|0|0|255|0,nothere.png|0|0|255|0,blue.png|30|40|255|0,");
  EXPECT_EQ(At(0, 0), QColor(Qt::red));
  EXPECT_EQ(At(30, 40), QColor(Qt::blue));
  EXPECT_EQ(At(49, 49), QColor(Qt::blue));
  EXPECT_EQ(At(50, 40), QColor(Qt::red));
  // An entry without its comma is never drawn.
  Compose("blue.png|0|0|255|0");
  EXPECT_EQ(At(0, 0), QColor(Qt::red));
  // An empty list leaves the image as it was; so does a list of nothing.
  Compose("");
  EXPECT_EQ(At(30, 40), QColor(Qt::blue));
  // Nothing clears the surface: uncovered pixels keep their old colour.
  Compose("blue.png|0|0|255|0,");
  EXPECT_EQ(At(0, 0), QColor(Qt::blue));
  EXPECT_EQ(At(30, 40), QColor(Qt::blue));
  EXPECT_EQ(At(100, 50), QColor(Qt::red));
}

TEST_F(LayerSurfaceTest, SpriteOffsetsPickTheFrameOfAStrip) {
  test::WriteFlatImage(Path("black.png"), QSize(200, 100), Qt::black);
  test::WriteStrip(Path("strip.png"), QSize(50, 20), 3);  // 150 wide
  MakePage(SurfaceKind::Install);
  Compose("black.png|0|0|255|0,strip.png|10|10|255|50,");
  EXPECT_EQ(At(10, 10), test::FrameColor(1));  // frame 1 starts at x 10
  EXPECT_EQ(At(59, 29), test::FrameColor(1));
  EXPECT_EQ(At(60, 10), test::FrameColor(2));
  EXPECT_EQ(At(109, 10), test::FrameColor(2));
  EXPECT_EQ(At(110, 10), QColor(Qt::black));  // past the strip's end: nothing
  EXPECT_EQ(At(9, 10), QColor(Qt::black));
  // An offset at or beyond the strip's width shows nothing.
  Compose("black.png|0|0|255|0,strip.png|10|10|255|150,");
  EXPECT_EQ(At(10, 10), QColor(Qt::black));
  // A negative offset moves the strip right; the part before it is empty.
  Compose("black.png|0|0|255|0,strip.png|0|10|255|-30,");
  EXPECT_EQ(At(29, 10), QColor(Qt::black));
  EXPECT_EQ(At(30, 10), test::FrameColor(0));
}

TEST_F(LayerSurfaceTest, SixNumbersScaleAndFourNumbersDoNot) {
  test::WriteFlatImage(Path("black.png"), QSize(200, 100), Qt::black);
  test::WriteFlatImage(Path("x.png"), QSize(40, 10), Qt::green);
  MakePage(SurfaceKind::Welcome);  // six numbers
  Compose("black.png|0|0|255|0|0|0,x.png|5|5|255|0|0|20,");
  EXPECT_EQ(At(44, 24), QColor(Qt::green));  // own width 40, 20 high
  EXPECT_EQ(At(45, 5), QColor(Qt::black));
  EXPECT_EQ(At(5, 25), QColor(Qt::black));
  Compose("black.png|0|0|255|0|0|0,x.png|5|5|255|0|19|20,");
  EXPECT_EQ(At(23, 24), QColor(Qt::green));
  EXPECT_EQ(At(24, 5), QColor(Qt::black));

  MakePage(SurfaceKind::Config);  // four numbers: the size numbers are ignored
  Compose("black.png|0|0|255|0,x.png|5|5|255|0|19|20,");
  EXPECT_EQ(At(44, 14), QColor(Qt::green));
  EXPECT_EQ(At(5, 15), QColor(Qt::black));
}

TEST_F(LayerSurfaceTest, DimmingFollowsTheSurface) {
  test::WriteFlatImage(Path("black.png"), QSize(200, 100), Qt::black);
  test::WriteFlatImage(Path("w.png"), QSize(10, 10), Qt::white);
  const auto whiteOverBlack = [&](SurfaceKind kind, int alpha) {
    MakePage(kind);
    const bool six = TraitsOf(kind).variant == LayerVariant::SixNumbers;
    Compose(std::string(six ? "black.png|0|0|255|0|0|0," : "black.png|0|0|255|0,") + "w.png|0|0|" +
            std::to_string(alpha) + (six ? "|0|0|0," : "|0,"));
    return At(5, 5).red();  // white blended over black: the alpha, as a grey
  };
  EXPECT_EQ(whiteOverBlack(SurfaceKind::Welcome, 255), 255);
  EXPECT_EQ(whiteOverBlack(SurfaceKind::Welcome, 100), 255);
  EXPECT_NEAR(whiteOverBlack(SurfaceKind::Welcome, 99), 76, 1);
  EXPECT_NEAR(whiteOverBlack(SurfaceKind::MainWindow, 0), 76, 1);
  EXPECT_NEAR(whiteOverBlack(SurfaceKind::Install, 50), 127, 1);
  EXPECT_EQ(whiteOverBlack(SurfaceKind::Install, 0), 0);
  EXPECT_NEAR(whiteOverBlack(SurfaceKind::Disk, 200), 254, 1);  // 510 wraps to 254
  EXPECT_EQ(whiteOverBlack(SurfaceKind::Final, 0), 255);
  EXPECT_EQ(whiteOverBlack(SurfaceKind::Final, 50), 255);
}

TEST_F(LayerSurfaceTest, PaintingFollowsTheCurrentPageFlag) {
  test::WriteFlatImage(Path("blue.png"), QSize(200, 100), Qt::blue);
  QWidget parent;
  parent.resize(300, 200);
  parent.setAutoFillBackground(true);
  QPalette pal;
  pal.setColor(QPalette::Window, Qt::red);
  parent.setPalette(pal);
  auto* page = new QWidget(&parent);
  page->setGeometry(50, 50, 200, 100);
  CLayerSurface surface(SurfaceKind::Check);
  surface.Create(page);
  surface.SetImageFolder(Dir());
  surface.ReplaceList("blue.png|0|0|255|0|0|0,");
  surface.Compose();
  // A page that is not current paints nothing: what lies under it shows.
  EXPECT_EQ(Rgb(test::Shot(&parent), 100, 100), QColor(Qt::red));
  QImage scratch(10, 10, QImage::Format_RGB32);
  QPainter p(&scratch);
  EXPECT_FALSE(surface.Paint(p));
  surface.SetCurrentPage(true);
  EXPECT_TRUE(surface.Paint(p));
  p.end();
  EXPECT_EQ(Rgb(test::Shot(&parent), 100, 100), QColor(Qt::blue));
  // The excluded widgets' rectangles are never painted over.
  auto* button = new QWidget(page);
  button->setGeometry(10, 10, 30, 20);
  surface.SetExcludedWidgets({button});
  const QImage shot = test::Shot(&parent);
  EXPECT_EQ(Rgb(shot, 50 + 15, 50 + 15), QColor(Qt::red));
  EXPECT_EQ(Rgb(shot, 50 + 45, 50 + 15), QColor(Qt::blue));
  // The main window's surface has no flag and always paints.
  CLayerSurface main(SurfaceKind::MainWindow);
  main.Create(page, false);
  QImage scratch2(10, 10, QImage::Format_RGB32);
  QPainter p2(&scratch2);
  EXPECT_TRUE(main.Paint(p2));
}

TEST_F(LayerSurfaceTest, ComposeEventsComposeAndListsArriveWhole) {
  test::WriteFlatImage(Path("red.png"), QSize(100, 100), Qt::red);
  test::WriteFlatImage(Path("blue.png"), QSize(100, 100), Qt::blue);
  MakePage(SurfaceKind::Install);
  int composed = 0;
  surface_->SetComposedCallback([&] { ++composed; });
  surface_->SetList("red.png|0|0|255|0,");  // posts the install page's message
  EXPECT_EQ(At(0, 0), QColor(Qt::black));   // nothing happens before the event
  QCoreApplication::processEvents();
  EXPECT_EQ(composed, 1);
  EXPECT_EQ(At(0, 0), QColor(Qt::red));

  // A worker swaps whole lists while the UI thread composes: every compose
  // sees one list or the other, never a mix (left and right halves agree).
  const std::string a = "red.png|0|0|255|0,red.png|100|0|255|0,";
  const std::string b = "blue.png|0|0|255|0,blue.png|100|0|255|0,";
  surface_->ReplaceList(a);
  surface_->Compose();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 400; ++i) {
      surface_->SetList(i % 2 ? a : b);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    done = true;
  });
  int mixed = 0;
  int rounds = 0;
  while (!done.load()) {
    QCoreApplication::processEvents();
    surface_->Compose();
    if (At(10, 10) != At(150, 10)) ++mixed;
    ++rounds;
  }
  worker.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(mixed, 0);
  EXPECT_GT(composed, 1);
}

TEST_F(LayerSurfaceTest, ListsAreCutToTheBuffer) {
  MakePage(SurfaceKind::Config);
  surface_->ReplaceList(std::string(3000, 'a'));
  EXPECT_EQ(surface_->List().size(), 2047u);
  surface_->SetImageFolder("/no/slash");
  EXPECT_EQ(surface_->ImageFolder(), "/no/slash/");
}

}  // namespace
}  // namespace sp
