// Costs inside the initiator service that are not the network's: the byte
// to block mapping of LUN I/O (aligned and with read-merge-write) over an
// in-memory target, and the control protocol's encoding of a large session
// report.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/linux/iscsicontrolmessage.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/lundevice.h"

namespace {

using namespace sp::iscsid;

std::shared_ptr<LunDevice> MakeDevice(std::shared_ptr<testing::FakeScsiTarget>& target) {
  target = std::make_shared<testing::FakeScsiTarget>();
  target->AddDisk(1, {1u << 16, 512, "KORVA"});  // 32 MiB
  LunIdentity identity;
  identity.lun = 1;
  identity.capacity = {1u << 16, 512};
  return std::make_shared<LunDevice>(target, identity);
}

void BM_LunWrite(benchmark::State& state) {
  std::shared_ptr<testing::FakeScsiTarget> target;
  auto device = MakeDevice(target);
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint64_t skew = static_cast<std::uint64_t>(state.range(1));  // 0: block aligned
  std::vector<std::uint8_t> data(size, 0x5A);
  std::uint64_t offset = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(device->Write(offset + skew, size, data.data()));
    offset = (offset + size) % (16u << 20);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_LunWrite)->Args({4096, 0})->Args({4096, 100})->Args({1 << 20, 0})->Args({1 << 20, 100});

void BM_LunRead(benchmark::State& state) {
  std::shared_ptr<testing::FakeScsiTarget> target;
  auto device = MakeDevice(target);
  const auto size = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> data(size);
  for (auto _ : state) benchmark::DoNotOptimize(device->Read(12345, size, data.data()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_LunRead)->Arg(4096)->Arg(1 << 20);

sp::ControlMessage SessionReport(int sessions) {
  sp::ControlMessage message{sp::ControlRecord("rsp").Set("v", "1").Set("status", "0")};
  for (int i = 0; i < sessions; ++i) {
    message.push_back(sp::ControlRecord("session")
                          .Set("id", "ffff93cf04f759e2-" + std::to_string(i))
                          .Set("target", "iqn.2008-01.com.korva:storage.aabbcc.1.sys")
                          .Set("state", "logged_in"));
    message.push_back(sp::ControlRecord("device")
                          .Set("path", "/run/setuppilot/iscsi/disks/iqn.2008-01.com.korva:storage.aabbcc.1.sys-lun1")
                          .Set("inquiry", std::string(132, 'a')));
  }
  return message;
}

void BM_EncodeDecodeSessionReport(benchmark::State& state) {
  const auto message = SessionReport(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = sp::EncodeControlMessage(message);
    bytes += text.size();
    benchmark::DoNotOptimize(sp::DecodeControlMessage(text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_EncodeDecodeSessionReport)->Arg(1)->Arg(100);

}  // namespace
