#include "app/csetuppilotapp.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>

namespace sp {
namespace {

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-app-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  CSetupPilotApp::Options Opts() {
    CSetupPilotApp::Options o;
    o.programDir = dir_.string();
    o.lockDir = dir_.string();
    o.showMessage = [this](const std::string& m) { messages_.push_back(m); };
    return o;
  }
  std::filesystem::path dir_;
  std::vector<std::string> messages_;
};

TEST_F(AppTest, RunsTheMainWindowInEnglishAndReportsFalse) {
  CSetupPilotApp app(Opts());
  std::string seen;
  const bool result = app.InitInstance([&](CSetupPilotApp& a) {
    seen = LoadText(a.LanguageHandle(), 101);
    return -1;
  });
  EXPECT_FALSE(result);
  EXPECT_EQ(app.outcome(), CSetupPilotApp::Outcome::Ran);
  EXPECT_EQ(app.mainWindowResult(), -1);
  EXPECT_EQ(seen, "Welcome");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppTest, SecondStartEndsSilentlyWithoutAWindow) {
  CSetupPilotApp first(Opts());
  bool secondRan = true;
  first.InitInstance([&](CSetupPilotApp&) {
    // While the first copy's window runs, a second start in another process.
    const pid_t pid = fork();
    if (pid == 0) {
      CSetupPilotApp second(Opts());
      bool ran = false;
      second.InitInstance([&](CSetupPilotApp&) {
        ran = true;
        return 0;
      });
      _exit(ran || second.outcome() != CSetupPilotApp::Outcome::AlreadyRunning ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    secondRan = !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return 0;
  });
  EXPECT_FALSE(secondRan);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppTest, ALockThatCannotBeOpenedIsSaidAndNoWindowRuns) {
  CSetupPilotApp::Options o = Opts();
  o.lockDir = (dir_ / "gone").string();
  CSetupPilotApp app(o);
  bool ran = false;
  app.InitInstance([&](CSetupPilotApp&) {
    ran = true;
    return 0;
  });
  EXPECT_FALSE(ran);
  EXPECT_EQ(app.outcome(), CSetupPilotApp::Outcome::CannotLock) << "not taken for a second copy";
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("The wizard cannot start: its lock file could not be opened.\n", 0), 0u) << messages_[0];
  EXPECT_NE(messages_[0].find("gone/KORVABPX.lock"), std::string::npos);
}

TEST_F(AppTest, MissingChineseModuleKeepsEnglish) {
  CSetupPilotApp app(Opts());
  app.InitInstance([](CSetupPilotApp& a) {
    a.SetLanguageModule("MLSChinese");
    return 0;
  });
  EXPECT_EQ(app.LanguageHandle(), nullptr);
}

}  // namespace
}  // namespace sp

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
