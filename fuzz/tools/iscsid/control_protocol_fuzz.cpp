// Bytes from the control socket: framing, message decoding and every
// operation's field reading run over them. Whatever arrives, each frame gets
// a reply that decodes again and starts with "rsp". The bookkeeping behind
// it has no network (discovery and logins fail at once), so runs stay fast.
// The storage operations check their fields against a LUN folder and a
// drive root that do not exist, so nothing they could name is ever touched.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/iscsicontrolmessage.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/storageops.h"

namespace {

struct Service {
  Service() : core(transport, publisher, nullptr, Settings()), handler(core) {
    handler.SetStorage(&storage);
    transport.AddPortal("10.77.0.2:3260", {"iqn.t:1"});
    auto disk = std::make_shared<sp::iscsid::testing::FakeScsiTarget>();
    disk->AddDisk(1, {64, 512, "KORVA"});
    transport.SetTarget("iqn.t:1", disk);
  }
  static sp::iscsid::CoreSettings Settings() {
    sp::iscsid::CoreSettings s;
    s.defaultNodeName = "iqn.2024-01.org.setuppilot:fuzz";
    s.adapterUnique = 1;
    return s;
  }
  sp::iscsid::testing::FakeTransport transport;
  sp::iscsid::testing::RecordingPublisher publisher;
  sp::iscsid::InitiatorCore core;
  sp::iscsid::ControlHandler handler;
  sp::iscsid::StorageOps storage{"/nonexistent/setuppilot-fuzz/disks", "/nonexistent/setuppilot-fuzz/drives"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A fresh service per input: logins add up otherwise.
  auto service = std::make_unique<Service>();
  sp::ControlFrameReader reader;
  // The first byte picks how the stream is cut, so split frames are covered.
  const std::size_t piece = size ? 1 + data[0] % 64 : 1;
  for (std::size_t at = size ? 1 : 0; at < size; at += piece) {
    reader.Append(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
    std::string frame;
    sp::ControlFrameReader::Result result;
    while ((result = reader.Next(frame)) == sp::ControlFrameReader::Result::kFrame) {
      const auto reply = sp::DecodeControlMessage(service->handler.HandleText(frame));
      if (!reply || reply->empty() || (*reply)[0].type() != "rsp") __builtin_trap();
    }
    if (result == sp::ControlFrameReader::Result::kError) break;
  }
  // Any message that decodes encodes to text that decodes to the same.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto message = sp::DecodeControlMessage(text)) {
    const std::string once = sp::EncodeControlMessage(*message);
    const auto again = sp::DecodeControlMessage(once);
    if (!again || sp::EncodeControlMessage(*again) != once) __builtin_trap();
  }
  return 0;
}
