// FakeStorage: the disks and raw access to them.
#include <algorithm>
#include <cstring>

#include "platform/fake/fakestorage.h"

namespace sp {

namespace {
constexpr std::uint64_t kChunk = 4096;
}

class FakeBlockDevice : public IBlockDevice {
 public:
  FakeBlockDevice(FakeStorage& owner, std::string path) : owner_(owner), path_(std::move(path)) {}

  bool Read(std::uint64_t offset, void* data, std::size_t length) override {
    std::lock_guard lock(owner_.mutex_);
    return owner_.ReadLocked(path_, offset, data, length);
  }
  bool Write(std::uint64_t offset, const void* data, std::size_t length) override {
    std::lock_guard lock(owner_.mutex_);
    owner_.Record("write " + path_ + " @" + std::to_string(offset) + " +" + std::to_string(length));
    return owner_.WriteLocked(path_, offset, data, length);
  }
  std::uint64_t SizeBytes() override {
    std::lock_guard lock(owner_.mutex_);
    auto it = owner_.disks_.find(path_);
    return it == owner_.disks_.end() ? 0 : it->second.size;
  }
  std::uint32_t SectorSize() override {
    std::lock_guard lock(owner_.mutex_);
    auto it = owner_.disks_.find(path_);
    return it == owner_.disks_.end() ? 512 : it->second.sectorSize;
  }
  bool Flush() override {
    std::lock_guard lock(owner_.mutex_);
    owner_.Record("flush " + path_);
    return owner_.disks_.count(path_) != 0;
  }
  bool Inquiry(std::vector<std::uint8_t>& data) override {
    std::lock_guard lock(owner_.mutex_);
    auto it = owner_.disks_.find(path_);
    if (it == owner_.disks_.end() || it->second.inquiry.size() < kInquiryMinimum) return false;
    data = it->second.inquiry;
    if (data.size() > kInquiryAllocation) data.resize(kInquiryAllocation);
    return true;
  }

 private:
  FakeStorage& owner_;
  std::string path_;
};

void FakeStorage::AddDisk(const std::string& path, std::uint64_t size, std::vector<std::uint8_t> inquiry) {
  AddUnlistedDisk(path, size, std::move(inquiry));
  std::lock_guard lock(mutex_);
  drives_.push_back(path);
}

void FakeStorage::AddUnlistedDisk(const std::string& path, std::uint64_t size, std::vector<std::uint8_t> inquiry) {
  std::lock_guard lock(mutex_);
  Disk& d = disks_[path];
  d.size = size;
  d.inquiry = std::move(inquiry);
}

void FakeStorage::RemoveDisk(const std::string& path) {
  std::lock_guard lock(mutex_);
  disks_.erase(path);
  drives_.erase(std::remove(drives_.begin(), drives_.end(), path), drives_.end());
}

void FakeStorage::SetOpenFails(const std::string& path, bool fails) {
  std::lock_guard lock(mutex_);
  disks_[path].openFails = fails;
}

void FakeStorage::SetWriteFails(const std::string& path, bool fails) {
  std::lock_guard lock(mutex_);
  disks_[path].writeFails = fails;
}

void FakeStorage::SetSectorSize(const std::string& path, std::uint32_t sectorSize) {
  std::lock_guard lock(mutex_);
  disks_[path].sectorSize = sectorSize;
}

std::vector<std::uint8_t> FakeStorage::Bytes(const std::string& disk, std::uint64_t offset, std::size_t length) {
  std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> out(length);
  if (!ReadLocked(disk, offset, out.data(), length)) out.clear();
  return out;
}

void FakeStorage::PutBytes(const std::string& disk, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  const bool fails = disks_[disk].writeFails;
  disks_[disk].writeFails = false;
  WriteLocked(disk, offset, bytes.data(), bytes.size());
  disks_[disk].writes--;  // setting up is not a write by the code under test
  disks_[disk].writeFails = fails;
}

int FakeStorage::OpenCount(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto it = disks_.find(path);
  return it == disks_.end() ? 0 : it->second.opens;
}

int FakeStorage::WriteCount(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto it = disks_.find(path);
  return it == disks_.end() ? 0 : it->second.writes;
}

std::vector<std::string> FakeStorage::PhysicalDrives() {
  std::lock_guard lock(mutex_);
  return drives_;
}

std::unique_ptr<IBlockDevice> FakeStorage::Open(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto it = disks_.find(path);
  if (it == disks_.end() || it->second.openFails) return nullptr;
  it->second.opens++;
  Record("open " + path);
  return std::make_unique<FakeBlockDevice>(*this, path);
}

bool FakeStorage::ReadLocked(const std::string& path, std::uint64_t offset, void* data, std::size_t length) {
  auto it = disks_.find(path);
  if (it == disks_.end() || offset > it->second.size || length > it->second.size - offset) return false;
  auto* out = static_cast<std::uint8_t*>(data);
  for (std::size_t done = 0; done < length;) {
    const std::uint64_t at = offset + done;
    const std::uint64_t base = at / kChunk * kChunk;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, base + kChunk - at));
    auto chunk = it->second.chunks.find(base);
    if (chunk == it->second.chunks.end()) {
      std::memset(out + done, 0, n);
    } else {
      std::memcpy(out + done, chunk->second.data() + (at - base), n);
    }
    done += n;
  }
  return true;
}

bool FakeStorage::WriteLocked(const std::string& path, std::uint64_t offset, const void* data, std::size_t length) {
  auto it = disks_.find(path);
  if (it == disks_.end() || it->second.writeFails || offset > it->second.size || length > it->second.size - offset)
    return false;
  it->second.writes++;
  const auto* in = static_cast<const std::uint8_t*>(data);
  for (std::size_t done = 0; done < length;) {
    const std::uint64_t at = offset + done;
    const std::uint64_t base = at / kChunk * kChunk;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, base + kChunk - at));
    auto& chunk = it->second.chunks[base];
    if (chunk.empty()) chunk.resize(kChunk);
    std::memcpy(chunk.data() + (at - base), in + done, n);
    done += n;
  }
  return true;
}

}  // namespace sp
