#include "platform/linux/linuxblockdevices.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/storagetooloutput.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

class LinuxBlockDevice : public IBlockDevice {
 public:
  LinuxBlockDevice(int fd, bool isBlock) : fd_(fd), isBlock_(isBlock) {}
  ~LinuxBlockDevice() override { close(fd_); }

  bool Read(std::uint64_t offset, void* data, std::size_t length) override {
    auto* p = static_cast<char*>(data);
    while (length > 0) {
      const ssize_t n = pread(fd_, p, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      offset += static_cast<std::uint64_t>(n);
      length -= static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Write(std::uint64_t offset, const void* data, std::size_t length) override {
    const auto* p = static_cast<const char*>(data);
    while (length > 0) {
      const ssize_t n = pwrite(fd_, p, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      offset += static_cast<std::uint64_t>(n);
      length -= static_cast<std::size_t>(n);
    }
    return true;
  }

  std::uint64_t SizeBytes() override {
    if (isBlock_) {
      std::uint64_t size = 0;
      return ioctl(fd_, BLKGETSIZE64, &size) == 0 ? size : 0;
    }
    struct stat st {};
    return fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }

  std::uint32_t SectorSize() override {
    int size = 0;
    if (isBlock_ && ioctl(fd_, BLKSSZGET, &size) == 0 && size > 0) return static_cast<std::uint32_t>(size);
    return 512;  // LUN files are addressed in the 512-byte blocks of the LUN
  }

  bool Flush() override { return fsync(fd_) == 0; }

  bool Inquiry(std::vector<std::uint8_t>& data) override {
    return isBlock_ ? ScsiInquiry(data) : AttributeInquiry(data);
  }

 private:
  // The initiator service keeps what the target answered in an attribute.
  bool AttributeInquiry(std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> buf(kInquiryAllocation);
    ssize_t n = fgetxattr(fd_, kScsiInquiryAttribute, buf.data(), buf.size());
    if (n < 0 && errno == ERANGE) {
      // Longer than the allocation length: take its first 255 bytes, as the
      // target would have sent them.
      const ssize_t full = fgetxattr(fd_, kScsiInquiryAttribute, nullptr, 0);
      if (full <= 0) return false;
      std::vector<std::uint8_t> all(static_cast<std::size_t>(full));
      n = fgetxattr(fd_, kScsiInquiryAttribute, all.data(), all.size());
      if (n < 0) return false;
      std::copy_n(all.begin(), std::min<std::size_t>(static_cast<std::size_t>(n), buf.size()), buf.begin());
      n = std::min<ssize_t>(n, static_cast<ssize_t>(buf.size()));
    }
    if (n < static_cast<ssize_t>(kInquiryMinimum)) return false;
    buf.resize(static_cast<std::size_t>(n));
    data = std::move(buf);
    return true;
  }

  // INQUIRY through the SCSI generic pass-through: CDB 12 00 00 00 FF 00,
  // data in, 10 s time-out, 32 bytes of sense.
  bool ScsiInquiry(std::vector<std::uint8_t>& data) {
    std::uint8_t cdb[6] = {0x12, 0, 0, 0, static_cast<std::uint8_t>(kInquiryAllocation), 0};
    std::uint8_t sense[32] = {};
    std::vector<std::uint8_t> buf(kInquiryAllocation);
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = sizeof cdb;
    io.mx_sb_len = sizeof sense;
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.dxfer_len = static_cast<unsigned>(buf.size());
    io.dxferp = buf.data();
    io.cmdp = cdb;
    io.sbp = sense;
    io.timeout = 10000;
    if (ioctl(fd_, SG_IO, &io) != 0) return false;
    if (io.status != 0 || io.host_status != 0 || (io.driver_status & 0x0F) != 0) return false;
    const int got = static_cast<int>(buf.size()) - io.resid;
    if (got < static_cast<int>(kInquiryMinimum)) return false;
    buf.resize(static_cast<std::size_t>(got));
    data = std::move(buf);
    return true;
  }

  int fd_;
  bool isBlock_;
};

bool IsSystemDiskName(const std::string& name) {
  // Optical and floppy drives have a device but are not disks.
  return name.rfind("sr", 0) != 0 && name.rfind("fd", 0) != 0;
}

}  // namespace

LinuxBlockDevices::LinuxBlockDevices(std::string lunDir, std::string sysDir, std::string devDir)
    : lunDir_(std::move(lunDir)), sysDir_(std::move(sysDir)), devDir_(std::move(devDir)) {}

std::vector<std::string> LinuxBlockDevices::SystemDisks() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(sysDir_) / "block", ec)) {
    const std::string name = entry.path().filename().string();
    // Virtual block devices (loop, zram, ram, dm, md, nbd) have no device link.
    if (!fs::exists(entry.path() / "device", ec) || !IsSystemDiskName(name)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  std::vector<std::string> paths;
  for (std::string name : names) {
    std::replace(name.begin(), name.end(), '!', '/');  // cciss!c0d0 is /dev/cciss/c0d0
    paths.push_back(devDir_ + "/" + name);
  }
  return paths;
}

std::vector<std::string> LinuxBlockDevices::LunFiles() const {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(lunDir_, ec)) {
    if (entry.is_regular_file(ec)) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> LinuxBlockDevices::PhysicalDrives() {
  std::vector<std::string> drives = SystemDisks();
  // Without a system disk (some containers) drive 0 stays empty, so that a
  // LUN never takes the number that is never examined.
  if (drives.empty()) drives.emplace_back();
  for (std::string& lun : LunFiles()) drives.push_back(std::move(lun));
  return drives;
}

std::unique_ptr<IBlockDevice> LinuxBlockDevices::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<LinuxBlockDevice>(fd, S_ISBLK(st.st_mode));
}

}  // namespace sp
