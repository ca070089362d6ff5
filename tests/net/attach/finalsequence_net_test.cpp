// The whole final setup sequence against the appliance simulator: the real
// device link in pc asks the appliance (in vbx) to format, follows its
// progress to 100, attaches the target the appliance then offers through our
// initiator service, and leaves its volume NTFS at the chosen letter. The
// share agent and the desktop are fakes here (the share has its own network
// tests); pauses are cut to a hundredth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "base/text.h"
#include "devicelink/devicelink.h"
#include "hoststorage/iscsi/iscsitarget.h"
#include "pages/final/core/finalsequence.h"
#include "pages/final/core/stoptokenwait.h"
#include "platform/fake/fakedesktopshell.h"
#include "platform/fake/fakenetwork.h"
#include "platform/linux/linuxblockdevices.h"
#include "platform/linux/linuxdriveletters.h"
#include "platform/linux/linuxiscsiinitiator.h"
#include "platform/linux/linuxlocaladdresses.h"
#include "platform/linux/linuxvolumecontrol.h"
#include "platform/linux/linuxvolumeenumerator.h"
#include "platform/linux/linuxvolumes.h"
#include "platform/linux/mkntfsformatter.h"
#include "tests/net/harness/simulatorinnetwork.h"
#include "tests/net/iscsi/iscsinettest.h"

namespace sp::nettest {
namespace {

using namespace std::chrono_literals;

// The second appliance of the simulator (10.77.0.3): the fixture's own
// target sits at the first one's address.
constexpr int kAppliance = 1;
constexpr char kApplianceIp[] = "10.77.0.3";

class RecordingSink : public IFinalPageSink {
 public:
  void SetProgress(int p) override { Add("progress", p); }
  void SetLayerList(std::string_view list) override { Add("list " + std::string(list)); }
  void SetFinishEnabled(bool on) override { Add(on ? "finish on" : "finish off"); }
  void ShowFinish() override { Add("show finish"); }
  void SetWaitingForAppliance(bool waiting) override { Add(waiting ? "waiting" : "not waiting"); }
  void PostOutcome(const FinalReport& report) override { Add(report.summary ? "summary" : "failure"); }

  std::vector<std::string> events;
  std::vector<int> positions;

 private:
  void Add(std::string e, int p = -1) {
    std::lock_guard lock(mutex_);
    if (p >= 0) {
      positions.push_back(p);
      e += " " + std::to_string(p);
    }
    events.push_back(std::move(e));
  }
  std::mutex mutex_;
};

class FinalSequenceNetTest : public IscsiNetTest {
 protected:
  void SetUp() override {
    IscsiNetTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    setenv("VBX207_SIM_ISCSI_MAX_MB", "48", 1);  // a small LUN, not hundreds of GB
    sim_ = StartSimulator(net(), {"--count", "2"});
    ASSERT_NE(sim_, nullptr);
    mac_ = SimulatorMac(kAppliance);
    ASSERT_TRUE(sim_->SetProgressSpeed(mac_, 40));
    ASSERT_TRUE(StartService());

    mountRoot_ = net().scratchDir() + "/mnt";
    std::filesystem::create_directories(mountRoot_);
    stack_ = std::make_unique<LinuxStorageStack>(socket_, mount_, mountRoot_);
    interpreter_ = std::make_unique<IscsiInterpreter>(stack_->initiator, stack_->enumerator, report_);
    DiskPreparation::Options options;
    options.formatTiming.checkInterval = 100ms;
    options.formatTiming.settle = 50ms;
    preparation_ =
        std::make_unique<DiskPreparation>(stack_->disks, stack_->letters, stack_->control, formatter_, options);

    state_.Clear();
    CopyBounded(state_.targetMac, mac_);
    CopyBounded(state_.deviceIpAddress, kApplianceIp);
    CopyBounded(state_.iscsiDriveLetter, "X:");
    state_.nasSharePercent = 0;  // iSCSI only
    state_.diskLevelCode = 2;
    state_.iscsiSizeGb = 48;
  }
  void TearDown() override {
    unsetenv("VBX207_SIM_ISCSI_MAX_MB");
    if (stack_) {
      for (char letter = 'D'; letter <= 'Z'; ++letter) {
        if (!stack_->letters.DeviceAtLetter(letter).empty()) stack_->control.Unmount(letter);
      }
    }
    IscsiNetTest::TearDown();
  }

  // The worker's part, on a thread in pc: its device link only sleeps.
  FinalOutcome RunSequence() {
    return RunInNamespace(net().pc(), [&] {
      LinuxLocalAddresses addresses;
      DeviceLink link(addresses);
      IscsiAttach attach(*interpreter_, *preparation_, shares_);
      FinalSequence sequence(link, *interpreter_, attach, shares_, desktop_);
      std::stop_source stop;
      StopTokenWait wait(stop.get_token(), 1);
      return sequence.Run(state_, wait, sink_);
    });
  }

  std::unique_ptr<sim::SimClient> sim_;
  std::string mac_;
  std::string mountRoot_;
  std::ostringstream report_;
  std::unique_ptr<LinuxStorageStack> stack_;
  std::unique_ptr<IscsiInterpreter> interpreter_;
  MkntfsFormatter formatter_;
  std::unique_ptr<DiskPreparation> preparation_;
  FakeNetConnections connections_;
  FakeNetUse netUse_;
  FakeNetDockAgent agent_;
  ShareMapping shares_{connections_, netUse_, agent_};
  FakeDesktopShell desktop_;
  RecordingSink sink_;
  WizardState state_{};
};

TEST_F(FinalSequenceNetTest, IscsiOnlyProfileFromFormatRequestToTheOpenedDrive) {
  ASSERT_EQ(RunSequence(), FinalOutcome::kSummary) << report_.str();

  // The appliance got the profile and formatted to the end.
  const nlohmann::json appliance = sim_->Appliance(mac_);
  ASSERT_TRUE(appliance["format"].is_object()) << appliance.dump();
  EXPECT_EQ(appliance["format"]["nas_percent"], 0);
  EXPECT_EQ(appliance["format"]["level"], 2);
  EXPECT_EQ(appliance["format"]["progress"], 100);
  EXPECT_EQ(appliance["counts"]["8"], 1) << "accepted at the first request";

  // The bar followed the appliance: rising through the poll, 61 at its end.
  const auto& p = sink_.positions;
  const auto poll = std::find(p.begin(), p.end(), 9) + 1;
  const auto pollEnd = std::find(poll, p.end(), 61);
  ASSERT_NE(pollEnd, p.end()) << "the appliance's 100 ended the poll";
  EXPECT_TRUE(std::is_sorted(poll, pollEnd + 1));
  EXPECT_GT(pollEnd - poll, 1) << "progress was seen on the way";
  EXPECT_EQ(p.back(), 100);

  // The appliance's target is attached and its volume is X:, NTFS, writable.
  const std::string volume = stack_->letters.DeviceAtLetter('X');
  ASSERT_FALSE(volume.empty());
  EXPECT_EQ(stack_->control.ProbeFileSystem(volume)->type, "ntfs");
  { std::ofstream(mountRoot_ + "/x/hello.txt") << "hello"; }
  EXPECT_TRUE(std::filesystem::exists(mountRoot_ + "/x/hello.txt"));
  interpreter_->ClearSessionTable();
  ASSERT_EQ(interpreter_->ReportSessions(), 0u);
  ASSERT_EQ(interpreter_->sessionTable().size(), 1u);
  EXPECT_EQ(FieldText(interpreter_->sessionTable()[0].targetName), ComposeTargetName(mac_));

  EXPECT_EQ(FieldText(state_.explorerCommandLine), "explorer X:\\");
  EXPECT_EQ(desktop_.opened, std::vector<ExplorerTarget>{{'X'}});
  EXPECT_TRUE(agent_.received.empty() || agent_.received.front().dwData == kNetDockUnmapRequest)
      << "no share was mapped for a profile without one";
  EXPECT_EQ(sink_.events.back(), std::string("list ") + kFinalBackgroundList);
}

}  // namespace
}  // namespace sp::nettest
