// Checks the pictures the build draws into the resource folder: every file
// the wizard names exists at the size its page needs, the button strips and
// sprite strips follow the rules their drawing code relies on, and the
// generator gives the same pictures on every run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kArt = QStringLiteral(SP_ART_DIR);

QImage Load(const QString& folder, const QString& name) {
  QImage img(kArt + "/" + folder + "/" + name);
  return img.isNull() ? img : img.convertToFormat(QImage::Format_ARGB32);
}

int Alpha(const QImage& img, int x, int y) { return qAlpha(img.pixel(x, y)); }

struct Expected {
  const char* folder;
  const char* name;
  int w, h;
};

// Exact sizes: these are drawn one to one at fixed spots, or their size is
// part of how the control draws them.
const Expected kExact[] = {
    {"english", "cbackground.jpg", 563, 467},
    {"english", "background.png", 722, 532},
    {"english", "select_step.png", 152, 44},
    {"english", "btn-back.png", 104, 156},
    {"english", "btn-next.png", 104, 156},
    {"english", "btn-cancel.png", 104, 156},
    {"english", "check_ico.png", 20, 20},
    {"english", "check_ico_bd.png", 20, 20},
    {"english", "warning.png", 19, 20},
    {"english", "1-power.png", 1500, 0},
    {"english", "2-line.png", 2000, 0},
    {"english", "3-line.png", 1500, 0},
    {"bitmaps", "154.png", 7, 35},
    {"bitmaps", "152.png", 33, 35},
    {"bitmaps", "153.png", 137, 35},
    {"bitmaps", "139.png", 4, 17},
    {"bitmaps", "140.png", 4, 17},
    {"bitmaps", "142.png", 4, 3},
    {"bitmaps", "143.png", 4, 3},
};

TEST(Artwork, EveryFileExistsAtItsSize) {
  for (const Expected& e : kExact) {
    SCOPED_TRACE(e.name);
    const QImage img = Load(e.folder, e.name);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), e.w);
    if (e.h) {
      EXPECT_EQ(img.height(), e.h);
    }
  }
}

// Pictures placed on a 563 x 467 page must stay inside it and above the
// buttons row (y 413); the welcome picture must stay clear of the text that
// starts at y 290.
TEST(Artwork, PagePicturesFitTheirPlaces) {
  struct Placed {
    const char* name;
    int x, y, bottom;
  };
  std::vector<Placed> placed = {{"welcome.png", 0, 30, 290},     {"computer.png", 363, 99, 413},
                                {"router_s.png", 183, 101, 413}, {"VBX-207.png", 9, 105, 413},
                                {"1-power.png", 267, 8, 413},    {"1-power.png", 8, 69, 413},
                                {"2-line.png", 13, 100, 413},    {"3-line.png", 10, 100, 413}};
  for (int n = 1; n <= 10; ++n) placed.push_back({nullptr, 0, 70, 413});
  for (size_t i = 0; i < placed.size(); ++i) {
    const QString name = placed[i].name ? QString(placed[i].name) : QString("step%1.png").arg(i - 7);
    SCOPED_TRACE(name.toStdString());
    const QImage img = Load("english", name);
    ASSERT_FALSE(img.isNull());
    // Strips run on past the page's edge by design; their frames are checked
    // by the next test.
    const bool strip = name.endsWith("-power.png") || name.endsWith("-line.png");
    if (name.startsWith("step")) {
      EXPECT_EQ(img.width(), 563);
    }
    if (!strip) {
      EXPECT_LE(placed[i].x + img.width(), 563);
    }
    EXPECT_LE(placed[i].y + img.height(), placed[i].bottom);
  }
}

TEST(Artwork, ButtonCellsLetTheCaptionThrough) {
  for (const char* name : {"btn-back.png", "btn-next.png", "btn-cancel.png"}) {
    SCOPED_TRACE(name);
    const QImage img = Load("english", name);
    ASSERT_EQ(img.height() % 4, 0);
    const int ch = img.height() / 4;
    ASSERT_EQ(ch, 39);
    QImage cells[4];
    for (int c = 0; c < 4; ++c) {
      cells[c] = img.copy(0, ch * c, img.width(), ch);
      // The caption is drawn under the strip, centred: the middle must be
      // see-through enough to read it.
      long sum = 0;
      int count = 0;
      for (int y = 12; y < 28; ++y)
        for (int x = 16; x < 88; ++x) {
          EXPECT_LT(Alpha(cells[c], x, y), 200) << "cell " << c << " at " << x << "," << y;
          sum += Alpha(cells[c], x, y);
          ++count;
        }
      EXPECT_LT(sum / count, 110) << "cell " << c;
      // And the cell does draw a button: a frame somewhere.
      int frame = 0;
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < img.width(); ++x) frame += Alpha(cells[c], x, y) > 60;
      EXPECT_GT(frame, 150) << "cell " << c;
    }
    // Normal, pressed, hovered and disabled look different from each other.
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) EXPECT_NE(cells[a], cells[b]) << a << " vs " << b;
  }
}

TEST(Artwork, SpriteFramesStartWithClearColumns) {
  for (const char* name : {"1-power.png", "2-line.png", "3-line.png"}) {
    SCOPED_TRACE(name);
    const QImage img = Load("english", name);
    ASSERT_EQ(img.width() % 500, 0);
    for (int f = 0; f < img.width() / 500; ++f) {
      int opaqueInLead = 0;
      int content = 0;
      for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < 60; ++x) opaqueInLead += Alpha(img, 500 * f + x, y) != 0;
        for (int x = 60; x < 500; ++x) content += Alpha(img, 500 * f + x, y) > 128;
      }
      EXPECT_EQ(opaqueInLead, 0) << "frame " << f;
      EXPECT_GT(content, 100) << "frame " << f;
    }
  }
}

TEST(Artwork, ChromeSuitsTheLabelsDrawnOverIt) {
  // The current step's label is black on the highlight: the bar behind its
  // text (label text rows 7..24 of the highlight, x 9..140) must be light.
  const QImage step = Load("english", "select_step.png");
  ASSERT_FALSE(step.isNull());
  long luma = 0;
  int n = 0;
  for (int y = 8; y < 24; ++y)
    for (int x = 9; x < 130; ++x) {
      const QRgb p = step.pixel(x, y);
      EXPECT_GT(qAlpha(p), 200);
      luma += qGray(p);
      ++n;
    }
  EXPECT_GT(luma / n, 110);
  // The window is rounded: corners clear, edges solid.
  const QImage win = Load("english", "background.png");
  ASSERT_FALSE(win.isNull());
  for (QPoint c : {QPoint(0, 0), QPoint(721, 0), QPoint(0, 531), QPoint(721, 531)})
    EXPECT_EQ(Alpha(win, c.x(), c.y()), 0);
  EXPECT_EQ(Alpha(win, 361, 1), 255);
  EXPECT_EQ(Alpha(win, 1, 266), 255);
}

// The check page draws the done icon straight over the busy one when the
// first row passes, without the background in between: the busy icon must
// not show round the done icon.
TEST(Artwork, DoneIconCoversTheBusyIcon) {
  const QImage busy = Load("english", "check_ico_bd.png");
  const QImage done = Load("english", "check_ico.png");
  ASSERT_EQ(busy.size(), done.size());
  QImage over(done.size(), QImage::Format_ARGB32);
  over.fill(Qt::black);
  QImage alone = over;
  {
    QPainter p(&over);
    p.drawImage(0, 0, busy);
    p.drawImage(0, 0, done);
    QPainter q(&alone);
    q.drawImage(0, 0, done);
  }
  int worst = 0;
  for (int y = 0; y < done.height(); ++y)
    for (int x = 0; x < done.width(); ++x) {
      const QRgb a = over.pixel(x, y), b = alone.pixel(x, y);
      worst = std::max(
          {worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(worst, 18);  // anti-aliased rims differ a little
}

TEST(Artwork, GeneratorIsDeterministic) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcess run;
  run.start(QStringLiteral(SP_ARTGEN_EXE), {"--out", dir.path()});
  ASSERT_TRUE(run.waitForFinished(60000));
  ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  int compared = 0;
  for (const char* folder : {"english", "bitmaps"}) {
    const QDir fresh(dir.path() + "/" + folder);
    for (const QString& name : fresh.entryList(QDir::Files)) {
      SCOPED_TRACE(name.toStdString());
      QFile a(fresh.filePath(name)), b(kArt + "/" + folder + "/" + name);
      ASSERT_TRUE(a.open(QIODevice::ReadOnly));
      ASSERT_TRUE(b.open(QIODevice::ReadOnly));
      if (name.endsWith(".png")) {
        EXPECT_TRUE(a.readAll() == b.readAll());
      } else {
        const QImage x = QImage::fromData(a.readAll()), y = QImage::fromData(b.readAll());
        ASSERT_EQ(x.size(), y.size());
        int worst = 0;
        for (int py = 0; py < x.height(); ++py)
          for (int px = 0; px < x.width(); ++px)
            worst = std::max(worst, std::abs(qGray(x.pixel(px, py)) - qGray(y.pixel(px, py))));
        EXPECT_LE(worst, 2);
      }
      ++compared;
    }
  }
  EXPECT_EQ(compared, 33);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
