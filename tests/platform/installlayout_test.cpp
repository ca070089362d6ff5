// Where the program finds its parts: beside it in the build tree, in the
// usual places under the prefix once installed, wherever that prefix is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/installlayout.h"
#include "platform/linux/linuxinitiatorservice.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

class InstallLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("sp-layout-" + std::to_string(getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(InstallLayoutTest, BuildTreeInstalledTreeAndNeither) {
  const fs::path build = root_ / "build" / "bin";
  fs::create_directories(build / "resource");
  InstallLayout l = LayoutFor(build.string() + "/");
  EXPECT_FALSE(l.installed);
  EXPECT_EQ(l.programDir, build.string());
  EXPECT_EQ(l.dataDir, build.string());
  EXPECT_EQ(l.helperDir, build.string());
  EXPECT_EQ(l.serviceProgram, (build / "setuppilot-iscsid").string());

  // An unpacked package anywhere: found relative to its bin folder.
  const fs::path prefix = root_ / "unpacked" / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "setuppilot" / "resource");
  l = LayoutFor((prefix / "bin").string());
  EXPECT_TRUE(l.installed);
  EXPECT_EQ(fs::weakly_canonical(l.dataDir), prefix / "share" / "setuppilot");
  EXPECT_EQ(fs::weakly_canonical(l.helperDir), prefix / "libexec" / "setuppilot");
  EXPECT_EQ(fs::weakly_canonical(l.serviceProgram), prefix / "sbin" / "setuppilot-iscsid");

  // A resource folder beside the program wins over an installed one.
  fs::create_directories(prefix / "bin" / "resource");
  EXPECT_FALSE(LayoutFor((prefix / "bin").string()).installed);

  // Neither: the program folder, where the missing pictures are reported.
  l = LayoutFor((root_ / "empty").string());
  EXPECT_FALSE(l.installed);
  EXPECT_EQ(l.dataDir, (root_ / "empty").string());
}

TEST(RunningProgramFolderTest, IsTheFolderOfThisTest) {
  const std::string dir = RunningProgramFolder();
  EXPECT_TRUE(fs::exists(fs::path(dir) / "platform_tests")) << dir;
}

// The service runs as root: the desktop user's wizard has it started by
// systemd's unit when the unit can start it as asked, else by pkexec.
TEST(InitiatorStartCommand, ByTheWizardsRights) {
  const std::string program = "/usr/sbin/setuppilot-iscsid", socket = iscsictl::kDefaultSocket;
  using Argv = std::vector<std::string>;
  EXPECT_EQ(InitiatorStartCommand(program, socket, {}, false, true),
            (Argv{"systemctl", "start", "setuppilot-iscsid.service"}));
  EXPECT_EQ(InitiatorStartCommand(program, socket, {}, false, false), (Argv{"pkexec", program, "--socket", socket}));
  EXPECT_EQ(InitiatorStartCommand(program, "/tmp/s", {"--mount", "/tmp/d"}, false, true),
            (Argv{"pkexec", program, "--socket", "/tmp/s", "--mount", "/tmp/d"}));
  EXPECT_EQ(InitiatorStartCommand(program, socket, {}, true, true), (Argv{program, "--socket", socket}));
}

}  // namespace
}  // namespace sp
