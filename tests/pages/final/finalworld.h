#pragma once
// A whole PC and appliance for the final setup, made of the platform fakes:
// the iSCSI initiator with the appliance's portal, the PC's disks (the
// appliance's LUN among them), the network connections and the share agent,
// the desktop, and a scripted appliance for the device exchange. Sleeps,
// exchanges, page calls and share requests all go into one event log, so
// tests can read the order of everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "hoststorage/diskprep/diskpreparation.h"
#include "hoststorage/iscsicli/iscsiinterpreter.h"
#include "hoststorage/sharemap/sharemapping.h"
#include "pages/final/core/finalsequence.h"
#include "pages/final/core/iscsiattach.h"
#include "platform/fake/fakedesktopshell.h"
#include "platform/fake/fakefilebookmarks.h"
#include "platform/fake/fakeiscsiinitiator.h"
#include "platform/fake/fakenetwork.h"
#include "platform/fake/fakestorage.h"

namespace sp::finaltest {

using namespace std::chrono_literals;

inline constexpr char kMac[] = "00:11:22:aa:bb:cc";
inline constexpr char kTarget[] = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
inline constexpr char kApplianceIp[] = "10.77.0.2";
inline constexpr char kSystemDisk[] = "/dev/sda";
inline constexpr char kLunDisk[] = "/run/setuppilot/iscsi/disks/lun0";
inline constexpr std::uint32_t kLunDiskNumber = 1;  // the LUN is physical drive 1

inline std::vector<std::uint8_t> InquiryOf(const char* vendor) {
  std::vector<std::uint8_t> d(96, 0);
  std::memcpy(d.data() + 8, vendor, 8);
  std::memcpy(d.data() + 16, "VIRTUAL-DISK    ", 16);
  std::memcpy(d.data() + 32, "0001", 4);
  return d;
}

// Pauses that only write themselves into the log. A stop can be arranged
// for the n-th pause, and a hook runs before each one (to change the world
// while the worker "waits").
class RecordingWait : public ISetupWait {
 public:
  explicit RecordingWait(std::vector<std::string>& log) : log_(log) {}

  bool Sleep(std::chrono::milliseconds d) override {
    if (source_.stop_requested()) return false;
    ++count_;
    log_.push_back("sleep " + std::to_string(d.count()));
    if (onSleep) onSleep(count_);
    if (stopAt && count_ >= stopAt) source_.request_stop();
    return !source_.stop_requested();
  }
  std::stop_token StopToken() const override { return source_.get_token(); }
  void Stop() { source_.request_stop(); }
  int count() const { return count_; }

  int stopAt = 0;                    // stop during this pause (1-based); 0: never
  std::function<void(int)> onSleep;  // called with the pause's number

 private:
  std::vector<std::string>& log_;
  std::stop_source source_;
  int count_ = 0;
};

// The appliance: each command's reply comes from `answer` (data text and
// reply code, or no reply at all).
class ScriptedAppliance : public IDeviceExchange {
 public:
  struct Reply {
    bool answered = true;
    std::uint8_t code = kReplyAccepted;
    std::string data;
  };
  explicit ScriptedAppliance(std::vector<std::string>& log) : log_(log) {}

  int SendDeviceCommand(const char* targetMac, std::uint8_t command, const std::uint8_t* payload,
                        std::size_t payloadLength, std::uint8_t* replyArea) override {
    std::string entry = "cmd " + std::to_string(command);
    for (std::size_t i = 0; i < payloadLength; ++i) entry += " " + std::to_string(payload[i]);
    log_.push_back(entry);
    macs.emplace_back(targetMac);
    const int n = ++counts[command];
    const Reply reply = answer ? answer(command, n) : Reply{};
    if (!reply.answered) return 0;
    std::memset(replyArea, 0, kReplyAreaSize);
    replyArea[0] = reply.code;
    replyArea[1] = command;
    std::memcpy(replyArea + 5, reply.data.data(), std::min<std::size_t>(reply.data.size(), kReplyAreaSize - 5));
    return static_cast<int>(27 + reply.data.size());
  }

  // Command, and how many times it has been sent including this one.
  std::function<Reply(std::uint8_t command, int n)> answer;
  std::map<int, int> counts;
  std::vector<std::string> macs;

 private:
  std::vector<std::string>& log_;
};

class RecordingSink : public IFinalPageSink {
 public:
  explicit RecordingSink(std::vector<std::string>& log) : log_(log) {}
  void SetProgress(int p) override {
    log_.push_back("progress " + std::to_string(p));
    positions.push_back(p);
  }
  void SetLayerList(std::string_view list) override { log_.push_back("list " + std::string(list)); }
  void SetFinishEnabled(bool on) override { log_.push_back(on ? "finish on" : "finish off"); }
  void ShowFinish() override { log_.push_back("show finish"); }
  void SetWaitingForAppliance(bool waiting) override { log_.push_back(waiting ? "waiting" : "not waiting"); }
  void PostOutcome(const FinalReport& r) override {
    log_.push_back(r.summary ? "summary" : "failure");
    report = r;
  }
  std::vector<int> positions;
  FinalReport report;

 private:
  std::vector<std::string>& log_;
};

class LoggingDesktop : public FakeDesktopShell {
 public:
  explicit LoggingDesktop(std::vector<std::string>& log) : log_(log) {}
  bool RunExplorer(std::string_view line) override {
    log_.push_back("open " + std::string(line));
    return FakeDesktopShell::RunExplorer(line);
  }

 private:
  std::vector<std::string>& log_;
};

// The volumes the session report sees: whatever is mounted at a letter on
// the appliance's LUN, so the explorer line follows the real letter moves.
class StorageVolumes : public IVolumeEnumerator {
 public:
  explicit StorageVolumes(FakeStorage& storage) : storage_(storage) {}
  std::uint32_t EnumeratePresentVolumes(std::vector<VolumeInfo>& volumes) override {
    volumes.clear();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
      const std::string device = storage_.DeviceAtLetter(letter);
      if (device.empty() || storage_.DiskBehind(device) != kLunDisk) continue;
      volumes.push_back({device, {std::string(1, letter) + ":\\"}, {kLunDiskNumber}});
    }
    return 0;
  }

 private:
  FakeStorage& storage_;
};

// Disk preparation that formats without pauses.
inline DiskPreparation::Options FastDiskOptions() {
  DiskPreparation::Options o;
  o.random = [] { return 0x5Au; };
  o.formatTiming.checkInterval = 1ms;
  o.formatTiming.settle = 1ms;
  o.formatTiming.lateInterval = 1ms;
  o.formatTiming.limit = 10s;
  return o;
}

class FinalWorld : public ::testing::Test {
 protected:
  FinalWorld() {
    FakeIscsiInitiator::Lun lun;
    lun.devicePath = kLunDisk;
    initiator.AddReachablePortal(kApplianceIp, 3260, {{kTarget, "vbx207", {lun}}});
    initiator.SetNextDiskNumber(kLunDiskNumber);
    storage.AddDisk(kSystemDisk, 500ull << 30, InquiryOf("ATA     "));
    storage.AddVolumeDevice("/dev/sda1", kSystemDisk, 1 << 20, 100ull << 30);
    storage.MountOutside("/dev/sda1", 'C');

    state.Clear();
    CopyBounded(state.targetMac, kMac);
    CopyBounded(state.deviceIpAddress, kApplianceIp);
    CopyBounded(state.deviceHostName, u"storage1");
    state.nasSharePercent = 60;
    state.diskLevelCode = 2;
    CopyBounded(state.nasDriveLetter, "Y:");
    CopyBounded(state.iscsiDriveLetter, "X:");
    state.nasSizeGb = 600;
    state.iscsiSizeGb = 400;
  }

  // The appliance's LUN becomes a disk of the PC (as after the login).
  void AddLun() { storage.AddDisk(kLunDisk, 64ull << 20, InquiryOf("KORVA   ")); }

  // The part of the log from the first entry equal to `from` (inclusive)
  // to the first later entry equal to `to` (exclusive).
  std::vector<std::string> Between(const std::string& from, const std::string& to) const {
    auto begin = std::find(log.begin(), log.end(), from);
    auto end = std::find(begin, log.end(), to);
    return {begin, end};
  }
  int Count(const std::string& entry) const { return static_cast<int>(std::count(log.begin(), log.end(), entry)); }
  bool Has(const std::string& entry) const { return Count(entry) > 0; }
  std::ptrdiff_t IndexOf(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) - log.begin();
  }

  std::vector<std::string> log;
  WizardState state{};

  FakeIscsiInitiator initiator;
  FakeStorage storage;
  StorageVolumes volumes{storage};
  DiscardingStream report;
  IscsiInterpreter interpreter{initiator, volumes, report};
  DiskPreparation disks{storage, storage, storage, storage, FastDiskOptions()};

  FakeNetConnections connections{&log};
  FakeNetUse netUse{&log, &connections};
  FakeNetDockAgent agent{&log};
  ShareMapping shares{connections, netUse, agent};

  LoggingDesktop desktop{log};
  ScriptedAppliance appliance{log};
  RecordingWait wait{log};
  RecordingSink sink{log};
};

}  // namespace sp::finaltest
