#pragma once
// A stateful ILocalAddresses for tests: lists what it was given, or fails.
#include <string>
#include <vector>

#include "platform/localaddresses.h"

namespace sp {

class FakeLocalAddresses : public ILocalAddresses {
 public:
  FakeLocalAddresses() = default;
  explicit FakeLocalAddresses(std::vector<LocalAddress> addresses) : addresses_(std::move(addresses)) {}

  // An address `text` on interface `interfaceName` (index `interfaceIndex`),
  // with a /24 broadcast address.
  static LocalAddress Make(const std::string& text, const std::string& interfaceName, unsigned interfaceIndex = 0);

  bool List(std::vector<LocalAddress>& out) override;

  void Set(std::vector<LocalAddress> addresses) { addresses_ = std::move(addresses); }
  void Add(const LocalAddress& address) { addresses_.push_back(address); }
  // When set, List() fails (the address list cannot be read).
  void SetUnavailable(bool unavailable) { unavailable_ = unavailable; }
  int listCalls() const { return listCalls_; }

 private:
  std::vector<LocalAddress> addresses_;
  bool unavailable_ = false;
  int listCalls_ = 0;
};

}  // namespace sp
