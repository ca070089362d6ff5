// The page stack on its own: a test host with pages that record their hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "framework/tstackeddialog.h"

namespace sp {
namespace {

using Log = std::vector<std::string>;

class RecordingPage : public TStackedPage {
 public:
  RecordingPage(int id, Log& log) : id_(id), log_(log) {}
  ~RecordingPage() override { Add("deleted"); }
  void OnInitDialog() override {
    Add("init");
    resize(100, 80);
    button = new QPushButton(QStringLiteral("b"), this);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
  }
  void OnEnterPage(int from) override { Add(("enter-from-" + std::to_string(from)).c_str()); }
  void OnPageShown() override { Add("shown"); }
  void OnPageHidden() override { Add("hidden"); }
  void OnPageCreated() override { Add(isEnabled() ? "created" : "created-disabled"); }
  void OnPageDestroying() override { Add("destroying"); }
  QPushButton* button = nullptr;
  int clicks = 0;

 private:
  void Add(const char* what) { log_.push_back(std::to_string(id_) + ":" + what); }
  int id_;
  Log& log_;
};

class TestHost : public TStackedDialog {
 public:
  TestHost() {
    resize(400, 300);
    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(QStringLiteral("1000"));
    placeholder->setGeometry(57, 24, 1, 1);
  }
  ~TestHost() override { DestroyAllPages(); }
  Log log;

 protected:
  TStackedPage* CreatePage(int id) override { return id >= 200 ? nullptr : new RecordingPage(id, log); }
  void OnPageChanged(int id, bool shown) override {
    log.push_back("host:" + std::to_string(id) + (shown ? ":shown" : ":hidden"));
  }
};

TEST(PageStack, AddedPagesAreCreatedPlacedAndHidden) {
  TestHost host;
  host.show();
  auto* entry = host.AddPage(7);
  ASSERT_NE(entry->page, nullptr);
  EXPECT_TRUE(entry->created);
  EXPECT_FALSE(entry->shown);
  EXPECT_EQ(entry->owner, &host);
  EXPECT_EQ(host.log, (Log{"7:init", "7:created"}));
  EXPECT_EQ(entry->page->pos(), QPoint(57, 24));
  EXPECT_EQ(entry->page->size(), QSize(100, 80));  // size kept
  EXPECT_TRUE(entry->page->isHidden());
  EXPECT_EQ(host.ShownPageId(), 0);

  // A page the host cannot make gives an entry without a page.
  auto* missing = host.AddPage(200);
  EXPECT_EQ(missing->page, nullptr);
  EXPECT_FALSE(missing->created);
}

TEST(PageStack, ShowPageSwapsPagesAndTellsTheHost) {
  TestHost host;
  host.show();
  host.AddPage(1);
  host.AddPage(2);
  host.log.clear();
  host.ShowPage(1);
  EXPECT_EQ(host.log, (Log{"1:shown", "host:1:shown"}));
  host.log.clear();
  host.ShowPage(2);
  EXPECT_EQ(host.log, (Log{"1:hidden", "host:1:hidden", "2:shown", "host:2:shown"}));
  EXPECT_TRUE(host.PageById(1)->isHidden());
  EXPECT_TRUE(host.PageById(2)->isVisible());

  // The page already shown is hidden and shown again.
  host.log.clear();
  host.ShowPage(2);
  EXPECT_EQ(host.log, (Log{"2:hidden", "host:2:hidden", "2:shown", "host:2:shown"}));

  // An unknown id only hides the current page.
  host.log.clear();
  host.ShowPage(99);
  EXPECT_EQ(host.log, (Log{"2:hidden", "host:2:hidden"}));
  EXPECT_EQ(host.ShownPageId(), 0);
}

TEST(PageStack, EnteringAPageLetsItPrepareWhileTheOldOneIsStillShown) {
  TestHost host;
  host.show();
  host.AddPage(1);
  host.AddPage(2);
  host.log.clear();
  host.EnterPage(1);
  host.EnterPage(2);
  EXPECT_EQ(host.log, (Log{"1:enter-from-0", "1:shown", "host:1:shown", "2:enter-from-1", "1:hidden", "host:1:hidden",
                           "2:shown", "host:2:shown"}));
  // An id without a page enters nothing and only hides the current page.
  host.log.clear();
  host.EnterPage(99);
  EXPECT_EQ(host.log, (Log{"2:hidden", "host:2:hidden"}));
}

TEST(PageStack, TeardownFollowsTheOrderOfAdding) {
  auto host = std::make_unique<TestHost>();
  for (int id : {132, 131, 133, 134, 135, 130}) host->AddPage(id);
  host->ShowPage(130);
  Log& log = host->log;
  log.clear();
  host->DestroyAllPages();
  Log expected;
  for (int id : {132, 131, 133, 134, 135, 130}) {
    const std::string p = std::to_string(id);
    for (const char* what : {":hidden", ":destroying", ":deleted"}) expected.push_back(p + what);
  }
  EXPECT_EQ(log, expected);
  EXPECT_EQ(host->PageCount(), 0);
  host.reset();  // the base destructor finds nothing left to tear down
}

TEST(PageStack, EnterAndEscapeNeverClosePageOrHost) {
  TestHost host;
  int finished = 0;
  QObject::connect(&host, &QDialog::finished, [&] { ++finished; });
  host.show();
  host.AddPage(1);
  host.ShowPage(1);
  auto* page = static_cast<RecordingPage*>(host.PageById(1));
  page->button->setAutoDefault(false);
  page->button->setFocus();
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(page->button, static_cast<Qt::Key>(key));
    QTest::keyClick(page, static_cast<Qt::Key>(key));
  }
  QApplication::processEvents();
  EXPECT_EQ(finished, 0);
  EXPECT_TRUE(host.isVisible());
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(page->clicks, 0);
  // Space still presses the focused button: the keyboard works as usual.
  QTest::keyClick(page->button, Qt::Key_Space);
  EXPECT_EQ(page->clicks, 1);
}

}  // namespace
}  // namespace sp
