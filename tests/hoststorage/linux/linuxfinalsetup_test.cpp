// The program's final-setup backends: without a running initiator service the attach fails at its
// portal step at once instead of hanging.
#include "hoststorage/linux/linuxfinalsetup.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "pages/final/core/iscsiattach.h"
#include "pages/final/core/stoptokenwait.h"
#include "platform/fake/fakenetwork.h"

namespace sp {
namespace {

TEST(LinuxFinalSetup, FailsCleanlyWithoutTheInitiatorService) {
  FakeNetDockAgent agent;
  LinuxFinalSetup::Paths paths;
  paths.initiatorSocket = "/nonexistent/setuppilot/control.sock";
  paths.driveRoot = "/nonexistent/setuppilot/mnt";
  LinuxFinalSetup setup(agent, paths);

  WizardState state{};
  CopyBounded(state.targetMac, "02:4b:56:00:00:01");
  CopyBounded(state.deviceIpAddress, "10.77.0.2");
  CopyBounded(state.iscsiDriveLetter, "X:");
  CopyBounded(state.explorerCommandLine, "untouched");
  IscsiAttach attach(setup.Interpreter(), setup.Preparation(), setup.Shares());
  std::stop_source stop;
  StopTokenWait wait(stop.get_token());
  const AttachOutcome outcome = attach.Run(state, wait, [](int) {});
  EXPECT_EQ(outcome.result, AttachResult::kFailed);
  EXPECT_EQ(outcome.why, AttachFailure::kInitiatorDown) << "the summary can say what is missing";
  EXPECT_EQ(FieldText(state.explorerCommandLine), "untouched");
  EXPECT_TRUE(agent.received.empty()) << "nothing reached the agent before the portal step failed";
}

}  // namespace
}  // namespace sp
