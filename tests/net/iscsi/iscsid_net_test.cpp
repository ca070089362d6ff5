// The initiator service against a real tgtd across the test network: LUN
// files that read and write the target's disk, targets that vanish and come
// back, restarts of the service, and a loop device with NTFS on top.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/linux/iscsicontrolprotocol.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp::nettest {
namespace {

namespace op = iscsictl::op;
using namespace std::chrono_literals;

std::string ReadAt(const std::string& path, off_t offset, std::size_t n) {
  std::string data(n, '\0');
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return "";
  const ssize_t got = pread(fd, data.data(), n, offset);
  close(fd);
  data.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return data;
}

// A read that bypasses the page cache; returns the bytes read or -errno.
long DirectRead(const std::string& path, off_t offset) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECT);
  if (fd < 0) return -errno;
  void* buffer = nullptr;
  if (posix_memalign(&buffer, 4096, 4096) != 0) {
    close(fd);
    return -ENOMEM;
  }
  const ssize_t n = pread(fd, buffer, 4096, offset);
  const long result = n < 0 ? -errno : n;
  free(buffer);
  close(fd);
  return result;
}

// Runs `read` on its own thread: a hang shows as a timeout, not a stuck test.
long BoundedRead(const std::function<long()>& read, std::chrono::seconds bound, bool* finished) {
  auto done = std::async(std::launch::async, read);
  *finished = done.wait_for(bound) == std::future_status::ready;
  if (!*finished) {
    done.wait();  // the test has failed already; still do not leave the thread
    return 0;
  }
  return done.get();
}

class IscsidNetTest : public IscsiNetTest {};

TEST_F(IscsidNetTest, LoginGivesALunFileThatReadsAndWritesTheTargetsDisk) {
  ASSERT_TRUE(StartService());
  const std::string session = AddPortalAndLogin();
  ASSERT_FALSE(session.empty());
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());

  struct stat st {};
  ASSERT_EQ(stat(lun.c_str(), &st), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), kLunBytes);
  char inquiry[256];
  const ssize_t n = getxattr(lun.c_str(), "user.scsi.inquiry", inquiry, sizeof inquiry);
  ASSERT_GE(n, 36);
  EXPECT_EQ(std::string(inquiry + 8, 8), "KORVA   ");
  EXPECT_EQ(inquiry[0] & 0x1F, 0) << "a direct-access disk";

  // An unaligned write lands on the target's disk byte for byte.
  std::string pattern(10000, '\0');
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(i * 7 + 3);
  const int fd = open(lun.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, pattern.data(), pattern.size(), 123457), static_cast<ssize_t>(pattern.size()));
  ASSERT_EQ(fsync(fd), 0);
  close(fd);
  EXPECT_EQ(ReadAt(tgt_->backingFile(), 123457, pattern.size()), pattern);
  EXPECT_EQ(ReadAt(lun, 123457, pattern.size()), pattern);

  // The session report names the file as the session's device.
  ControlMessage sessions;
  ASSERT_EQ(Call(op::kSessions, {}, &sessions), 0);
  bool listed = false;
  for (const auto& record : sessions) listed |= record.type() == "device" && record.Get("path") == lun;
  EXPECT_TRUE(listed);

  ASSERT_EQ(Call(op::kLogout, {{"session", session}}), 0);
  EXPECT_FALSE(std::filesystem::exists(lun));
}

TEST_F(IscsidNetTest, TargetThatStopsGivesErrorsNotHangsAndComesBack) {
  ASSERT_TRUE(StartService());
  ASSERT_FALSE(AddPortalAndLogin().empty());
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  const std::string mark = "still here after the outage";
  {
    std::fstream file(lun, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(1 << 20);
    file.write(mark.data(), static_cast<std::streamsize>(mark.size()));
  }
  ASSERT_EQ(DirectRead(lun, 1 << 20), 4096);

  tgt_->Kill();  // the appliance loses power
  bool finished = false;
  const long failed = BoundedRead([&] { return DirectRead(lun, 2 << 20); }, 30s, &finished);
  ASSERT_TRUE(finished) << "I/O to a vanished target must not hang";
  EXPECT_EQ(failed, -EIO);
  EXPECT_TRUE(std::filesystem::exists(lun)) << "the file stays while the session waits for its target";

  std::string error;
  ASSERT_TRUE(RunInNamespace(net().vbx(), [&] { return tgt_->Revive(&error); })) << error;
  long back = -1;
  for (int i = 0; i < 150 && back != 4096; ++i) {
    back = DirectRead(lun, 1 << 20);
    if (back != 4096) std::this_thread::sleep_for(100ms);
  }
  ASSERT_EQ(back, 4096) << "the session logs in again once the target is back";
  EXPECT_EQ(ReadAt(lun, 1 << 20, mark.size()), mark);
}

TEST_F(IscsidNetTest, CutNetworkGivesBoundedErrorsAndHealsWhenRestored) {
  ASSERT_TRUE(StartService());
  ASSERT_FALSE(AddPortalAndLogin().empty());
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  // No reset reaches us this time: only the time limits end the wait.
  ASSERT_TRUE(net().Ip(net().pc(), {"link", "set", net().pcInterface(), "down"}));
  bool finished = false;
  const long failed = BoundedRead([&] { return DirectRead(lun, 3 << 20); }, 30s, &finished);
  ASSERT_TRUE(finished);
  EXPECT_EQ(failed, -EIO);
  ASSERT_TRUE(net().Ip(net().pc(), {"link", "set", net().pcInterface(), "up"}));
  long back = -1;
  for (int i = 0; i < 200 && back != 4096; ++i) {
    back = DirectRead(lun, 3 << 20);
    if (back != 4096) std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(back, 4096);
}

TEST_F(IscsidNetTest, PersistentLoginSurvivesARestartUntilRemoved) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Call(op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
  ASSERT_EQ(Call(op::kLogin, {{"target", kIscsiTarget}, {"persistent", "1"}}), 0);
  EXPECT_TRUE(WaitForLunFile(1000).empty()) << "a persistent login alone does not log in";

  ASSERT_EQ(StopService(), 0) << "SIGTERM ends the service cleanly";
  EXPECT_FALSE(std::filesystem::exists(mount_ + "/" + kIscsiTarget + "-lun1"));
  ASSERT_TRUE(StartService());
  EXPECT_FALSE(WaitForLunFile().empty()) << "the persistent login is made again at start";

  ControlMessage logins;
  ASSERT_EQ(Call(op::kPersistentLogins, {}, &logins), 0);
  ASSERT_EQ(logins.size(), 2u);
  EXPECT_EQ(logins[1].Get("target"), kIscsiTarget);
  ASSERT_EQ(Call(op::kRemovePersistent, {{"initiator", logins[1].Get("initiator")},
                                         {"target", kIscsiTarget},
                                         {"address", logins[1].Get("address")},
                                         {"socket", logins[1].Get("socket")}}),
            0);
  ASSERT_EQ(StopService(), 0);
  ASSERT_TRUE(StartService());
  ControlMessage sessions;
  std::this_thread::sleep_for(1s);
  ASSERT_EQ(Call(op::kSessions, {}, &sessions), 0);
  EXPECT_EQ(sessions.size(), 1u) << "no session once the persistent login is gone";
}

TEST_F(IscsidNetTest, KilledServiceLeavesNoHungFileAndRecoversItsMount) {
  ASSERT_TRUE(StartService());
  ASSERT_EQ(Call(op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
  ASSERT_EQ(Call(op::kLogin, {{"target", kIscsiTarget}, {"persistent", "1"}}), 0);
  ASSERT_EQ(Call(op::kLogin, {{"target", kIscsiTarget}}), 0);
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  KillService();
  bool finished = false;
  const long failed = BoundedRead([&] { return DirectRead(lun, 0); }, 10s, &finished);
  ASSERT_TRUE(finished);
  EXPECT_LT(failed, 0);
  ASSERT_TRUE(StartService()) << "a dead mount at the mount point does not stop a new start";
  EXPECT_FALSE(WaitForLunFile().empty());
  EXPECT_EQ(DirectRead(lun, 0), 4096);
}

TEST_F(IscsidNetTest, LoopDeviceNtfsAndMountOverTheLunFile) {
  ASSERT_TRUE(StartService());
  const std::string session = AddPortalAndLogin();
  const std::string lun = WaitForLunFile();
  ASSERT_FALSE(lun.empty());
  // The partition starts at sector 63, as the disk layer lays it out.
  std::string loop;
  ASSERT_EQ(
      Run({"losetup", "-f", "--show", "-o", "32256", "--sizelimit", std::to_string(kLunBytes - 32256), lun}, &loop), 0)
      << loop;
  loop.erase(loop.find_last_not_of("\n") + 1);
  std::string output;
  ASSERT_EQ(Run({"mkntfs", "-Q", "-c", "8192", "-p", "63", "-H", "255", "-S", "63", loop}, &output), 0) << output;
  const std::string point = net().scratchDir() + "/x";
  std::filesystem::create_directories(point);
  ASSERT_EQ(Run({"ntfs-3g", loop, point}, &output), 0) << output;
  { std::ofstream(point + "/hello.txt") << "hello from the appliance's disk"; }
  ASSERT_EQ(Run({"umount", point}, &output), 0) << output;

  EXPECT_EQ(Call(op::kLogout, {{"session", session}}), iscsictl::kDeviceBusy)
      << "a disk held by a loop device is not pulled away";
  ASSERT_EQ(Run({"ntfs-3g", "-o", "ro", loop, point}, &output), 0) << output;
  std::string text;
  std::getline(std::ifstream(point + "/hello.txt"), text);
  EXPECT_EQ(text, "hello from the appliance's disk");
  ASSERT_EQ(Run({"umount", point}, &output), 0) << output;
  ASSERT_EQ(Run({"losetup", "-d", loop}, &output), 0) << output;
  // The kernel lets go of the backing file only once nothing has the loop
  // device open any more (a probe by another program may hold it a moment).
  long status = iscsictl::kDeviceBusy;
  for (int i = 0; i < 50 && status == iscsictl::kDeviceBusy; ++i) {
    status = Call(op::kLogout, {{"session", session}});
    if (status == iscsictl::kDeviceBusy) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace sp::nettest
