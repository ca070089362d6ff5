#pragma once
// The PC's disks ("physical drives") and raw access to them.
//
// Physical drive numbers: 0 is the first system disk listed in /sys/block,
// then come the further system disks, then every iSCSI LUN that the initiator
// service has logged in to, as a regular file in its disk folder, in name
// order. A LUN file is read and written like a disk and carries the LUN's
// SCSI INQUIRY data in an extended attribute; real SCSI disks are asked with
// an SG_IO INQUIRY.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sp {

// Where the initiator service exposes each logged-in LUN as a file.
inline constexpr const char kIscsiDiskDir[] = "/run/setuppilot/iscsi/disks";
// The extended attribute of a LUN file that holds the raw INQUIRY data the
// target returned (at least 36 bytes).
inline constexpr const char kScsiInquiryAttribute[] = "user.scsi.inquiry";
inline constexpr const char kSysDir[] = "/sys";
inline constexpr const char kDevDir[] = "/dev";

// INQUIRY allocation length, and the length of the standard data that holds
// vendor (offset 8), product (16) and revision (32).
inline constexpr std::size_t kInquiryAllocation = 255;
inline constexpr std::size_t kInquiryMinimum = 36;

class IBlockDevice {
 public:
  virtual ~IBlockDevice() = default;
  // Whole transfers only: false unless all `length` bytes moved.
  virtual bool Read(std::uint64_t offset, void* data, std::size_t length) = 0;
  virtual bool Write(std::uint64_t offset, const void* data, std::size_t length) = 0;
  // Size in bytes (0 when it cannot be told) and logical sector size.
  virtual std::uint64_t SizeBytes() = 0;
  virtual std::uint32_t SectorSize() = 0;
  // Writes everything buffered through to the device.
  virtual bool Flush() = 0;
  // Standard INQUIRY data, at most kInquiryAllocation bytes. False when the
  // device cannot be asked, answers with a nonzero SCSI status or returns
  // fewer than kInquiryMinimum bytes.
  virtual bool Inquiry(std::vector<std::uint8_t>& data) = 0;
};

class IBlockDevices {
 public:
  virtual ~IBlockDevices() = default;
  // Paths of the physical drives, index = drive number (a fresh listing on
  // every call: LUN files come and go with iSCSI sessions). An empty path
  // stands for a number without a drive.
  virtual std::vector<std::string> PhysicalDrives() = 0;
  // Opens a disk for reading and writing; null when it cannot be opened.
  virtual std::unique_ptr<IBlockDevice> Open(const std::string& path) = 0;
};

}  // namespace sp
