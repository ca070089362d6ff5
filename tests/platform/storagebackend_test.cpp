// The same contract for the storage platform layer's fake, its Linux
// backends (on real loop devices, ntfs-3g mounts and mkntfs; root only,
// skipped otherwise) and the clients that have the initiator service do the
// same steps (over its real control socket and storage operations, served
// in this process).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/fake/fakestorage.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumes.h"
#include "platform/linux/mkntfsformatter.h"
#include "platform/linux/serviceblockdevices.h"
#include "platform/linux/servicevolumecontrol.h"
#include "platform/linux/storagetools.h"
#include "tests/support/storagesandbox.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/controlserver.h"
#include "tools/iscsid/storageops.h"

namespace sp {
namespace {

using storagetest::InquiryData;

// The first line of `path` (containing `part`, when given).
std::string FirstLine(const std::string& path, const std::string& part = {}) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(part) != std::string::npos) return line;
  }
  return {};
}

class World {
 public:
  virtual ~World() = default;
  virtual std::string Unavailable() = 0;
  virtual std::string AddLun(const std::string& name, std::uint64_t size, const std::vector<std::uint8_t>& inq) = 0;
  virtual IBlockDevices& disks() = 0;
  virtual IDriveLetters& letters() = 0;
  virtual IVolumeControl& volumes() = 0;
  virtual INtfsFormatter& formatter() = 0;
  virtual bool real() const = 0;
};

class FakeWorld : public World {
 public:
  FakeWorld() { storage_.AddDisk("/dev/sda", 1ull << 30); }
  std::string Unavailable() override { return {}; }
  std::string AddLun(const std::string& name, std::uint64_t size, const std::vector<std::uint8_t>& inq) override {
    storage_.AddDisk("/luns/" + name, size, inq);
    return "/luns/" + name;
  }
  IBlockDevices& disks() override { return storage_; }
  IDriveLetters& letters() override { return storage_; }
  IVolumeControl& volumes() override { return storage_; }
  INtfsFormatter& formatter() override { return storage_; }
  bool real() const override { return false; }

 private:
  FakeStorage storage_;
};

class LinuxWorld : public World {
 public:
  LinuxWorld() : disks_(sandbox_.lunDir()), letters_(sandbox_.mountRoot()), volumes_(letters_) {}
  std::string Unavailable() override {
    std::string why = storagetest::RealDevicesUnavailable();
    if (why.empty() && !sandbox_.xattrsWork()) why = "the temporary folder keeps no user attributes";
    return why;
  }
  std::string AddLun(const std::string& name, std::uint64_t size, const std::vector<std::uint8_t>& inq) override {
    return sandbox_.AddLun(name, size, inq);
  }
  IBlockDevices& disks() override { return disks_; }
  IDriveLetters& letters() override { return letters_; }
  IVolumeControl& volumes() override { return volumes_; }
  INtfsFormatter& formatter() override { return formatter_; }
  bool real() const override { return true; }
  storagetest::Sandbox& sandbox() { return sandbox_; }

 private:
  storagetest::Sandbox sandbox_;
  LinuxBlockDevices disks_;
  LinuxDriveLetters letters_;
  LinuxVolumeControl volumes_;
  MkntfsFormatter formatter_;
};

class ServiceWorld : public World {
 public:
  ServiceWorld()
      : socket_(sandbox_.lunDir() + "/../control.sock"),
        core_(transport_, publisher_, nullptr, iscsid::CoreSettings{}),
        handler_(core_),
        storage_(sandbox_.lunDir(), sandbox_.mountRoot()),
        server_(socket_, [this](std::string_view text, const iscsid::Caller& caller,
                                std::stop_token stop) { return handler_.HandleText(text, caller, std::move(stop)); }),
        link_(socket_),
        disks_(link_),
        letters_(sandbox_.mountRoot()),
        volumes_(link_),
        formatter_(link_) {
    handler_.SetStorage(&storage_);
    started_ = server_.Start(&error_);
  }
  std::string Unavailable() override {
    std::string why = storagetest::RealDevicesUnavailable();
    if (why.empty() && !sandbox_.xattrsWork()) why = "the temporary folder keeps no user attributes";
    return why.empty() && !started_ ? error_ : why;
  }
  std::string AddLun(const std::string& name, std::uint64_t size, const std::vector<std::uint8_t>& inq) override {
    return sandbox_.AddLun(name, size, inq);
  }
  IBlockDevices& disks() override { return disks_; }
  IDriveLetters& letters() override { return letters_; }
  IVolumeControl& volumes() override { return volumes_; }
  INtfsFormatter& formatter() override { return formatter_; }
  bool real() const override { return true; }

 private:
  storagetest::Sandbox sandbox_;
  std::string socket_, error_;
  iscsid::testing::FakeTransport transport_;
  iscsid::testing::RecordingPublisher publisher_;
  iscsid::InitiatorCore core_;
  iscsid::ControlHandler handler_;
  iscsid::StorageOps storage_;
  iscsid::ControlServer server_;
  bool started_ = false;
  ServiceStorageLink link_;
  ServiceBlockDevices disks_;
  LinuxDriveLetters letters_;
  ServiceVolumeControl volumes_;
  ServiceNtfsFormatter formatter_;
};

template <typename W>
class StorageBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = world.Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  W world;
};

using Worlds = ::testing::Types<FakeWorld, LinuxWorld, ServiceWorld>;
TYPED_TEST_SUITE(StorageBackendTest, Worlds);

TYPED_TEST(StorageBackendTest, LunFilesAreDrivesAfterTheSystemDisksWithTheirInquiryData) {
  World& w = this->world;
  const auto inquiry = InquiryData("KORVA   ");
  const std::string b = w.AddLun("lun-b", 16 << 20, inquiry);
  const std::string a = w.AddLun("lun-a", 16 << 20, {});
  const std::string c = w.AddLun("lun-c", 16 << 20, std::vector<std::uint8_t>(20, 'x'));  // too short
  const auto drives = w.disks().PhysicalDrives();
  ASSERT_GE(drives.size(), 4u);
  // Drive 0 is the system disk (or stays empty), never a LUN.
  EXPECT_TRUE(drives[0].empty() || drives[0].rfind("/dev/", 0) == 0) << drives[0];
  if (!w.real()) {
    EXPECT_EQ(drives.size(), 4u);
  } else {
    // The LUN files come last, in name order.
    EXPECT_EQ((std::vector<std::string>(drives.end() - 3, drives.end())), (std::vector<std::string>{a, b, c}));
  }

  auto dev = w.disks().Open(b);
  ASSERT_TRUE(dev);
  EXPECT_EQ(dev->SizeBytes(), 16u << 20);
  EXPECT_EQ(dev->SectorSize(), 512u);
  std::vector<std::uint8_t> got;
  ASSERT_TRUE(dev->Inquiry(got));
  EXPECT_EQ(got, inquiry);
  std::vector<std::uint8_t> none;
  EXPECT_FALSE(w.disks().Open(a)->Inquiry(none));
  EXPECT_FALSE(w.disks().Open(c)->Inquiry(none));

  const std::vector<std::uint8_t> data = {1, 2, 3, 0x55, 0xAA};
  ASSERT_TRUE(dev->Write(510 - 3, data.data(), data.size()));
  ASSERT_TRUE(dev->Flush());
  std::vector<std::uint8_t> back(5);
  ASSERT_TRUE(dev->Read(510 - 3, back.data(), back.size()));
  EXPECT_EQ(back, data);
  // Past the end nothing is read.
  EXPECT_FALSE(dev->Read((16 << 20) - 2, back.data(), back.size()));
  EXPECT_FALSE(w.disks().Open(w.real() ? "/nonexistent/lun" : "/luns/none"));
}

TYPED_TEST(StorageBackendTest, VolumeLifecycleFromLoopToLetterAndBack) {
  World& w = this->world;
  const std::string lun = w.AddLun("lun0", 64 << 20, InquiryData("KORVA   "));
  const std::uint64_t length = 8ull * 8225280 - 32256;
  const std::string dev = w.volumes().AttachLoop(lun, 32256, length);
  ASSERT_FALSE(dev.empty());
  const auto loop = w.volumes().LoopBehind(dev);
  ASSERT_TRUE(loop);
  EXPECT_EQ(loop->backingFile, lun);
  EXPECT_EQ(loop->offset, 32256u);
  EXPECT_EQ(loop->sizeLimit, length);
  EXPECT_EQ(w.volumes().DiskBehind(dev), lun);
  EXPECT_FALSE(w.volumes().ProbeFileSystem(dev));
  EXPECT_FALSE(w.volumes().MountNtfs(dev, 'K'));  // nothing to mount yet

  std::vector<int> progress;
  NtfsFormatOptions options;
  ASSERT_TRUE(w.formatter().Format(dev, options, [&](int p) { progress.push_back(p); }, {}));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  const auto fs = w.volumes().ProbeFileSystem(dev);
  ASSERT_TRUE(fs);
  EXPECT_EQ(fs->type, "ntfs");
  // A stop asked for ends the tool: nothing is read or mounted.
  std::stop_source stopped;
  stopped.request_stop();
  EXPECT_FALSE(w.volumes().ProbeFileSystem(dev, stopped.get_token()));
  EXPECT_FALSE(w.volumes().MountNtfs(dev, 'K', stopped.get_token()));
  EXPECT_EQ(w.letters().DeviceAtLetter('K'), "");

  EXPECT_EQ(w.letters().LogicalDrives() & DriveLetterBit('K'), 0u);
  EXPECT_FALSE(w.volumes().DiskInUse(lun));
  ASSERT_TRUE(w.volumes().MountNtfs(dev, 'k'));
  EXPECT_NE(w.letters().LogicalDrives() & DriveLetterBit('K'), 0u);
  EXPECT_EQ(w.letters().DeviceAtLetter('K'), dev);
  EXPECT_TRUE(w.volumes().DiskInUse(lun));
  const std::vector<std::string> points = w.volumes().MountPointsOnDisk(lun);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_TRUE(points[0].ends_with("/k")) << points[0];
  // One mount per letter, one letter per volume.
  EXPECT_FALSE(w.volumes().MountNtfs(dev, 'L'));
  EXPECT_FALSE(w.volumes().MountNtfs(dev, 'K'));
  if (w.real()) {
    // Direct I/O on the file below, and a dirty limit of the loop device's
    // own (where the kernel has one), so writes flow while they are made.
    const std::string sys = "/sys/block/" + dev.substr(std::string("/dev/").size());
    EXPECT_EQ(FirstLine(sys + "/loop/dio"), "1");
    if (std::filesystem::exists(sys + "/bdi/max_bytes")) {
      EXPECT_EQ(FirstLine(sys + "/bdi/strict_limit"), "1");
      // Read back through the kernel's ratio of the moving global limit.
      EXPECT_LE(std::stoull(FirstLine(sys + "/bdi/max_bytes")), 2 * kLoopDirtyBytes);
    }
    EXPECT_NE(FirstLine("/proc/self/mounts", " " + w.letters().MountPoint('K') + " ").find(",noatime"),
              std::string::npos);
    std::ofstream(w.letters().MountPoint('K') + "/hello.txt") << "hello";
    std::ifstream in(w.letters().MountPoint('K') + "/hello.txt");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "hello");
  }

  ASSERT_TRUE(w.volumes().Unmount('K'));
  EXPECT_EQ(w.letters().LogicalDrives() & DriveLetterBit('K'), 0u);
  EXPECT_EQ(w.letters().DeviceAtLetter('K'), "");
  EXPECT_FALSE(w.volumes().DiskInUse(lun));
  EXPECT_FALSE(w.volumes().Unmount('K'));
  // The device is free again at once: it mounts at another letter.
  ASSERT_TRUE(w.volumes().MountNtfs(dev, 'M'));
  ASSERT_TRUE(w.volumes().Unmount('M'));
  ASSERT_TRUE(w.volumes().DetachLoop(dev));
  EXPECT_FALSE(w.volumes().LoopBehind(dev));
  EXPECT_FALSE(w.volumes().DetachLoop(lun));  // only loop devices are detached
}

TYPED_TEST(StorageBackendTest, PresentVolumesNameTheirLettersAndDrives) {
  World& w = this->world;
  const std::string lun = w.AddLun("lun0", 64 << 20, InquiryData("KORVA   "));
  const std::string dev = w.volumes().AttachLoop(lun, 32256, 8ull * 8225280 - 32256);
  ASSERT_FALSE(dev.empty());
  ASSERT_TRUE(w.formatter().Format(dev, {}, {}, {}));
  ASSERT_TRUE(w.volumes().MountNtfs(dev, 'S'));
  LinuxVolumes enumerator(w.letters(), w.volumes(), w.disks());
  const auto volumes = enumerator.PresentVolumes();
  const auto drives = w.disks().PhysicalDrives();
  auto it = std::find_if(volumes.begin(), volumes.end(), [&](const PresentVolume& v) { return v.volumeName == dev; });
  ASSERT_NE(it, volumes.end());
  EXPECT_EQ(it->pathNames, std::vector<std::string>{"S:\\"});
  ASSERT_EQ(it->diskNumbers.size(), 1u);
  EXPECT_EQ(drives[it->diskNumbers[0]], lun);
  EXPECT_TRUE(w.volumes().Unmount('S'));
  EXPECT_TRUE(w.volumes().DetachLoop(dev));
}

}  // namespace
}  // namespace sp
