// What the storage operations refuse, through the service's handler as the
// socket hands requests to it: disks outside the LUN folder, "..", symbolic
// links, loop devices that are not ours, bad letters and transfers past the
// disk. Loop devices need root; those cases are skipped without it.
#include "tools/iscsid/storageops.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/controlhandler.h"

namespace sp::iscsid {
namespace {

namespace fs = std::filesystem;
using namespace iscsictl;

constexpr std::uint64_t kDiskBytes = 4u << 20;

class StorageOpsTest : public ::testing::Test {
 protected:
  StorageOpsTest()
      : dir_(MakeDir()),
        core_(transport_, publisher_, nullptr, CoreSettings{}),
        handler_(core_),
        storage_(dir_ + "/disks", dir_ + "/drives") {
    handler_.SetStorage(&storage_);
    MakeFile(dir_ + "/disks/lun1", kDiskBytes);
    MakeFile(dir_ + "/outside", kDiskBytes);
    fs::create_symlink(dir_ + "/outside", dir_ + "/disks/escape");
  }
  ~StorageOpsTest() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  static std::string MakeDir() {
    std::string dir = (fs::temp_directory_path() / "sp-storageops-XXXXXX").string();
    EXPECT_NE(mkdtemp(dir.data()), nullptr);
    fs::create_directories(dir + "/disks");
    fs::create_directories(dir + "/drives");
    return dir;
  }
  static void MakeFile(const std::string& path, std::uint64_t size) {
    std::ofstream(path).close();
    fs::resize_file(path, size);
  }
  ControlMessage Ask(const char* op, const std::vector<std::pair<std::string, std::string>>& fields,
                     const Caller& caller = {}) {
    ControlRecord request("req");
    request.SetU64("v", kVersion).Set("op", op);
    for (const auto& [key, value] : fields) request.Set(key, value);
    return handler_.Handle({request}, caller);
  }
  static std::uint64_t StatusOf(const ControlMessage& m) { return m[0].GetU64Or("status", 999); }

  std::string dir_;
  testing::FakeTransport transport_;
  testing::RecordingPublisher publisher_;
  InitiatorCore core_;
  ControlHandler handler_;
  StorageOps storage_;
};

TEST_F(StorageOpsTest, OnlyRegularFilesDirectlyInTheLunFolderAreDisks) {
  const std::string lun = fs::canonical(dir_ + "/disks/lun1").string();
  const auto listed = Ask(op::kStorageDisks, {});
  ASSERT_EQ(listed.size(), 2u) << "the symbolic link is no disk";
  EXPECT_EQ(listed[1].Get("path"), lun);
  EXPECT_EQ(Ask(op::kDiskInfo, {{"path", "lun1"}})[0].GetU64Or("size", 0), kDiskBytes) << "by name";
  EXPECT_EQ(StatusOf(Ask(op::kDiskInfo, {{"path", lun}})), kOk) << "by path";

  for (const std::string& bad : std::vector<std::string>{
           dir_ + "/outside", dir_ + "/disks/escape", dir_ + "/disks/../outside", dir_ + "/disks/./lun1", "escape",
           "../outside", "lun1/", dir_ + "/disks", std::string("lun\n1"), std::string()}) {
    const auto reply = Ask(op::kDiskWrite, {{"path", bad}, {"offset", "0"}, {"data", "00"}});
    EXPECT_EQ(StatusOf(reply), kInvalidParameter) << bad;
    EXPECT_FALSE(reply[0].Get("error").empty()) << "a refusal says why";
  }
}

TEST_F(StorageOpsTest, TransfersStayInsideTheDiskAndUnderAMebibyte) {
  const std::string end = std::to_string(kDiskBytes);
  EXPECT_EQ(StatusOf(Ask(op::kDiskWrite, {{"path", "lun1"}, {"offset", "512"}, {"data", "55aa"}})), kOk);
  EXPECT_EQ(Ask(op::kDiskRead, {{"path", "lun1"}, {"offset", "511"}, {"length", "4"}})[0].Get("data"), "0055aa00");
  EXPECT_EQ(
      StatusOf(Ask(op::kDiskRead, {{"path", "lun1"}, {"offset", std::to_string(kDiskBytes - 1)}, {"length", "1"}})),
      kOk)
      << "the last byte";
  for (const auto& [offset, length] : std::vector<std::pair<std::string, std::string>>{
           {end, "1"}, {"0", "0"}, {"0", std::to_string((1u << 20) + 1)}, {"18446744073709551615", "2"}, {"x", "1"}}) {
    EXPECT_EQ(StatusOf(Ask(op::kDiskRead, {{"path", "lun1"}, {"offset", offset}, {"length", length}})),
              kInvalidParameter)
        << offset << "+" << length;
  }
  EXPECT_EQ(StatusOf(Ask(op::kDiskWrite, {{"path", "lun1"}, {"offset", end}, {"data", "00"}})), kInvalidParameter);
  EXPECT_EQ(StatusOf(Ask(op::kDiskWrite, {{"path", "lun1"}, {"offset", "0"}, {"data", "0g"}})), kInvalidParameter);
  EXPECT_EQ(StatusOf(Ask(op::kAttachLoop, {{"path", "lun1"}, {"offset", "100"}, {"size", "0"}})), kInvalidParameter)
      << "not on a sector";
  EXPECT_EQ(StatusOf(Ask(op::kAttachLoop, {{"path", "lun1"}, {"offset", "512"}, {"size", end}})), kInvalidParameter)
      << "past the end";
}

TEST_F(StorageOpsTest, OnlyRootMayChangeAnythingOthersMayLook) {
  const Caller user{1, 1000, 1000};
  EXPECT_EQ(StatusOf(Ask(op::kStorageDisks, {}, user)), kOk);
  EXPECT_EQ(StatusOf(Ask(op::kDiskInfo, {{"path", "lun1"}}, user)), kOk);
  for (const char* op : {op::kDiskRead, op::kDiskWrite, op::kAttachLoop, op::kFormatNtfs, op::kMountNtfs, op::kUnmount,
                         op::kProbeFs, op::kDetachLoop}) {
    EXPECT_EQ(StatusOf(Ask(op, {{"path", "lun1"}, {"offset", "0"}, {"length", "1"}}, user)), kNotAuthorised) << op;
  }
}

TEST_F(StorageOpsTest, LettersAreAToZAndOnlyOurMountsAreUnmounted) {
  for (const char* letter : {"", "1", "ab", "{", "/"}) {
    EXPECT_EQ(StatusOf(Ask(op::kUnmount, {{"letter", letter}})), kInvalidParameter) << letter;
  }
  EXPECT_EQ(StatusOf(Ask(op::kUnmount, {{"letter", "q"}})), kDeviceNotFound) << "nothing there";
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  fs::create_directories(dir_ + "/drives/q");
  ASSERT_EQ(mount("none", (dir_ + "/drives/q").c_str(), "tmpfs", 0, nullptr), 0);
  EXPECT_EQ(StatusOf(Ask(op::kUnmount, {{"letter", "q"}})), kInvalidParameter) << "not an NTFS volume of ours";
  EXPECT_EQ(umount((dir_ + "/drives/q").c_str()), 0) << "it was still mounted";
}

TEST_F(StorageOpsTest, LoopDevicesCountOnlyOverOurLunFiles) {
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  const auto attached = Ask(op::kAttachLoop, {{"path", "lun1"}, {"offset", "1048576"}, {"size", "0"}});
  ASSERT_EQ(StatusOf(attached), kOk) << attached[0].Get("error");
  const std::string ours = attached[0].Get("device");
  LinuxDriveLetters letters(dir_ + "/drives");
  LinuxVolumeControl control(letters);
  const std::string foreign = control.AttachLoop(dir_ + "/outside", 0, 0);
  ASSERT_FALSE(foreign.empty());

  const auto behind = Ask(op::kLoopBehind, {{"device", ours}});
  EXPECT_EQ(behind[0].Get("backing"), fs::canonical(dir_ + "/disks/lun1").string());
  EXPECT_EQ(behind[0].GetU64Or("offset", 0), 1048576u);
  for (const char* op : {op::kDetachLoop, op::kProbeFs, op::kFormatNtfs}) {
    EXPECT_EQ(StatusOf(Ask(op, {{"device", foreign}})), kInvalidParameter) << op;
    EXPECT_EQ(StatusOf(Ask(op, {{"device", "/dev/sda"}})), kInvalidParameter) << op;
  }
  EXPECT_EQ(StatusOf(Ask(op::kMountNtfs, {{"device", foreign}, {"letter", "q"}})), kInvalidParameter);
  EXPECT_EQ(StatusOf(Ask(op::kMountNtfs, {{"device", ours}, {"letter", "7"}})), kInvalidParameter);
  ControlRecord other("req");
  other.SetU64("v", kVersion).Set("op", op::kMountNtfs).Set("device", ours).Set("letter", "q");
  other.Set("owner_uid", "0").Set("owner_gid", "0");
  const auto reply = storage_.Handle(op::kMountNtfs, {other}, Caller{1, 1000, 1000});
  EXPECT_EQ(reply[0].Get("error"), "only root may name another owner");
  EXPECT_EQ(StatusOf(Ask(op::kFormatNtfs, {{"device", ours}, {"cluster_size", "3000"}})), kInvalidParameter);
  EXPECT_TRUE(Ask(op::kProbeFs, {{"device", ours}})[0].Get("type").empty());

  // Formatted and mounted for the owner root names; then the volume cannot
  // be formatted under its files, and only an NTFS mount of ours goes.
  ASSERT_EQ(StatusOf(Ask(op::kFormatNtfs, {{"device", ours}, {"hidden_sectors", "2048"}})), kOk);
  EXPECT_EQ(Ask(op::kProbeFs, {{"device", ours}})[0].Get("type"), "ntfs");
  ASSERT_EQ(
      StatusOf(Ask(op::kMountNtfs, {{"device", ours}, {"letter", "Q"}, {"owner_uid", "1234"}, {"owner_gid", "4321"}})),
      kOk);
  struct stat st {};
  EXPECT_EQ(stat((dir_ + "/drives/q").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 4321u);
  EXPECT_EQ(StatusOf(Ask(op::kFormatNtfs, {{"device", ours}})), kInvalidParameter);
  EXPECT_EQ(StatusOf(Ask(op::kUnmount, {{"letter", "q"}})), kOk);
  EXPECT_TRUE(control.LoopBehind(foreign)) << "the foreign loop is still there";

  EXPECT_EQ(StatusOf(Ask(op::kDetachLoop, {{"device", ours}})), kOk);
  EXPECT_TRUE(control.DetachLoop(foreign));
}

}  // namespace
}  // namespace sp::iscsid
