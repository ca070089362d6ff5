// The Linux initiator backend against an in-process service: the real
// control socket, request handling and bookkeeping, with targets in memory.
// The initiator contract runs here without root or a network; the rest
// checks what only this backend does.
#include "platform/linux/linuxiscsiinitiator.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/fake/fakevolumeenumerator.h"
#include "platform/linux/iscsicontrolclient.h"
#include "tests/platform/iscsi_contract.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/controlserver.h"

namespace sp {
namespace {

using namespace iscsid;

constexpr char kTarget[] = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
const std::string kLunPath = std::string("/luns/") + kTarget + "-lun1";

// Drives 0 and 1 are system disks; then the published LUN files in name
// order, as the disk layer numbers them.
class ListedDisks : public IBlockDevices {
 public:
  explicit ListedDisks(const testing::RecordingPublisher& luns) : luns_(luns) {}
  std::vector<std::string> PhysicalDrives() override {
    std::vector<std::string> drives = {"/dev/vda", "/dev/vdb"};
    for (const auto& name : luns_.Names()) drives.push_back("/luns/" + name);
    return drives;
  }
  std::unique_ptr<IBlockDevice> Open(const std::string&) override { return nullptr; }

 private:
  const testing::RecordingPublisher& luns_;
};

class InProcessBackend : public IscsiContractBackend {
 public:
  InProcessBackend()
      : dir_(std::filesystem::temp_directory_path() /
             ("sp-backend-" + std::to_string(getpid()) + "-" + std::to_string(++count_))),
        core_(transport_, publisher_, nullptr, Settings()),
        handler_(core_),
        server_((dir_ / "control.sock").string(),
                [this](std::string_view text, const Caller& caller, std::stop_token stop) {
                  return handler_.HandleText(text, caller, std::move(stop));
                }),
        disks_(publisher_),
        initiator_((dir_ / "control.sock").string(), disks_, volumes_) {
    auto target = std::make_shared<testing::FakeScsiTarget>();
    target->AddDisk(1, {2048, 512, "KORVA"});
    transport_.AddPortal("10.77.0.2:3260", {kTarget});
    transport_.SetTarget(kTarget, target);
    std::string error;
    EXPECT_TRUE(server_.Start(&error)) << error;
  }
  ~InProcessBackend() override {
    server_.Stop();
    core_.Shutdown();
    std::filesystem::remove_all(dir_);
  }
  IIscsiInitiator& initiator() override { return initiator_; }
  const IscsiTargetEnvironment& environment() const override { return env_; }
  FakeVolumeEnumerator& volumes() { return volumes_; }
  testing::RecordingPublisher& publisher() { return publisher_; }
  ControlServer& server() { return server_; }

 private:
  static CoreSettings Settings() {
    CoreSettings s;
    s.defaultNodeName = "iqn.2024-01.org.setuppilot:test";
    s.adapterUnique = 0xFFFF00000000ABCDull;
    return s;
  }

  static inline int count_ = 0;
  std::filesystem::path dir_;
  IscsiTargetEnvironment env_{"10.77.0.2", 3260, kTarget};
  testing::FakeTransport transport_;
  testing::RecordingPublisher publisher_;
  InitiatorCore core_;
  ControlHandler handler_;
  ControlServer server_;
  ListedDisks disks_;
  FakeVolumeEnumerator volumes_;
  LinuxIscsiInitiator initiator_;
};

INSTANTIATE_TEST_SUITE_P(InProcess, IscsiInitiatorContract,
                         ::testing::Values(IscsiContractParam{
                             "LinuxBackendInProcess",
                             [] { return std::unique_ptr<IscsiContractBackend>(new InProcessBackend); }}),
                         IscsiContractParamName);

class LinuxBackendTest : public ::testing::Test {
 protected:
  IscsiUniqueSessionId Login() {
    EXPECT_EQ(backend_.initiator().AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0,
                                                            {"", "10.77.0.2", 3260}),
              0u);
    IscsiLoginRequest request;
    request.targetName = kTarget;
    IscsiUniqueSessionId session;
    IscsiUniqueConnectionId connection;
    EXPECT_EQ(backend_.initiator().LoginIScsiTarget(request, session, connection), 0u);
    return session;
  }
  IIscsiInitiator& initiator() { return backend_.initiator(); }
  InProcessBackend backend_;
};

TEST_F(LinuxBackendTest, DevicesAreTheLunFilesUnderTheirPhysicalDriveNumbers) {
  const IscsiUniqueSessionId session = Login();
  std::uint32_t capacity = 8;
  std::vector<IscsiDeviceOnSession> devices;
  ASSERT_EQ(initiator().GetDevicesForIScsiSession(session, capacity, devices), 0u);
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].deviceInterfaceName, kLunPath);
  EXPECT_EQ(devices[0].interfaceClass, IscsiDeviceInterface::Disk);
  EXPECT_EQ(devices[0].storageDeviceNumber.deviceType, kIscsiStorageDeviceTypeDisk);
  EXPECT_EQ(devices[0].storageDeviceNumber.deviceNumber, 2u) << "after the two system disks";
  EXPECT_EQ(devices[0].osLun, 1u);

  std::vector<IscsiTargetMapping> mappings;
  capacity = 8;
  ASSERT_EQ(initiator().ReportActiveIScsiTargetMappings(capacity, mappings), 0u);
  ASSERT_EQ(mappings.size(), 1u);
  ASSERT_EQ(mappings[0].luns.size(), 1u);
  EXPECT_EQ(mappings[0].luns[0].targetLun, 0x0001000000000000ull);

  // Volumes on that disk are bound as persistent devices; others are not.
  backend_.volumes().AddVolume({"/dev/loop3", {"X:\\"}, {2}});
  backend_.volumes().AddVolume({"/dev/loop4", {"Y:\\"}, {1}});
  ASSERT_EQ(initiator().SetupPersistentIScsiVolumes(), 0u);
  std::vector<std::string> paths;
  capacity = 8;
  ASSERT_EQ(initiator().ReportPersistentIScsiDevices(capacity, paths), 0u);
  EXPECT_EQ(paths, std::vector<std::string>{"X:\\"});
  EXPECT_EQ(initiator().SetupPersistentIScsiVolumes(), 0u) << "binding again is no error";
}

TEST_F(LinuxBackendTest, ScsiCommandsReachTheLunAndAnswerWithinTheAllocation) {
  const IscsiUniqueSessionId session = Login();
  IscsiScsiResult result;
  ASSERT_EQ(initiator().SendScsiInquiry(session, 0x0001000000000000ull, 0, 0, 36, result), 0u);
  EXPECT_EQ(result.scsiStatus, 0);
  ASSERT_EQ(result.response.size(), 36u);
  EXPECT_EQ(std::string(result.response.begin() + 8, result.response.begin() + 16), "KORVA   ");
  ASSERT_EQ(initiator().SendScsiReadCapacity(session, 0x0001000000000000ull, 4, result), 0u);
  EXPECT_EQ(result.response.size(), 4u) << "cut to the allocation length";
  ASSERT_EQ(initiator().SendScsiReportLuns(session, 64, result), 0u);
  EXPECT_EQ(result.response[3], 16) << "LUN 0 and LUN 1";
  ASSERT_EQ(initiator().SendScsiReadCapacity(session, 0x0005000000000000ull, 8, result), 0u);
  EXPECT_EQ(result.scsiStatus, 2) << "no such LUN: check condition";
  EXPECT_FALSE(result.sense.empty());
}

TEST_F(LinuxBackendTest, WhatLinuxCannotDoSaysSoAndAStoppedServiceIsNamed) {
  const IscsiUniqueSessionId session = Login();
  IscsiUniqueConnectionId connection;
  EXPECT_EQ(
      initiator().AddIScsiConnection(session, nullptr, kIscsiAnyInitiatorPort, nullptr, 0, nullptr, {}, connection),
      kIscsiStatusNotSupported);
  EXPECT_EQ(initiator().SetIScsiGroupPresharedKey({1, 2, 3}, true), kIscsiStatusNotSupported);
  EXPECT_EQ(initiator().AddISNSServer("10.0.0.1"), kIscsiStatusNotSupported);
  std::uint32_t capacity = 0;
  std::vector<std::string> servers;
  EXPECT_EQ(initiator().ReportISNSServerList(capacity, servers), 0u) << "an empty list, not an error";
  IscsiLoginRequest ipsec;
  ipsec.targetName = kTarget;
  ipsec.key = {'k'};
  IscsiUniqueSessionId unused;
  EXPECT_EQ(initiator().LoginIScsiTarget(ipsec, unused, connection), kIscsiStatusNotSupported);
  const std::string name = "iqn.2024-01.org.example:pc";
  EXPECT_EQ(initiator().SetIScsiInitiatorNodeName(&name), 0u);
  const std::string bad = "not a name";
  EXPECT_EQ(initiator().SetIScsiInitiatorNodeName(&bad), kIscsiStatusInvalidParameter);

  backend_.server().Stop();
  EXPECT_EQ(initiator().LogoutIScsiTarget(session), kIscsiStatusServiceNotActive);
  std::vector<IscsiSessionInfo> sessions;
  capacity = 0;
  EXPECT_EQ(initiator().GetIScsiSessionList(capacity, sessions), kIscsiStatusServiceNotActive);
}

}  // namespace
}  // namespace sp

namespace sp {
namespace {

// A client that hangs up while its request is handled stops the handling:
// the window that gave up must not leave a format running for it.
TEST(ControlServerTest, AClientThatHangsUpStopsItsRequest) {
  const auto dir = std::filesystem::temp_directory_path() / ("sp-hangup-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::atomic<bool> started{false}, stopped{false};
  iscsid::ControlServer server((dir / "control.sock").string(),
                               [&](std::string_view, const iscsid::Caller&, std::stop_token stop) {
                                 started = true;
                                 for (int i = 0; i < 500 && !stop.stop_requested(); ++i) {
                                   std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                 }
                                 stopped = stop.stop_requested();
                                 return std::string("rsp v=1 status=0\n");
                               });
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  {
    std::stop_source giveUp;
    std::thread client([&] {
      IscsiControlClient c((dir / "control.sock").string());
      c.Call({IscsiControlClient::Request("ping")}, 10000, giveUp.get_token());
    });
    for (int i = 0; i < 200 && !started; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    giveUp.request_stop();
    client.join();
  }
  for (int i = 0; i < 200 && !stopped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(started);
  EXPECT_TRUE(stopped) << "the request ran on after its client hung up";
  server.Stop();
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sp
