// The day after: a whole run leaves X: and Y:, files are written to both,
// the PC is switched off (the service stopped as at shutdown, every mount
// and loop device gone, only the state files kept) and started again. The
// service and the agent, started as boot and login start them, bring both
// drives back at their letters with the files, without the wizard.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/e2e/wizardrunfixture.h"
#include "tests/net/harness/runcommand.h"

namespace sp::e2e {
namespace {

using namespace std::chrono_literals;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Written and fsynced: acknowledged, so it must survive the power-off.
bool WriteSynced(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  close(fd);
  return ok;
}

class RebootTest : public WizardRunTest {
 protected:
  bool BothMountedWithin(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!(MountedAt('x') && MountedAt('y'))) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(200ms);
    }
    return true;
  }
  bool MountedAt(char lower) {
    std::string table;
    nettest::RunCommand({"findmnt", "-n", "-o", "TARGET", Letter(lower)}, &table);
    return table == Letter(lower) + "\n";
  }
};

TEST_F(RebootTest, BothDrivesComeBackAtTheirLettersWithoutTheWizard) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  ASSERT_NO_FATAL_FAILURE(WalkToNetworkStep());
  ASSERT_TRUE(W().FillIdentity());
  ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
  ASSERT_NO_FATAL_FAILURE(WalkDiskPageAndFinish());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);

  const std::string onX(200000, 'x'), onY = "kept on the share\n";
  ASSERT_TRUE(WriteSynced(Letter('x') + "/day-one.bin", onX));
  ASSERT_TRUE(WriteSynced(Letter('y') + "/day-one.txt", onY));

  ASSERT_NO_FATAL_FAILURE(PowerOff());
  EXPECT_FALSE(MountedAt('x'));
  EXPECT_FALSE(MountedAt('y'));

  ASSERT_NO_FATAL_FAILURE(BootAndLogIn());
  EXPECT_TRUE(BothMountedWithin(120s)) << "X: " << MountedAt('x') << ", Y: " << MountedAt('y');
  EXPECT_EQ(Slurp(Letter('x') + "/day-one.bin"), onX);
  EXPECT_EQ(Slurp(Letter('y') + "/day-one.txt"), onY);
  ExpectIscsiVolumeAt('X');
}

}  // namespace
}  // namespace sp::e2e
