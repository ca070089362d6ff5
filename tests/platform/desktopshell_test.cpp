// Explorer command lines: which ones are run, and what the fake and the
// Linux desktop shell open for them.
#include "platform/desktopshell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "base/text.h"
#include "platform/fake/fakedesktopshell.h"
#include "platform/linux/linuxdesktopshell.h"

namespace sp {
namespace {

TEST(ExplorerCommandLine, AcceptsOnlyTheProgramWithADriveRootOrNothing) {
  using T = ExplorerTarget;
  EXPECT_EQ(ParseExplorerCommandLine("explorer X:\\"), T{'X'});
  EXPECT_EQ(ParseExplorerCommandLine("explorer e:\\"), T{'E'});
  EXPECT_EQ(ParseExplorerCommandLine("Explorer  Z:"), T{'Z'});
  EXPECT_EQ(ParseExplorerCommandLine("explorer "), T{});
  EXPECT_EQ(ParseExplorerCommandLine("explorer"), T{});
  EXPECT_EQ(ParseExplorerCommandLine("  explorer\tX:\\  "), T{'X'});
  for (const char* rejected : {"", "explorer.exe X:\\", "explorerX:\\", "explorer X:\\Users", "explorer X:/",
                               "explorer 1:\\", "explorer X:\\ Y:\\", "explorer http://10.0.0.1", "xdg-open /",
                               "explorer \xC3\x84:\\", "explorer ;rm -rf /", "explorer X"}) {
    EXPECT_EQ(ParseExplorerCommandLine(rejected), std::nullopt) << rejected;
  }
}

// The same lines against both shells: what is accepted, and what opens.
class DesktopShellContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-desktop-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    record_ = (dir_ / "opened").string();
    if (GetParam()) {
      // An opener that writes what it was given, as xdg-open would take it.
      const std::string opener = (dir_ / "opener").string();
      std::ofstream(opener) << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" << record_ << "'\n";
      chmod(opener.c_str(), 0755);
      LinuxDesktopShell::Options o;
      o.mountRoot = (dir_ / "mnt/").string();
      o.opener = opener;
      o.homeFolder = "/home/someone";
      shell_ = std::make_unique<LinuxDesktopShell>(o);
    } else {
      shell_ = std::make_unique<FakeDesktopShell>();
    }
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // What the Linux opener recorded, once `lines` lines are there.
  std::vector<std::string> Recorded(std::size_t lines) {
    std::vector<std::string> out;
    for (int i = 0; i < 500 && out.size() < lines; ++i) {
      out.clear();
      std::ifstream in(record_);
      for (std::string l; std::getline(in, l);) out.push_back(l);
      if (out.size() < lines) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return out;
  }

  std::filesystem::path dir_;
  std::string record_;
  std::unique_ptr<IDesktopShell> shell_;
};

TEST_P(DesktopShellContract, OpensTheDriveOrTheDefaultViewAndRefusesOtherLines) {
  EXPECT_TRUE(shell_->RunExplorer("explorer X:\\"));
  EXPECT_TRUE(shell_->RunExplorer("explorer "));
  EXPECT_FALSE(shell_->RunExplorer("explorer X:\\; touch pwned"));
  EXPECT_FALSE(shell_->RunExplorer("notepad"));
  if (GetParam()) {
    const std::string mnt = (dir_ / "mnt").string();
    // The two openers run detached, so they may record in either order.
    auto recorded = Recorded(2);
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(recorded, (std::vector<std::string>{"1|/home/someone", "1|" + mnt + "/x"}))
        << "one argument each, the letter's mount point and the home folder";
  } else {
    auto& fake = static_cast<FakeDesktopShell&>(*shell_);
    EXPECT_EQ(fake.opened, (std::vector<ExplorerTarget>{{'X'}, {}}));
    EXPECT_EQ(fake.commandLines.size(), 4u);
  }
}

TEST_P(DesktopShellContract, OpensWebAddressesAndLocalFilesThatExist) {
  const std::string here = dir_.string();
  EXPECT_EQ(shell_->OpenLink(u"http://10.77.0.2"), kLinkOpened);
  if (!GetParam()) return;  // the fake takes every link; what it records is all it does
  EXPECT_EQ(shell_->OpenLink(Utf8ToUtf16("  file://" + here + "  ")), kLinkOpened);
  EXPECT_EQ(shell_->OpenLink(u"10.77.0.9"), kLinkOpened) << "a bare host is a web address";
  EXPECT_EQ(shell_->OpenLink(Utf8ToUtf16(here + "/missing.txt")), kLinkFileNotFound);
  EXPECT_EQ(shell_->OpenLink(Utf8ToUtf16(here + "/no/such/file")), kLinkPathNotFound);
  EXPECT_EQ(shell_->OpenLink(u" "), kLinkFileNotFound);
  // Detached openers record in whatever order they happen to run.
  auto recorded = Recorded(3);
  std::sort(recorded.begin(), recorded.end());
  EXPECT_EQ(recorded, (std::vector<std::string>{"1|" + here, "1|http://10.77.0.2", "1|http://10.77.0.9"}));
}

INSTANTIATE_TEST_SUITE_P(Shells, DesktopShellContract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Linux" : "Fake"; });

TEST(LinuxDesktopShell, MissingOpenerIsAFailureAndBareNamesAreNotLookedUpInPath) {
  LinuxDesktopShell::Options o;
  o.opener = "/nonexistent/xdg-open";
  EXPECT_FALSE(LinuxDesktopShell(o).RunExplorer("explorer X:\\"));
  EXPECT_EQ(LinuxDesktopShell(o).OpenLink(u"http://10.77.0.2"), kLinkNoOpener);
  o.opener = "sp-no-such-opener";
  EXPECT_EQ(LinuxDesktopShell(o).OpenerPath(), "");
  o.opener = "sh";
  EXPECT_EQ(LinuxDesktopShell(o).OpenerPath().rfind("/", 0), 0u) << "found in the system's program folders";
  LinuxDesktopShell::Options d;
  EXPECT_EQ(LinuxDesktopShell(d).FolderFor("explorer q:\\"), "/mnt/q");
}

}  // namespace
}  // namespace sp
