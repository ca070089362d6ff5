#pragma once
// A device link for unit tests: records every request and answers from a
// script (a function of the request), with probe answers queued.
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "devicelink/idevicelink.h"

namespace sp {

class ScriptedLink : public IDeviceLink {
 public:
  struct Request {
    std::string mac;
    std::uint8_t command;
    std::vector<std::uint8_t> payload;
    int item() const { return payload.size() >= 2 ? payload[0] | payload[1] << 8 : -1; }
  };
  // Returns the reply datagram from offset 22 on (reply code first); empty
  // for no reply.
  using Answer = std::function<std::vector<std::uint8_t>(const Request&)>;

  Answer answer = [](const Request&) { return std::vector<std::uint8_t>{kReplyAccepted, 0, 0, 0, 0}; };
  std::deque<bool> probeAnswers;
  std::vector<Request> requests;
  std::vector<std::string> probes;
  // Runs at each request before it is answered (to look at other fakes).
  std::function<void(const Request&)> onRequest;

  int SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                        std::size_t payloadLength, std::uint8_t* replyArea) override {
    Request r{targetMac ? targetMac : "", command, {payload, payload + payloadLength}};
    requests.push_back(r);
    if (onRequest) onRequest(r);
    const auto reply = answer(r);
    if (reply.empty()) return 0;
    std::memset(replyArea, 0, kReplyAreaSize);
    std::memcpy(replyArea, reply.data(), std::min(reply.size(), kReplyAreaSize));
    return static_cast<int>(reply.size() + 22);
  }
  // Rows discovery appends, in order: name, IP address, MAC text.
  std::vector<std::array<std::u16string, 3>> rows;
  int discoveries = 0;
  // Rows that answer only when discovery also asks `hiddenAddress`.
  std::vector<std::array<std::u16string, 3>> hiddenRows;
  std::uint32_t hiddenAddress = 0;
  std::uint32_t discoveryAddress = 0;
  bool answeredThere = false;
  void DiscoverDevices(IDeviceList& list) override {
    ++discoveries;
    for (const auto& r : rows) list.AppendRow(r[0], r[1], r[2]);
    answeredThere = discoveryAddress != 0 && discoveryAddress == hiddenAddress;
    if (answeredThere)
      for (const auto& r : hiddenRows) list.AppendRow(r[0], r[1], r[2]);
  }
  void SetDiscoveryAddress(std::uint32_t address) override { discoveryAddress = address; }
  bool DiscoveryAddressAnswered() const override { return answeredThere; }
  bool ProbeDeviceAddress(const char* ipText) override {
    probes.push_back(ipText);
    if (probeAnswers.empty()) return true;
    const bool r = probeAnswers.front();
    probeAnswers.pop_front();
    return r;
  }
  bool HasUsableAdapter() override { return true; }
};

}  // namespace sp
