// Runs the toolkit gallery over stand-in images and checks what it wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "devtools/uikit-gallery/gallery.h"
#include "tests/uikit/standinimages.h"

namespace sp {
namespace {

TEST(GalleryTest, RendersEveryPageControlAndFrame) {
  const std::filesystem::path tmp = std::filesystem::temp_directory_path() / ("sp-gallery-" + std::to_string(getpid()));
  const char* shots = std::getenv("SP_SCREENSHOT_DIR");
  gallery::Options o;
  o.imageFolder = (tmp / "english").string();
  o.bitmapFolder = (tmp / "bitmaps").string();
  o.outFolder = shots ? std::string(shots) + "/uikit-gallery" : (tmp / "out").string();
  test::WriteStandInImages(o.imageFolder, o.bitmapFolder);

  const std::vector<std::string> files = gallery::RenderGallery(o);
  // 5 main window steps, overview, welcome, 6 check, 6 final, 42 install
  // frames and a contact sheet, buttons, 6 control pages, 2 combo shots, 7 label sheets.
  EXPECT_GE(files.size(), 70u);
  for (const std::string& f : files) {
    const QImage img(QString::fromStdString(f));
    EXPECT_FALSE(img.isNull()) << f;
  }
  // Spot checks against the stand-ins: the main window's step column and
  // the highlight behind step 3.
  const QImage main(QString::fromStdString(o.outFolder + "/main-window-step3.png"));
  ASSERT_EQ(main.size(), QSize(722, 532));
  EXPECT_EQ(main.pixelColor(150, 20), QColor(210, 214, 222));
  EXPECT_NE(main.pixelColor(140, 233 + 22), main.pixelColor(140, 143 + 22));
  std::filesystem::remove_all(tmp);
}

}  // namespace
}  // namespace sp
