// What the agent and the connection queries read from the system: the mount
// table, /proc/filesystems and nmblookup's output. Any text must parse
// without harm; share paths taken from mounts must be plain.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/netdockprotocol.h"
#include "platform/netmounts.h"
#include "tools/netdock/nmblookupoutput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const sp::MountEntry& m : sp::ParseMountInfo(text)) {
    const std::string remote = sp::RemoteOfMount(m);
    std::string host, share;
    if (!remote.empty() && !sp::ParseUncPath(remote, &host, &share)) __builtin_trap();
    sp::TopMountAt({m}, m.mountPoint);
  }
  sp::KernelListsFilesystem(text, "cifs");
  const std::string address = sp::netdock::ParseNmbLookupAddress(text, "VBX-207");
  in_addr parsed{};
  if (!address.empty() && inet_pton(AF_INET, address.c_str(), &parsed) != 1) __builtin_trap();
  return 0;
}
