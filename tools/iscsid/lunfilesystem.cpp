#define FUSE_USE_VERSION 312
#include "tools/iscsid/lunfilesystem.h"

#include <fcntl.h>
#include <fuse.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace sp::iscsid {
namespace {

LunFileSystem& Self() { return *static_cast<LunFileSystem*>(fuse_get_context()->private_data); }

// "/name" -> "name", "/" -> ""; false for anything deeper (there is nothing
// below the top level).
bool SplitPath(const char* path, std::string& name) {
  if (!path || path[0] != '/') return false;
  name = path + 1;
  return name.find('/') == std::string::npos;
}

void* OpInit(fuse_conn_info* conn, fuse_config* cfg) {
  // Requests as large as one SCSI command carries, and many of them at once
  // (read-ahead and the loop device's direct I/O come as background
  // requests): the target is far away, and a transfer that waits for each
  // round trip in turn gets a fraction of the link.
  conn->max_write = static_cast<unsigned>(kMaxTransferBytes);
  conn->max_read = static_cast<unsigned>(kMaxTransferBytes);
  conn->max_readahead = static_cast<unsigned>(kMaxTransferBytes);
  conn->max_background = 64;
  conn->congestion_threshold = 48;
  // No caching of names or sizes: a LUN can go away or change size at any
  // time, and the next lookup must see it.
  cfg->entry_timeout = 0;
  cfg->attr_timeout = 0;
  cfg->negative_timeout = 0;
  cfg->direct_io = 0;
  cfg->kernel_cache = 0;
  return fuse_get_context()->private_data;
}

int OpGetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
  std::string name;
  if (!SplitPath(path, name)) return -ENOENT;
  return Self().GetAttr(name, st, fi ? fi->fh : 0, fi != nullptr);
}

int OpReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOTDIR;
  std::map<std::string, std::uint64_t> sizes;
  Self().List(sizes);
  fill(buf, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  fill(buf, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  for (const auto& [name, size] : sizes) fill(buf, name.c_str(), nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int OpOpen(const char* path, fuse_file_info* fi) {
  std::string name;
  if (!SplitPath(path, name) || name.empty()) return -ENOENT;
  std::uint64_t handle = 0;
  if (const int rc = Self().Open(name, fi->flags, handle); rc < 0) return rc;
  fi->fh = handle;
  fi->direct_io = 0;  // loop devices and page-cache users read through the cache
  fi->keep_cache = 0;
  return 0;
}

int OpRelease(const char*, fuse_file_info* fi) { return Self().Release(fi->fh); }

int OpRead(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const auto device = Self().DeviceOf(fi->fh);
  if (!device || offset < 0) return -EIO;
  return static_cast<int>(device->Read(static_cast<std::uint64_t>(offset), size, reinterpret_cast<std::uint8_t*>(buf)));
}

int OpWrite(const char*, const char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const auto device = Self().DeviceOf(fi->fh);
  if (!device || offset < 0) return -EIO;
  return static_cast<int>(
      device->Write(static_cast<std::uint64_t>(offset), size, reinterpret_cast<const std::uint8_t*>(buf)));
}

int OpFsync(const char*, int, fuse_file_info* fi) {
  const auto device = Self().DeviceOf(fi->fh);
  return device ? device->Flush() : -EIO;
}

int OpTruncate(const char* path, off_t size, fuse_file_info* fi) {
  std::string name;
  if (!SplitPath(path, name)) return -ENOENT;
  const auto device = fi ? Self().DeviceOf(fi->fh) : Self().DeviceNamed(name);
  if (!device) return -ENOENT;
  // A disk has the size it has; "truncating" to that size is harmless.
  return static_cast<std::uint64_t>(size) == device->size() ? 0 : -EPERM;
}

int OpGetXattr(const char* path, const char* attr, char* value, size_t size) {
  std::string name;
  if (!SplitPath(path, name) || name.empty()) return -ENODATA;
  const auto device = Self().DeviceNamed(name);
  if (!device) return -ENOENT;
  std::string data;
  const LunIdentity& identity = device->identity();
  if (std::strcmp(attr, kInquiryAttribute) == 0) {
    data.assign(identity.inquiry.begin(), identity.inquiry.end());
  } else if (std::strcmp(attr, kLunAttribute) == 0) {
    data = std::to_string(identity.lun);
  } else {
    return -ENODATA;
  }
  if (size == 0) return static_cast<int>(data.size());
  if (size < data.size()) return -ERANGE;
  std::memcpy(value, data.data(), data.size());
  return static_cast<int>(data.size());
}

int OpListXattr(const char* path, char* list, size_t size) {
  std::string name;
  if (!SplitPath(path, name) || name.empty()) return 0;
  std::string names;
  names.append(kInquiryAttribute).push_back('\0');
  names.append(kLunAttribute).push_back('\0');
  if (size == 0) return static_cast<int>(names.size());
  if (size < names.size()) return -ERANGE;
  std::memcpy(list, names.data(), names.size());
  return static_cast<int>(names.size());
}

int OpUtimens(const char*, const struct timespec*, fuse_file_info*) { return 0; }

const fuse_operations& Operations() {
  static const fuse_operations ops = [] {
    fuse_operations o{};
    o.init = OpInit;
    o.getattr = OpGetAttr;
    o.readdir = OpReadDir;
    o.open = OpOpen;
    o.release = OpRelease;
    o.read = OpRead;
    o.write = OpWrite;
    o.fsync = OpFsync;
    o.truncate = OpTruncate;
    o.getxattr = OpGetXattr;
    o.listxattr = OpListXattr;
    o.utimens = OpUtimens;
    o.create = [](const char*, mode_t, fuse_file_info*) { return -EPERM; };
    o.mknod = [](const char*, mode_t, dev_t) { return -EPERM; };
    o.mkdir = [](const char*, mode_t) { return -EPERM; };
    o.unlink = [](const char*) { return -EPERM; };
    o.rmdir = [](const char*) { return -EPERM; };
    o.rename = [](const char*, const char*, unsigned int) { return -EPERM; };
    o.chmod = [](const char*, mode_t, fuse_file_info*) { return -EPERM; };
    o.chown = [](const char*, uid_t, gid_t, fuse_file_info*) { return -EPERM; };
    o.setxattr = [](const char*, const char*, const char*, size_t, int) { return -EPERM; };
    o.removexattr = [](const char*, const char*) { return -EPERM; };
    return o;
  }();
  return ops;
}

}  // namespace

LunFileSystem::LunFileSystem(std::string mountPoint)
    : mountPoint_(std::move(mountPoint)), uid_(getuid()), gid_(getgid()) {}

LunFileSystem::~LunFileSystem() { Unmount(); }

bool LunFileSystem::Mount(std::string* error) {
  std::error_code ec;
  struct stat st {};
  if (stat(mountPoint_.c_str(), &st) != 0 && errno == ENOTCONN) {
    // The FUSE mount of a service that died: nothing answers it any more.
    umount2(mountPoint_.c_str(), MNT_DETACH);
  }
  std::filesystem::create_directories(mountPoint_, ec);
  mountTime_ = time(nullptr);
  std::string options =
      "fsname=setuppilot-iscsi,subtype=iscsi,default_permissions,max_read=" + std::to_string(kMaxTransferBytes);
  if (geteuid() == 0) options += ",allow_other";  // root-owned files, 0600: only root reaches them
  const char* argv[] = {"setuppilot-iscsid", "-o", options.c_str()};
  fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(argv));
  fuse_ = fuse_new(&args, &Operations(), sizeof(fuse_operations), this);
  fuse_opt_free_args(&args);
  if (!fuse_) {
    if (error) *error = "cannot set up FUSE";
    return false;
  }
  if (fuse_mount(fuse_, mountPoint_.c_str()) != 0) {
    fuse_destroy(fuse_);
    fuse_ = nullptr;
    if (error) *error = "cannot mount " + mountPoint_;
    return false;
  }
  loopEnded_ = false;
  loop_ = std::thread([this] {
    fuse_loop_config* config = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(config, 16);
    fuse_loop_mt(fuse_, config);
    fuse_loop_cfg_destroy(config);
    loopEnded_ = true;
  });
  // Asked of the mount itself, so only once the loop answers it.
  struct stat mounted {};
  if (stat(mountPoint_.c_str(), &mounted) == 0 && major(mounted.st_dev) == 0) connection_ = minor(mounted.st_dev);
  return true;
}

void LunFileSystem::AbortConnection() const {
  if (connection_ == 0) return;
  // The control file system wherever it is mounted or not: a private mount
  // of our own, gone again at once.
  const std::string dir = mountPoint_ + ".control";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (mount("fusectl", dir.c_str(), "fusectl", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) == 0) {
    const std::string abort = dir + "/" + std::to_string(connection_) + "/abort";
    const int fd = open(abort.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
      (void)!write(fd, "1", 1);
      close(fd);
    }
    umount2(dir.c_str(), MNT_DETACH);
  }
  rmdir(dir.c_str());
}

void LunFileSystem::Unmount() {
  if (!fuse_) return;
  fuse_exit(fuse_);
  fuse_unmount(fuse_);  // wakes the loop: its reads of the device end
  // Unless a file stays open: then the mount lives on, detached, and its
  // requests would keep the loop waiting until that file is closed.
  for (int i = 0; i < 60 && !loopEnded_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!loopEnded_) AbortConnection();
  if (loop_.joinable()) loop_.join();
  fuse_destroy(fuse_);
  fuse_ = nullptr;
}

std::string LunFileSystem::Publish(const std::string& name, std::shared_ptr<LunDevice> device) {
  std::lock_guard lock(mutex_);
  entries_[name].device = std::move(device);
  return mountPoint_ + "/" + name;
}

void LunFileSystem::Withdraw(const std::string& name) {
  std::lock_guard lock(mutex_);
  entries_.erase(name);
}

bool LunFileSystem::InUse(const std::string& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& [id, handle] : handles_) {
    if (handle.name == name) return true;
  }
  return false;
}

int LunFileSystem::GetAttr(const std::string& name, struct stat* st, std::uint64_t handle, bool hasHandle) {
  std::memset(st, 0, sizeof *st);
  st->st_uid = uid_;
  st->st_gid = gid_;
  st->st_atime = st->st_mtime = st->st_ctime = mountTime_;
  if (name.empty()) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
  }
  std::shared_ptr<LunDevice> device = hasHandle ? DeviceOf(handle) : nullptr;
  if (!device) device = DeviceNamed(name);
  if (!device) return -ENOENT;
  st->st_mode = S_IFREG | 0600;
  st->st_nlink = 1;
  st->st_size = static_cast<off_t>(device->size());
  st->st_blksize = static_cast<blksize_t>(device->blockSize());
  st->st_blocks = static_cast<blkcnt_t>(device->size() / 512);
  return 0;
}

int LunFileSystem::List(std::map<std::string, std::uint64_t>& sizes) const {
  std::lock_guard lock(mutex_);
  for (const auto& [name, entry] : entries_) sizes[name] = entry.device->size();
  return 0;
}

int LunFileSystem::Open(const std::string& name, int flags, std::uint64_t& handle) {
  if (flags & O_TRUNC) return -EPERM;
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(name);
  if (it == entries_.end()) return -ENOENT;
  handle = nextHandle_++;
  handles_[handle] = Handle{name, it->second.device};
  return 0;
}

int LunFileSystem::Release(std::uint64_t handle) {
  std::lock_guard lock(mutex_);
  handles_.erase(handle);
  return 0;
}

std::shared_ptr<LunDevice> LunFileSystem::DeviceOf(std::uint64_t handle) const {
  std::lock_guard lock(mutex_);
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : it->second.device;
}

std::shared_ptr<LunDevice> LunFileSystem::DeviceNamed(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : it->second.device;
}

}  // namespace sp::iscsid
