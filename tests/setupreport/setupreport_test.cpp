// The setup report on a real folder: one file per run, bounded in size
// with the start and the latest entries kept, old reports removed, and
// entries from several threads all there and whole.
#include "setupreport/setupreport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace sp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SetupReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/setupreport-XXXXXX";
    root_ = mkdtemp(pattern);
    folder_ = root_ + "/state/setuppilot";
  }
  void TearDown() override { fs::remove_all(root_); }
  static std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::chrono::system_clock::time_point At(int second) {
    return std::chrono::system_clock::from_time_t(1'800'000'000 + second);
  }

  std::string root_, folder_;
};

TEST_F(SetupReportTest, OneFilePerRunInAPrivateFolderWithEveryEntry) {
  auto report = SetupReport::Create(folder_, At(0));
  ASSERT_TRUE(report);
  struct stat st {};
  ASSERT_EQ(stat(folder_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  report->Add("command 10 to 00:11:22:aa:bb:cc", "reply code 3\nsecond line");
  const std::string text = FileText(report->Path());
  EXPECT_EQ(text, report->Text());
  EXPECT_NE(text.find("  command 10 to 00:11:22:aa:bb:cc\n    reply code 3\n    second line\n"), std::string::npos);

  // A second run in the same second does not overwrite the first.
  auto again = SetupReport::Create(folder_, At(0));
  ASSERT_TRUE(again);
  EXPECT_NE(again->Path(), report->Path());
  EXPECT_EQ(FileText(report->Path()), text);
}

TEST_F(SetupReportTest, StaysUnderItsLimitKeepingTheStartAndTheLatest) {
  auto report = SetupReport::Create(folder_, At(0), {.maxBytes = 8192, .keepRuns = 3});
  ASSERT_TRUE(report);
  for (int i = 0; i < 500; ++i) report->Add("entry " + std::to_string(i));
  report->Add("tool output", std::string(100'000, 'x'));  // one huge entry keeps its ends
  report->Add("last entry");
  const std::string text = FileText(report->Path());
  EXPECT_LE(text.size(), 8192u);
  EXPECT_NE(text.find("entry 0\n"), std::string::npos);
  EXPECT_NE(text.find("entries left out"), std::string::npos);
  EXPECT_NE(text.find("bytes left out"), std::string::npos);
  EXPECT_NE(text.find("last entry\n"), std::string::npos);
  EXPECT_EQ(text.find("entry 300\n"), std::string::npos);
}

TEST_F(SetupReportTest, KeepsOnlyTheNewestRunsAndLeavesOtherFilesAlone) {
  fs::create_directories(folder_);
  std::ofstream(folder_ + "/notes.txt") << "mine";
  for (int run = 0; run < 5; ++run) ASSERT_TRUE(SetupReport::Create(folder_, At(run * 60), {.keepRuns = 3}));
  const std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(
      names.back(), "setup-" + [] {
        std::time_t t = 1'800'000'000 + 240;
        std::tm tm{};
        localtime_r(&t, &tm);
        char b[32];
        std::strftime(b, sizeof b, "%Y%m%d-%H%M%S", &tm);
        return std::string(b);
      }() + ".txt");
  EXPECT_EQ(names[0], "notes.txt") << "three reports are left, and the user's own file";
}

TEST_F(SetupReportTest, EntriesFromSeveralThreadsAreAllThereAndWhole) {
  auto report = std::shared_ptr<SetupReport>(SetupReport::Create(folder_, At(0)));
  SetCurrentSetupReport(report);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 50; ++i) RecordSetupStep("thread " + std::to_string(t) + " step " + std::to_string(i));
    });
  }
  for (auto& th : threads) th.join();
  SetCurrentSetupReport(nullptr);
  RecordSetupStep("after the end");  // no report: nothing happens
  const std::string text = FileText(report->Path());
  for (int t = 0; t < 4; ++t) EXPECT_NE(text.find("thread " + std::to_string(t) + " step 49\n"), std::string::npos);
  EXPECT_EQ(text.find("after the end"), std::string::npos);
}

TEST(SetupReportFolder, FollowsTheStateDirectoryRules) {
  const char* savedState = std::getenv("XDG_STATE_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string state = savedState ? savedState : "", home = savedHome ? savedHome : "";
  setenv("HOME", "/home/ann", 1);
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(SetupReportFolder(), "/var/state/setuppilot");
  setenv("XDG_STATE_HOME", "relative", 1);
  EXPECT_EQ(SetupReportFolder(), "/home/ann/.local/state/setuppilot");
  unsetenv("XDG_STATE_HOME");
  unsetenv("HOME");
  EXPECT_EQ(SetupReportFolder(), "");
  if (savedHome) setenv("HOME", home.c_str(), 1);
  if (savedState) setenv("XDG_STATE_HOME", state.c_str(), 1);
}

}  // namespace
}  // namespace sp
