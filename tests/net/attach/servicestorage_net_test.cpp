// The final setup's disk preparation as the program wires it: every
// partition write, loop device, format and mount goes through the initiator
// service's socket (a real service, a real tgtd LUN), and a user who is not
// root gets refused without anything changing.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "hoststorage/linux/linuxfinalsetup.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/stoptokenwait.h"
#include "platform/fake/fakenetwork.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "tests/net/iscsi/iscsinettest.h"
#include "wizardstate/wizardstate.h"

namespace sp::nettest {
namespace {

constexpr uid_t kNobody = 65534;

std::string ReadBytes(const std::string& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  return bytes;
}

class ServiceStorageNetTest : public IscsiNetTest {
 protected:
  void TearDown() override {
    LinuxDriveLetters letters(drives_);
    LinuxVolumeControl control(letters);
    for (char letter = 'd'; letter <= 'z'; ++letter) {
      if (!letters.DeviceAtLetter(letter).empty()) control.Unmount(letter);
    }
    IscsiNetTest::TearDown();
  }

  // What a user who is not root manages to do through the service; each
  // bit of the result is a step that was NOT refused as it should be.
  int AsNobody(const std::string& lun, const std::string& loop) {
    const pid_t pid = fork();
    if (pid != 0) {
      int status = 0;
      waitpid(pid, &status, 0);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
    }
    if (setresgid(kNobody, kNobody, kNobody) != 0 || setresuid(kNobody, kNobody, kNobody) != 0) _exit(254);
    ServiceStorageLink link(socket_);
    ServiceBlockDevices disks(link);
    ServiceVolumeControl control(link);
    ServiceNtfsFormatter formatter(link);
    int wrong = 0;
    const auto drives = disks.PhysicalDrives();
    if (std::find(drives.begin(), drives.end(), lun) == drives.end()) wrong |= 1;  // looking is free
    auto disk = disks.Open(lun);
    const std::string zeros(512, '\0');
    if (!disk || disk->Write(0, zeros.data(), zeros.size())) wrong |= 2;
    if (link.Refusal() != iscsictl::kNotAuthorised || link.LastError() != "not authorised") wrong |= 4;
    if (control.Unmount('x') || !control.AttachLoop(lun, 1 << 20, 0).empty() || control.DetachLoop(loop)) wrong |= 8;
    if (formatter.Format(loop, NtfsFormatOptions{}, {}, {})) wrong |= 16;
    if (control.MountNtfs(loop, 'y')) wrong |= 32;
    _exit(wrong);
  }

  FakeNetDockAgent agent_;
};

TEST_F(ServiceStorageNetTest, PreparesThroughTheServiceAndRefusesOtherUsers) {
  ASSERT_TRUE(StartService());
  LinuxFinalSetup::Paths paths;
  paths.initiatorSocket = socket_;
  paths.driveRoot = drives_;
  LinuxFinalSetup setup(agent_, paths);
  WizardState state{};
  CopyBounded(state.targetMac, kIscsiMac);
  CopyBounded(state.deviceIpAddress, kVbxAddress);
  CopyBounded(state.iscsiDriveLetter, "X:");
  IscsiAttach attach(setup.Interpreter(), setup.Preparation(), setup.Shares());
  std::stop_source stop;
  StopTokenWait wait(stop.get_token());
  const AttachOutcome outcome = attach.Run(state, wait, [](int) {});
  ASSERT_EQ(outcome.result, AttachResult::kAttached) << setup.StorageLink().LastError();

  // Partitioned, formatted and mounted at X: under our drive root, by the
  // service: an NTFS volume on a loop device over the LUN.
  const std::string lun = WaitForLunFile();
  const std::string mbr = ReadBytes(lun, 512);
  EXPECT_EQ(static_cast<unsigned char>(mbr[510]), 0x55);
  LinuxDriveLetters letters(drives_);
  const std::string loop = letters.DeviceAtLetter('x');
  ASSERT_EQ(loop.rfind("/dev/loop", 0), 0u) << loop;
  LinuxVolumeControl local(letters);
  ASSERT_TRUE(local.LoopBehind(loop));
  EXPECT_EQ(std::filesystem::canonical(local.LoopBehind(loop)->backingFile), std::filesystem::canonical(lun));
  EXPECT_EQ(local.ProbeFileSystem(loop)->type, "ntfs");
  std::ofstream(drives_ + "/x/kept.txt") << "kept";

  // Another user may reach the socket but changes nothing.
  for (const std::string& dir : {net().scratchDir(), net().scratchDir() + "/iscsi"}) {
    chmod(dir.c_str(), 0711);
  }
  EXPECT_EQ(AsNobody(lun, loop), 0);
  EXPECT_TRUE(ReadBytes(lun, 512) == mbr) << "the partition table is untouched";
  EXPECT_EQ(letters.DeviceAtLetter('x'), loop) << "still mounted";
  EXPECT_TRUE(letters.DeviceAtLetter('y').empty());
  EXPECT_TRUE(std::filesystem::exists(drives_ + "/x/kept.txt"));
}

}  // namespace
}  // namespace sp::nettest
