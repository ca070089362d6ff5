// The initiator contract against the Linux backend: our service in the pc
// namespace, a real tgtd target in vbx, a fresh network for every test.
#include "tests/platform/iscsi_contract.h"

#include <thread>

#include "platform/linux/iscsicontrolprotocol.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumes.h"
#include "tests/net/harness/testnetwork.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp {
namespace {

class LinuxServiceBackend : public IscsiContractBackend {
 public:
  static std::unique_ptr<IscsiContractBackend> Make() {
    std::string why;
    if (!nettest::TestNetwork::Available(&why)) return nullptr;
    auto backend = std::unique_ptr<LinuxServiceBackend>(new LinuxServiceBackend);
    if (!backend->Build(&why)) {
      ADD_FAILURE() << why;
      return nullptr;
    }
    return backend;
  }

  ~LinuxServiceBackend() override {
    if (service_) service_->Stop();
    if (tgt_) tgt_->Stop();
  }

  IIscsiInitiator& initiator() override { return stack_->initiator; }
  const IscsiTargetEnvironment& environment() const override { return env_; }

 private:
  bool Build(std::string* why) {
    net_ = nettest::TestNetwork::Create(why);
    if (!net_) return false;
    const std::string dir = net_->scratchDir() + "/iscsi";
    sim::TgtVolumeConfig config;
    config.backingDir = net_->scratchDir() + "/tgt";
    config.portalAddress = nettest::kVbxAddress;
    tgt_ = std::make_unique<sim::TgtVolume>(config);
    if (!nettest::RunInNamespace(net_->vbx(), [&] { return tgt_->CreateTarget(env_.targetName, 16 << 20, why); })) {
      return false;
    }
    service_ = net_->Spawn(
        net_->pc(),
        {nettest::IscsidPath(), "--foreground", "--socket", dir + "/control.sock", "--mount", dir + "/disks", "--state",
         dir + "/state", "--pidfile", dir + "/pid", "--io-timeout", "3", "--login-timeout", "3"},
        "iscsid");
    stack_ = std::make_unique<nettest::LinuxStorageStack>(dir + "/control.sock", dir + "/disks",
                                                          net_->scratchDir() + "/mnt");
    for (int i = 0; i < 100; ++i) {
      std::uint32_t capacity = 0;
      std::vector<std::string> initiators;
      if (stack_->initiator.ReportIScsiInitiatorList(capacity, initiators) == kIscsiStatusInsufficientBuffer)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    *why = "the service did not come up:\n" + net_->SpawnedLogs();
    return false;
  }

  IscsiTargetEnvironment env_{nettest::kVbxAddress, 3260, nettest::kIscsiTarget};
  std::unique_ptr<nettest::TestNetwork> net_;
  std::unique_ptr<sim::TgtVolume> tgt_;
  nettest::SpawnedProcess* service_ = nullptr;
  std::unique_ptr<nettest::LinuxStorageStack> stack_;
};

INSTANTIATE_TEST_SUITE_P(Linux, IscsiInitiatorContract,
                         ::testing::Values(IscsiContractParam{"LinuxService", &LinuxServiceBackend::Make}),
                         IscsiContractParamName);

}  // namespace
}  // namespace sp
