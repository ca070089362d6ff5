#include "platform/linux/linuxvolumememory.h"

#include <unistd.h>

#include <cctype>

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {

bool LinuxVolumeMemory::RememberVolume(const std::string& target, char letter) {
  if (!std::isalpha(static_cast<unsigned char>(letter)) || target.empty()) return false;
  ControlRecord request = IscsiControlClient::Request(iscsictl::op::kRememberVolume);
  request.Set("target", target).Set("letter", std::string(1, static_cast<char>(std::tolower(letter))));
  // The drive is for whoever runs the wizard: the mount made at the next
  // start gives them its files.
  request.SetU64("owner_uid", getuid()).SetU64("owner_gid", getgid());
  IscsiControlClient client(socketPath_);
  const auto reply = client.Call({request}, kCallMs);
  return reply && (*reply)[0].GetU64Or("status", iscsictl::kInternal) == iscsictl::kOk;
}

}  // namespace sp
