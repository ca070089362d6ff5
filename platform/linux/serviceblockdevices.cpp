#include "platform/linux/serviceblockdevices.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/iscsicontroltypes.h"

namespace sp {
namespace {

using namespace iscsictl;

class ServiceBlockDevice : public IBlockDevice {
 public:
  ServiceBlockDevice(ServiceStorageLink& link, std::string path, std::uint64_t size, std::uint32_t sectorSize,
                     std::vector<std::uint8_t> inquiry)
      : link_(link), path_(std::move(path)), size_(size), sectorSize_(sectorSize), inquiry_(std::move(inquiry)) {}

  bool Read(std::uint64_t offset, void* data, std::size_t length) override {
    auto* p = static_cast<std::uint8_t*>(data);
    while (length > 0) {
      const std::size_t piece = std::min<std::size_t>(length, kMaxDiskTransfer);
      ControlRecord request = StorageRequest(op::kDiskRead);
      request.Set("path", path_).SetU64("offset", offset).SetU64("length", piece);
      const auto reply = link_.Ask(request, ServiceStorageLink::kQuickMs);
      const auto bytes = reply ? ParseHex((*reply)[0].Get("data")) : std::nullopt;
      if (!bytes || bytes->size() != piece) return false;
      std::memcpy(p, bytes->data(), piece);
      p += piece;
      offset += piece;
      length -= piece;
    }
    return true;
  }

  bool Write(std::uint64_t offset, const void* data, std::size_t length) override {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
      const std::size_t piece = std::min<std::size_t>(length, kMaxDiskTransfer);
      ControlRecord request = StorageRequest(op::kDiskWrite);
      request.Set("path", path_).SetU64("offset", offset).Set("data", HexText(p, piece));
      if (!link_.Ask(request, ServiceStorageLink::kQuickMs)) return false;
      p += piece;
      offset += piece;
      length -= piece;
    }
    return true;
  }

  std::uint64_t SizeBytes() override { return size_; }
  std::uint32_t SectorSize() override { return sectorSize_; }

  bool Flush() override {
    return link_.Ask(StorageRequest(op::kDiskFlush).Set("path", path_), ServiceStorageLink::kQuickMs).has_value();
  }

  bool Inquiry(std::vector<std::uint8_t>& data) override {
    if (inquiry_.size() < kInquiryMinimum) return false;
    data = inquiry_;
    return true;
  }

 private:
  ServiceStorageLink& link_;
  std::string path_;
  std::uint64_t size_;
  std::uint32_t sectorSize_;
  std::vector<std::uint8_t> inquiry_;
};

}  // namespace

ServiceBlockDevices::ServiceBlockDevices(ServiceStorageLink& link, std::string sysDir, std::string devDir)
    : link_(link), local_(std::string(), std::move(sysDir), std::move(devDir)) {}

std::vector<std::string> ServiceBlockDevices::PhysicalDrives() {
  std::vector<std::string> drives = local_.SystemDisks();
  // As LinuxBlockDevices: drive 0 stays the system disk's number even
  // where there is none.
  if (drives.empty()) drives.emplace_back();
  const auto reply = link_.Ask(StorageRequest(op::kStorageDisks), ServiceStorageLink::kQuickMs);
  if (!reply) return drives;
  for (std::size_t i = 1; i < reply->size(); ++i) {
    if ((*reply)[i].type() == "disk" && !(*reply)[i].Get("path").empty()) drives.push_back((*reply)[i].Get("path"));
  }
  return drives;
}

std::unique_ptr<IBlockDevice> ServiceBlockDevices::Open(const std::string& path) {
  const std::vector<std::string> system = local_.SystemDisks();
  if (std::find(system.begin(), system.end(), path) != system.end()) return local_.Open(path);
  const auto reply = link_.Ask(StorageRequest(op::kDiskInfo).Set("path", path), ServiceStorageLink::kQuickMs);
  if (!reply) return nullptr;
  const ControlRecord& r = (*reply)[0];
  auto inquiry = ParseHex(r.Get("inquiry"));
  const std::uint64_t sector = r.GetU64Or("sector_size", 512);
  return std::make_unique<ServiceBlockDevice>(link_, path, r.GetU64Or("size", 0),
                                              static_cast<std::uint32_t>(sector ? sector : 512),
                                              inquiry ? std::move(*inquiry) : std::vector<std::uint8_t>{});
}

}  // namespace sp
