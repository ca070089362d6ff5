#pragma once
// A device link for page tests: the adapter check answers from a script
// (then with a default), and every call is counted. Exchanges, discovery and
// the probe answer "no reply".
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

#include "devicelink/idevicelink.h"

namespace sp::test {

class ScriptedDeviceLink : public IDeviceLink {
 public:
  int SendDeviceCommand(const char*, std::uint8_t, const std::uint8_t*, std::size_t, std::uint8_t*) override {
    ++exchanges;
    return 0;
  }
  void DiscoverDevices(IDeviceList&) override { ++discoveries; }
  bool ProbeDeviceAddress(const char*) override { return false; }
  bool HasUsableAdapter() override {
    ++adapterChecks;
    std::lock_guard<std::mutex> lock(mutex_);
    if (script_.empty()) return usable_;
    const bool r = script_.front();
    script_.pop_front();
    return r;
  }

  // The next answers of the adapter check, then `otherwise` for the rest.
  void ScriptAdapter(std::deque<bool> answers, bool otherwise) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = std::move(answers);
    usable_ = otherwise;
  }

  std::atomic<int> adapterChecks{0};
  std::atomic<int> exchanges{0};
  std::atomic<int> discoveries{0};

 private:
  std::mutex mutex_;
  std::deque<bool> script_;
  bool usable_ = true;
};

}  // namespace sp::test
