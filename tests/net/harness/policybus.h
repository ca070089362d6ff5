#pragma once
// A private system bus with its own polkitd, for tests of what polkit
// decides. dbus-daemon listens on a socket in a scratch directory; polkitd
// runs in a mount namespace of its own where /etc/polkit-1/rules.d holds only
// the test's rules and /usr/share/polkit-1/actions only the given policy
// files, so the machine's own polkit setup neither helps nor gets in the
// way. Programs that should ask it get DBUS_SYSTEM_BUS_ADDRESS=address().
// Both daemons are ended, and the scratch directory removed, when the
// object goes.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace sp::nettest {

class PolicyBus {
 public:
  // `rules` is the text of a polkit rules file (JavaScript); `policyFiles`
  // the action files polkitd is to know. Returns null with the reason in
  // *why when either daemon cannot be started or polkitd never comes onto
  // the bus.
  static std::unique_ptr<PolicyBus> Start(const std::string& rules, const std::vector<std::string>& policyFiles,
                                          std::string* why);
  ~PolicyBus();
  PolicyBus(const PolicyBus&) = delete;
  PolicyBus& operator=(const PolicyBus&) = delete;

  // "unix:path=<scratch>/system_bus_socket".
  const std::string& address() const { return address_; }
  // "DBUS_SYSTEM_BUS_ADDRESS=<address>", for a program's environment.
  std::string EnvironmentEntry() const { return "DBUS_SYSTEM_BUS_ADDRESS=" + address_; }
  // The daemons' output (for a failing test's message).
  std::string Logs() const;

  // Rules that answer every action under `prefix` (e.g. "org.setuppilot.")
  // with yes for the users named and no for everyone else.
  static std::string AllowOnly(const std::string& prefix, const std::vector<std::string>& users);

 private:
  explicit PolicyBus(std::string dir) : dir_(std::move(dir)) {}
  bool StartBus(std::string* why);
  bool StartPolkitd(std::string* why);
  bool WaitForPolkit(std::string* why);

  std::string dir_;
  std::string address_;
  pid_t bus_ = -1;
  pid_t polkitd_ = -1;
};

}  // namespace sp::nettest
