#pragma once
// INetworkFacts from the kernel: interfaces and their addresses from
// getifaddrs (the calling thread's network namespace), link state and kind
// from sysfs, routes from the proc route table, the packet filter from the
// module list.
#include <string>

#include "platform/networkfacts.h"

namespace sp {

class LinuxNetworkFacts : public INetworkFacts {
 public:
  // sysfs shows the network namespace of whoever mounted it, /proc/self the
  // main thread's: the defaults follow the calling thread, and a test that
  // works in another namespace gives the folders it mounted there.
  explicit LinuxNetworkFacts(std::string sysClassNet = "/sys/class/net", std::string procNet = "/proc/thread-self/net",
                             std::string procModules = "/proc/modules")
      : sysClassNet_(std::move(sysClassNet)), procNet_(std::move(procNet)), procModules_(std::move(procModules)) {}

  bool Gather(NetworkFacts& out) override;

 private:
  void ReadLink(InterfaceFacts& facts) const;
  PacketFilter ReadFilter() const;

  std::string sysClassNet_;
  std::string procNet_;
  std::string procModules_;
};

}  // namespace sp
