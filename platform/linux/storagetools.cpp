#include "platform/linux/storagetools.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "platform/storagetooloutput.h"

namespace sp {
namespace {
constexpr std::array<std::string_view, 6> kStorageTools = {"mkntfs", "losetup", "mount", "ntfs-3g", "umount", "blkid"};

bool WriteSetting(const std::filesystem::path& path, const std::string& value) {
  std::ofstream out(path);
  out << value;
  out.flush();
  return static_cast<bool>(out);
}
}  // namespace

bool IsAllowedStorageTool(std::string_view name) { return IsAllowedTool(kStorageTools, name); }

ToolResult RunStorageTool(const std::vector<std::string>& argv, int timeoutMs, std::stop_token stop,
                          const std::function<void(std::string_view)>& onOutput) {
  ToolRunOptions options;
  options.timeoutMs = timeoutMs;
  options.onOutput = onOutput;
  options.stop = std::move(stop);
  return RunAllowedTool(kStorageTools, argv, options);
}

std::vector<std::string> LoopAttachCommand(const std::string& backingFile, std::uint64_t offset, std::uint64_t size) {
  std::vector<std::string> argv = {"losetup", "--show", "-f", "--direct-io=on", "-o", std::to_string(offset)};
  if (size) {
    argv.push_back("--sizelimit");
    argv.push_back(std::to_string(size));
  }
  argv.push_back("--");
  argv.push_back(backingFile);
  return argv;
}

std::vector<std::string> NtfsMountCommand(NtfsDriver driver, const std::string& device, const std::string& point,
                                          const std::optional<DriveOwner>& owner) {
  std::string options = "noatime";
  if (owner) options += ",uid=" + std::to_string(owner->uid) + ",gid=" + std::to_string(owner->gid) + ",umask=022";
  if (driver == NtfsDriver::kKernel) return {"mount", "-t", "ntfs3", "-o", options, "--", device, point};
  options += ",big_writes";
  if (owner) options += ",allow_other";
  // ntfs-3g takes no "--": the caller gives absolute paths.
  return {"ntfs-3g", "-o", options, device, point};
}

bool LimitLoopWriteback(const std::string& sysDir, const std::string& device, std::uint64_t bytes) {
  if (ParseLosetupDevice(device) != device) return false;
  const std::filesystem::path bdi =
      std::filesystem::path(sysDir) / "block" / std::filesystem::path(device).filename() / "bdi";
  std::error_code ec;
  if (!std::filesystem::exists(bdi / "max_bytes", ec)) return false;
  // Strict: the device keeps to its own limit even while the system as a
  // whole is far below the global one.
  return WriteSetting(bdi / "max_bytes", std::to_string(bytes)) && WriteSetting(bdi / "strict_limit", "1");
}

}  // namespace sp
