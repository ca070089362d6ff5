// The service's bookkeeping over an in-memory transport: portals, logins,
// devices, persistent logins across a restart, lost and returning targets.
#include "tools/iscsid/initiatorcore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/tools/iscsid/iscsidfakes.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;
using testing::FakeScsiTarget;
using testing::FakeTransport;
using testing::RecordingPublisher;

constexpr char kTarget[] = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
constexpr char kPortal[] = "10.77.0.2:3260";
const std::string kLunFile = std::string(kTarget) + "-lun1";

template <typename Pred>
bool WaitFor(Pred pred) {
  for (int i = 0; i < 500; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return pred();
}

class InitiatorCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-core-" + std::to_string(getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    store_ = std::make_unique<StateStore>((dir_ / "state").string());
    disk_ = std::make_shared<FakeScsiTarget>();
    disk_->AddDisk(1, {2048, 512, "KORVA"});
    transport_.AddPortal(kPortal, {kTarget});
    transport_.SetTarget(kTarget, disk_);
    core_ = MakeCore();
  }
  void TearDown() override {
    core_.reset();
    std::filesystem::remove_all(dir_);
  }

  std::unique_ptr<InitiatorCore> MakeCore() {
    CoreSettings settings;
    settings.defaultNodeName = "iqn.2024-01.org.setuppilot:test";
    settings.adapterUnique = 0xFFFF000000000000ull + (++generation_);
    return std::make_unique<InitiatorCore>(transport_, publisher_, store_.get(), settings);
  }

  static SendTargetsPortal Portal() {
    SendTargetsPortal p;
    p.portal = {"", "10.77.0.2", 3260};
    return p;
  }

  Status Login(bool persistent, UniqueId& id) {
    LoginRequest request;
    request.target = kTarget;
    request.persistent = persistent;
    UniqueId connection;
    return core_->Login(request, id, connection);
  }

  std::filesystem::path dir_;
  std::unique_ptr<StateStore> store_;
  std::shared_ptr<FakeScsiTarget> disk_;
  FakeTransport transport_;
  RecordingPublisher publisher_;
  std::unique_ptr<InitiatorCore> core_;
  int generation_ = 0;
};

TEST_F(InitiatorCoreTest, UnreachablePortalIsNotAddedAndLoginNeedsAKnownTarget) {
  transport_.SetReachable(kPortal, false);
  EXPECT_EQ(core_->AddPortal(Portal()), kConnectionFailed);
  EXPECT_TRUE(core_->Portals().empty());
  UniqueId id;
  EXPECT_EQ(Login(false, id), kTargetNotFound) << "no portal given, none discovered";
  EXPECT_EQ(Login(true, id), kTargetNotFound) << "a persistent login that could never log in";

  transport_.SetReachable(kPortal, true);
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  EXPECT_EQ(core_->Targets(false), std::vector<std::string>{kTarget});
  EXPECT_EQ(core_->RemovePortal(Portal().portal), kOk);
  EXPECT_EQ(core_->RemovePortal(Portal().portal), kPortalNotFound);
  EXPECT_TRUE(core_->Targets(false).empty()) << "what only that portal reported goes with it";
}

TEST_F(InitiatorCoreTest, LoginShowsTheDiskAndLogoutTakesItAway) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  UniqueId id;
  ASSERT_EQ(Login(false, id), kOk);
  EXPECT_EQ(id.adapterUnique, 0xFFFF000000000001ull);
  const auto device = publisher_.Find(kLunFile);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->size(), 2048u * 512);

  const auto sessions = core_->Sessions();
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].target, kTarget);
  EXPECT_EQ(sessions[0].state, SessionState::kLoggedIn);
  EXPECT_EQ(sessions[0].connection.targetAddress, "10.77.0.2");
  ASSERT_EQ(sessions[0].devices.size(), 1u);
  EXPECT_EQ(sessions[0].devices[0].path, "/luns/" + kLunFile);
  EXPECT_EQ(sessions[0].devices[0].lunField, 0x0001000000000000ull);
  EXPECT_TRUE(core_->PersistentLogins().empty()) << "an ordinary login is not kept";

  // In use (a loop device holds the file): the session stays.
  publisher_.SetInUse(kLunFile, true);
  EXPECT_EQ(core_->Logout(id), kDeviceBusy);
  EXPECT_NE(publisher_.Find(kLunFile), nullptr);
  publisher_.SetInUse(kLunFile, false);
  EXPECT_EQ(core_->Logout(id), kOk);
  EXPECT_EQ(publisher_.Find(kLunFile), nullptr);
  EXPECT_TRUE(device->detached()) << "handles still open on the file fail from now on";
  EXPECT_TRUE(transport_.links().back()->closed());
  EXPECT_EQ(core_->Logout(id), kSessionNotFound);
  EXPECT_EQ(core_->Logout({id.adapterUnique + 1, id.adapterSpecific}), kSessionNotFound);
}

TEST_F(InitiatorCoreTest, ASecondSessionToTheSameTargetGetsItsOwnFiles) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  UniqueId first, second;
  ASSERT_EQ(Login(false, first), kOk);
  ASSERT_EQ(Login(false, second), kOk);
  EXPECT_NE(first, second);
  const auto names = publisher_.Names();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], kLunFile) << "the first session keeps the plain name";
  EXPECT_NE(names[1].find("-s"), std::string::npos);
  ASSERT_EQ(core_->Logout(second), kOk);
  EXPECT_EQ(publisher_.Names(), std::vector<std::string>{kLunFile});
}

TEST_F(InitiatorCoreTest, InformationalSessionShowsNoDisk) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  LoginRequest request;
  request.target = kTarget;
  request.informational = true;
  UniqueId id, connection;
  ASSERT_EQ(core_->Login(request, id, connection), kOk);
  EXPECT_TRUE(publisher_.Names().empty());
  EXPECT_EQ(core_->Sessions().at(0).devices.size(), 0u);
}

TEST_F(InitiatorCoreTest, WhatCannotBeDoneHereIsRefusedBeforeAnyNetworkWork) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  const std::size_t links = transport_.links().size();
  LoginRequest request;
  request.target = kTarget;
  UniqueId id, connection;
  auto with = [&](auto change) {
    LoginRequest r = request;
    change(r);
    return core_->Login(r, id, connection);
  };
  EXPECT_EQ(with([](LoginRequest& r) { r.key = "psk"; }), kNotSupported);
  EXPECT_EQ(with([](LoginRequest& r) { r.securityFlags = 0x3; }), kNotSupported);
  EXPECT_EQ(with([](LoginRequest& r) {
              r.options.specified = LoginOptions::kDataDigest;
              r.options.dataDigest = LoginOptions::kDigestCrc32c;
            }),
            kNotSupported);
  EXPECT_EQ(with([](LoginRequest& r) {
              r.options.specified = LoginOptions::kAuthType | LoginOptions::kPassword;
              r.options.authType = LoginOptions::kAuthMutualChap;
            }),
            kNotSupported);
  EXPECT_EQ(with([](LoginRequest& r) {
              r.options.specified = LoginOptions::kAuthType;
              r.options.authType = LoginOptions::kAuthChap;
            }),
            kInvalidParameter)
      << "CHAP without a secret";
  EXPECT_EQ(with([](LoginRequest& r) { r.initiator = "some other HBA"; }), kInitiatorNotFound);
  EXPECT_EQ(with([](LoginRequest& r) { r.initiatorPort = 5; }), kInvalidParameter);
  EXPECT_EQ(transport_.links().size(), links);

  // CHAP with a secret reaches the session with our node name as user.
  ASSERT_EQ(with([](LoginRequest& r) {
              r.options.specified = LoginOptions::kAuthType | LoginOptions::kPassword;
              r.options.authType = LoginOptions::kAuthChap;
              r.options.password = "secretsecret";
            }),
            kOk);
  EXPECT_EQ(transport_.links().back()->config().chapUser, "iqn.2024-01.org.setuppilot:test");
  EXPECT_EQ(transport_.links().back()->config().chapSecret, "secretsecret");
}

TEST_F(InitiatorCoreTest, PersistentLoginSurvivesARestartAndComesBackAsASession) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  UniqueId none{7, 7};
  ASSERT_EQ(Login(true, none), kOk);
  ASSERT_EQ(Login(true, none), kOk);  // made again: replaces, no duplicate
  EXPECT_EQ(none, (UniqueId{7, 7})) << "a persistent login leaves the ids alone";
  EXPECT_TRUE(core_->Sessions().empty()) << "it does not log in now";
  auto logins = core_->PersistentLogins();
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].initiator, kInitiatorInstance) << "reported with the instance it will use";
  ASSERT_TRUE(logins[0].portal);
  EXPECT_EQ(logins[0].portal->address, "10.77.0.2") << "and the portal its target was found at";

  // Restart with the target away: the login waits for it, nothing is lost.
  core_.reset();
  transport_.SetReachable(kPortal, false);
  PersistentState state;
  ASSERT_EQ(store_->Load(state), StateStore::LoadResult::kLoaded);
  core_ = MakeCore();
  core_->Restore(state);
  ASSERT_TRUE(WaitFor([&] { return core_->Sessions().size() == 1; }));
  EXPECT_NE(core_->Sessions()[0].state, SessionState::kLoggedIn);
  EXPECT_TRUE(publisher_.Names().empty());
  EXPECT_EQ(core_->PersistentLogins().size(), 1u);

  // The target returns: the session logs in and the disk appears.
  transport_.links().back()->ComeUp();
  ASSERT_TRUE(WaitFor([&] { return publisher_.Find(kLunFile) != nullptr; }));

  // Removal matches what the report said.
  EXPECT_EQ(core_->RemovePersistent(kInitiatorInstance, kTarget, iscsictl::Portal{"", "10.77.0.9", 3260}),
            kPersistentNotFound);
  EXPECT_EQ(core_->RemovePersistent("other", kTarget, std::nullopt), kPersistentNotFound);
  EXPECT_EQ(core_->RemovePersistent(kInitiatorInstance, kTarget, iscsictl::Portal{"", "10.77.0.2", 3260}), kOk);
  EXPECT_TRUE(core_->PersistentLogins().empty());
  ASSERT_EQ(store_->Load(state), StateStore::LoadResult::kLoaded);
  EXPECT_TRUE(state.persistentLogins.empty()) << "removed on disk too";
  EXPECT_EQ(core_->Sessions().size(), 1u) << "removing the persistent login leaves the live session";
}

TEST_F(InitiatorCoreTest, LostTargetFailsIoAndAChangedDiskIsReplacedOnReturn) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  UniqueId id;
  ASSERT_EQ(Login(false, id), kOk);
  const auto before = publisher_.Find(kLunFile);
  ASSERT_NE(before, nullptr);
  auto link = transport_.links().back();
  Bytes buf(512);
  link->GoDown();
  EXPECT_EQ(before->Read(0, 512, buf.data()), -EIO);
  EXPECT_EQ(core_->Sessions().at(0).state, SessionState::kDown);
  EXPECT_EQ(publisher_.Find(kLunFile), before) << "the file stays while the target is away";

  // Back with the same disk: the same device carries on.
  link->ComeUp();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(publisher_.Find(kLunFile), before);
  EXPECT_EQ(before->Read(0, 512, buf.data()), 512);

  // Back with a bigger disk: a new device under the same name.
  link->GoDown();
  disk_->SetCapacity(1, 4096);
  link->ComeUp();
  ASSERT_TRUE(WaitFor([&] { return publisher_.Find(kLunFile) != before; }));
  EXPECT_EQ(publisher_.Find(kLunFile)->size(), 4096u * 512);
  EXPECT_TRUE(before->detached());
}

TEST_F(InitiatorCoreTest, ScsiPassThroughTakesOnlyReportCommands) {
  ASSERT_EQ(core_->AddPortal(Portal()), kOk);
  UniqueId id;
  ASSERT_EQ(Login(false, id), kOk);
  ScsiResult result;
  ASSERT_EQ(core_->Scsi(id, 0x0001000000000000ull, CdbInquiry(false, 0, 96), 96, result), kOk);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(std::string(result.data.begin() + 8, result.data.begin() + 13), "KORVA");
  ASSERT_EQ(core_->Scsi(id, 0x0001000000000000ull, CdbReadCapacity10(), 8, result), kOk);
  EXPECT_EQ(result.data.size(), 8u);
  EXPECT_EQ(core_->Scsi(id, 0, CdbReportLuns(256), 256, result), kOk);
  EXPECT_EQ(core_->Scsi(id, 0x0001000000000000ull, CdbWrite(0, 1), 0, result), kNotSupported);
  EXPECT_EQ(core_->Scsi(id, 0x0001000000000000ull, Bytes{0x12, 0, 0}, 96, result), kNotSupported);
  EXPECT_EQ(core_->Scsi(id, 0x0101000000000000ull, CdbInquiry(false, 0, 96), 96, result), kInvalidParameter);
  EXPECT_EQ(core_->Scsi({1, 99}, 0, CdbReportLuns(256), 256, result), kSessionNotFound);
}

TEST_F(InitiatorCoreTest, SettingsAreCheckedAndKept) {
  EXPECT_EQ(core_->SetNodeName("Not An IQN"), kInvalidParameter);
  EXPECT_EQ(core_->SetNodeName("iqn.2024-01.org.example:pc1"), kOk);
  EXPECT_EQ(core_->NodeName(), "iqn.2024-01.org.example:pc1");
  EXPECT_EQ(core_->SetChapSecret("short"), kInvalidParameter);
  EXPECT_EQ(core_->SetChapSecret("twelve bytes"), kOk);
  EXPECT_EQ(core_->AddPersistentDevice("X:\\"), kOk);
  EXPECT_EQ(core_->AddPersistentDevice("X:\\"), kAlreadyExists);
  EXPECT_EQ(core_->RemovePersistentDevice("Y:\\"), kDeviceNotFound);
  PersistentState state;
  ASSERT_EQ(store_->Load(state), StateStore::LoadResult::kLoaded);
  EXPECT_EQ(state.nodeName, "iqn.2024-01.org.example:pc1");
  EXPECT_EQ(state.chapSecret, "twelve bytes");
  EXPECT_EQ(state.persistentDevices, std::vector<std::string>{"X:\\"});
  EXPECT_EQ(core_->SetNodeName(""), kOk);
  EXPECT_EQ(core_->NodeName(), "iqn.2024-01.org.setuppilot:test") << "empty restores the default";
}

}  // namespace
}  // namespace sp::iscsid
