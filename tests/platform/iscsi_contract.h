#pragma once
// What every IIscsiInitiator backend must do, written once and run against
// each backend. A backend's test file includes this header (once per test
// binary) and instantiates the suite:
//
//   INSTANTIATE_TEST_SUITE_P(Linux, IscsiInitiatorContract,
//       ::testing::Values(IscsiContractParam{"LinuxService", &MakeMyBackend}),
//       IscsiContractParamName);
//
// The factory builds a fresh backend for each test, with one reachable portal
// that offers one target with at least one LUN (the environment), and returns
// null when the backend cannot run here (the test is then skipped). Only
// behaviour a real initiator shows is asserted: no exact error numbers beyond
// the size-query status, no particular identifiers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/iscsiinitiator.h"

namespace sp {

struct IscsiTargetEnvironment {
  std::string portalAddress;
  std::uint16_t portalSocket = 3260;
  std::string targetName;
};

class IscsiContractBackend {
 public:
  virtual ~IscsiContractBackend() = default;
  virtual IIscsiInitiator& initiator() = 0;
  virtual const IscsiTargetEnvironment& environment() const = 0;
};

struct IscsiContractParam {
  std::string name;
  std::function<std::unique_ptr<IscsiContractBackend>()> make;
};

inline std::string IscsiContractParamName(const ::testing::TestParamInfo<IscsiContractParam>& info) {
  return info.param.name;
}

class IscsiInitiatorContract : public ::testing::TestWithParam<IscsiContractParam> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    if (!backend_) GTEST_SKIP() << "iSCSI backend " << GetParam().name << " is not available here";
  }

  // Leaves the backend as it was found, so that a shared daemon is clean for
  // the next test.
  void TearDown() override {
    if (!backend_) return;
    for (const IscsiSessionInfo& s : Sessions()) initiator().LogoutIScsiTarget(s.sessionId);
    initiator().RemoveIScsiPersistentTarget(nullptr, kIscsiAnyInitiatorPort, env().targetName, nullptr);
    initiator().RemoveIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, Portal());
  }

  IIscsiInitiator& initiator() { return backend_->initiator(); }
  const IscsiTargetEnvironment& env() const { return backend_->environment(); }
  IscsiTargetPortal Portal() const { return IscsiTargetPortal{"", env().portalAddress, env().portalSocket}; }

  IscsiStatus AddPortal() {
    return initiator().AddIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, nullptr, 0, Portal());
  }

  IscsiStatus Login(bool persistent, IscsiUniqueSessionId& session) {
    IscsiLoginRequest request;
    request.targetName = env().targetName;
    request.isPersistent = persistent;
    IscsiUniqueConnectionId connection;
    return initiator().LoginIScsiTarget(request, session, connection);
  }

  // Reads a list the two-step way and checks the size query on the way.
  template <typename T, typename Call>
  std::vector<T> ReadSized(Call call) {
    std::uint32_t capacity = 0;
    std::vector<T> items;
    IscsiStatus status = call(capacity, items);
    if (status == kIscsiStatusSuccess) {
      EXPECT_EQ(capacity, 0u) << "a size query that succeeds has nothing to report";
      return items;
    }
    EXPECT_EQ(status, kIscsiStatusInsufficientBuffer);
    EXPECT_GT(capacity, 0u);
    EXPECT_TRUE(items.empty());
    status = call(capacity, items);
    EXPECT_EQ(status, kIscsiStatusSuccess);
    EXPECT_EQ(capacity, items.size());
    return items;
  }

  std::vector<IscsiSessionInfo> Sessions() {
    return ReadSized<IscsiSessionInfo>(
        [&](std::uint32_t& c, std::vector<IscsiSessionInfo>& v) { return initiator().GetIScsiSessionList(c, v); });
  }
  std::vector<IscsiTargetMapping> Mappings() {
    return ReadSized<IscsiTargetMapping>([&](std::uint32_t& c, std::vector<IscsiTargetMapping>& v) {
      return initiator().ReportActiveIScsiTargetMappings(c, v);
    });
  }
  std::vector<IscsiPersistentLogin> PersistentLogins() {
    return ReadSized<IscsiPersistentLogin>([&](std::uint32_t& c, std::vector<IscsiPersistentLogin>& v) {
      return initiator().ReportIScsiPersistentLogins(c, v);
    });
  }
  std::vector<std::string> Targets() {
    return ReadSized<std::string>(
        [&](std::uint32_t& c, std::vector<std::string>& v) { return initiator().ReportIScsiTargets(true, c, v); });
  }

  std::unique_ptr<IscsiContractBackend> backend_;
};

TEST_P(IscsiInitiatorContract, AddedPortalIsListedAndItsTargetDiscovered) {
  ASSERT_EQ(AddPortal(), kIscsiStatusSuccess);
  const auto portals =
      ReadSized<IscsiSendTargetPortalInfo>([&](std::uint32_t& c, std::vector<IscsiSendTargetPortalInfo>& v) {
        return initiator().ReportIScsiSendTargetPortalsEx(c, v);
      });
  EXPECT_TRUE(std::any_of(portals.begin(), portals.end(), [&](const IscsiSendTargetPortalInfo& p) {
    return p.portal.address == env().portalAddress && p.portal.socket == env().portalSocket;
  }));
  const auto targets = Targets();
  EXPECT_NE(std::find(targets.begin(), targets.end(), env().targetName), targets.end());

  EXPECT_EQ(initiator().RemoveIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, Portal()), kIscsiStatusSuccess);
  EXPECT_NE(initiator().RemoveIScsiSendTargetPortal(nullptr, kIscsiAnyInitiatorPort, Portal()), kIscsiStatusSuccess)
      << "a portal that is no longer listed cannot be removed again";
}

TEST_P(IscsiInitiatorContract, LoginGivesSessionConnectionDiskAndMappingUntilLogout) {
  ASSERT_EQ(AddPortal(), kIscsiStatusSuccess);
  IscsiUniqueSessionId id;
  ASSERT_EQ(Login(false, id), kIscsiStatusSuccess);

  const auto sessions = Sessions();
  auto session =
      std::find_if(sessions.begin(), sessions.end(), [&](const IscsiSessionInfo& s) { return s.sessionId == id; });
  ASSERT_NE(session, sessions.end());
  EXPECT_EQ(session->targetName, env().targetName);
  ASSERT_FALSE(session->connections.empty());
  EXPECT_EQ(session->connections.front().targetAddress, env().portalAddress);
  EXPECT_EQ(session->connections.front().targetSocket, env().portalSocket);

  const auto devices = ReadSized<IscsiDeviceOnSession>([&](std::uint32_t& c, std::vector<IscsiDeviceOnSession>& v) {
    return initiator().GetDevicesForIScsiSession(id, c, v);
  });
  ASSERT_FALSE(devices.empty());
  EXPECT_TRUE(std::any_of(devices.begin(), devices.end(), [](const IscsiDeviceOnSession& d) {
    return d.interfaceClass == IscsiDeviceInterface::Disk;
  }));

  const auto mappings = Mappings();
  auto mapping =
      std::find_if(mappings.begin(), mappings.end(), [&](const IscsiTargetMapping& m) { return m.sessionId == id; });
  ASSERT_NE(mapping, mappings.end());
  EXPECT_EQ(mapping->targetName, env().targetName);
  EXPECT_FALSE(mapping->luns.empty());

  ASSERT_EQ(initiator().LogoutIScsiTarget(id), kIscsiStatusSuccess);
  for (const IscsiSessionInfo& s : Sessions()) EXPECT_FALSE(s.sessionId == id);
  for (const IscsiTargetMapping& m : Mappings()) EXPECT_FALSE(m.sessionId == id);
  EXPECT_NE(initiator().LogoutIScsiTarget(id), kIscsiStatusSuccess) << "a session ends once";
}

TEST_P(IscsiInitiatorContract, PersistentLoginIsListedOpensNoSessionAndCanBeRemoved) {
  ASSERT_EQ(AddPortal(), kIscsiStatusSuccess);
  IscsiUniqueSessionId unused;
  ASSERT_EQ(Login(true, unused), kIscsiStatusSuccess);
  const auto logins = PersistentLogins();
  EXPECT_TRUE(std::any_of(logins.begin(), logins.end(),
                          [&](const IscsiPersistentLogin& p) { return p.targetName == env().targetName; }));
  for (const IscsiSessionInfo& s : Sessions()) EXPECT_NE(s.targetName, env().targetName);

  ASSERT_EQ(initiator().RemoveIScsiPersistentTarget(nullptr, kIscsiAnyInitiatorPort, env().targetName, nullptr),
            kIscsiStatusSuccess);
  for (const IscsiPersistentLogin& p : PersistentLogins()) EXPECT_NE(p.targetName, env().targetName);
  EXPECT_NE(initiator().RemoveIScsiPersistentTarget(nullptr, kIscsiAnyInitiatorPort, env().targetName, nullptr),
            kIscsiStatusSuccess);
}

TEST_P(IscsiInitiatorContract, UnknownSessionIdIsAnErrorNotASizeQuery) {
  const IscsiUniqueSessionId bogus{0x1234, 0x5678};
  const IscsiStatus logout = initiator().LogoutIScsiTarget(bogus);
  EXPECT_NE(logout, kIscsiStatusSuccess);
  std::uint32_t capacity = 0;
  std::vector<IscsiDeviceOnSession> devices;
  const IscsiStatus status = initiator().GetDevicesForIScsiSession(bogus, capacity, devices);
  EXPECT_NE(status, kIscsiStatusSuccess);
  EXPECT_NE(status, kIscsiStatusInsufficientBuffer);
  EXPECT_TRUE(devices.empty());
}

TEST_P(IscsiInitiatorContract, SizeQueryReportsTheCountNeededThenTheListFits) {
  ASSERT_EQ(AddPortal(), kIscsiStatusSuccess);
  IscsiUniqueSessionId id;
  ASSERT_EQ(Login(false, id), kIscsiStatusSuccess);

  std::uint32_t capacity = 0;
  std::vector<IscsiSessionInfo> sessions;
  ASSERT_EQ(initiator().GetIScsiSessionList(capacity, sessions), kIscsiStatusInsufficientBuffer);
  ASSERT_GE(capacity, 1u);
  EXPECT_TRUE(sessions.empty());
  const std::uint32_t needed = capacity;
  capacity = needed + 5;  // more room than needed is fine
  ASSERT_EQ(initiator().GetIScsiSessionList(capacity, sessions), kIscsiStatusSuccess);
  EXPECT_EQ(capacity, needed) << "capacity becomes the number delivered";
  EXPECT_EQ(sessions.size(), needed);

  std::uint32_t mappingCapacity = 0;
  std::vector<IscsiTargetMapping> mappings;
  EXPECT_EQ(initiator().ReportActiveIScsiTargetMappings(mappingCapacity, mappings), kIscsiStatusInsufficientBuffer);
  EXPECT_GE(mappingCapacity, 1u);
}

TEST_P(IscsiInitiatorContract, LoginToAnUnknownTargetFails) {
  ASSERT_EQ(AddPortal(), kIscsiStatusSuccess);
  IscsiLoginRequest request;
  request.targetName = env().targetName + ".no-such-target";
  IscsiUniqueSessionId session;
  IscsiUniqueConnectionId connection;
  EXPECT_NE(initiator().LoginIScsiTarget(request, session, connection), kIscsiStatusSuccess);
  for (const IscsiSessionInfo& s : Sessions()) EXPECT_NE(s.targetName, request.targetName);
}

}  // namespace sp
