#pragma once
// An interpreter over the fake initiator with one reachable appliance portal
// (10.77.0.2:3260) offering the appliance's target with LUN 0.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "platform/fake/fakeiscsiinitiator.h"
#include "platform/fake/fakevolumeenumerator.h"

namespace sp {

inline constexpr char kApplianceTarget[] = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
inline constexpr char kWizardLogin[] =
    "iscsicli LoginTarget iqn.2008-01.com.korva:storage.aabbcc.1.sys T * * * * * * * * * * * * * * * 0";

class InterpreterTest : public ::testing::Test {
 protected:
  InterpreterTest() {
    fake.AddReachablePortal("10.77.0.2", 3260, {{kApplianceTarget, "vbx207", {{0}}}});
    fake.SetNextDiskNumber(2);
  }

  // Runs one line with a fresh output.
  IscsiStatus Run(const std::string& line) {
    out.str("");
    return interpreter.Run(line);
  }
  // Runs a line that must succeed, for setting the scene.
  void Given(const std::string& line) { ASSERT_EQ(Run(line), 0u) << line << "\n" << out.str(); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool Printed(const std::string& line) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  template <typename T, typename Call>
  std::vector<T> List(Call call) {
    std::uint32_t capacity = 64;
    std::vector<T> items;
    EXPECT_EQ(call(capacity, items), 0u);
    return items;
  }
  std::vector<IscsiSendTargetPortalInfo> Portals() {
    return List<IscsiSendTargetPortalInfo>(
        [&](std::uint32_t& c, auto& v) { return fake.ReportIScsiSendTargetPortalsEx(c, v); });
  }
  std::vector<IscsiPersistentLogin> PersistentLogins() {
    return List<IscsiPersistentLogin>(
        [&](std::uint32_t& c, auto& v) { return fake.ReportIScsiPersistentLogins(c, v); });
  }
  int Calls() const { return static_cast<int>(fake.calls().size()); }

  FakeIscsiInitiator fake;
  FakeVolumeEnumerator volumes;
  std::ostringstream out;
  IscsiInterpreter interpreter{fake, volumes, out};
};

}  // namespace sp
