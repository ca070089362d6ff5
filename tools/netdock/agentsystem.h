#pragma once
// What the agent asks of the system to map shares: tools, the mount table,
// bind mounts and unmounts, directory probes, DNS. One interface so that the
// mapping logic can be tested against a model of the system.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/iscsicontrolmessage.h"
#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/nettools.h"

namespace sp::netdock {

class IAgentSystem {
 public:
  virtual ~IAgentSystem() = default;
  // An allow-listed tool, waited for up to `timeoutMs`.
  virtual NetToolResult RunTool(const std::vector<std::string>& argv, int timeoutMs,
                                const std::vector<std::string>& extraEnv) = 0;
  // A small system text file (/proc/self/mountinfo, /proc/filesystems); ""
  // when it cannot be read.
  virtual std::string ReadText(const std::string& path) = 0;
  // 0 or the errno value.
  virtual int BindMount(const std::string& source, const std::string& target) = 0;
  virtual int Unmount(const std::string& path, bool detach) = 0;
  // Whether the directory can be opened and listed.
  virtual bool ProbeDirectory(const std::string& path) = 0;
  // An IPv4 address of `host` from the resolver (DNS, hosts file) as dotted
  // text; "" when there is none.
  virtual std::string ResolveDns(const std::string& host) = 0;
  // One request to the root service (setuppilot-iscsid), which mounts for
  // an agent that runs as the user: the reply's status, kNotSupported when
  // no service answers.
  virtual std::uint32_t AskService(const ControlRecord& request) = 0;
};

class LinuxAgentSystem : public IAgentSystem {
 public:
  explicit LinuxAgentSystem(std::string serviceSocket = iscsictl::kDefaultSocket)
      : serviceSocket_(std::move(serviceSocket)) {}

  NetToolResult RunTool(const std::vector<std::string>& argv, int timeoutMs,
                        const std::vector<std::string>& extraEnv) override;
  std::string ReadText(const std::string& path) override;
  int BindMount(const std::string& source, const std::string& target) override;
  int Unmount(const std::string& path, bool detach) override;
  bool ProbeDirectory(const std::string& path) override;
  std::string ResolveDns(const std::string& host) override;
  std::uint32_t AskService(const ControlRecord& request) override;

 private:
  std::string serviceSocket_;
};

}  // namespace sp::netdock
