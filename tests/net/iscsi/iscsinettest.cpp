#include "tests/net/iscsi/iscsinettest.h"

#include <sys/mount.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/iscsicontrolprotocol.h"
#include "tests/net/harness/runcommand.h"

namespace sp::nettest {

const char* IscsidPath() { return SP_ISCSID_PATH; }

void IscsiNetTest::SetUp() {
  NetworkTest::SetUp();
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string dir = net().scratchDir();
  socket_ = dir + "/iscsi/control.sock";
  mount_ = dir + "/iscsi/disks";
  state_ = dir + "/iscsi/state";
  pidFile_ = dir + "/iscsi/iscsid.pid";
  drives_ = dir + "/drives";
  std::filesystem::create_directories(drives_);
  client_ = std::make_unique<IscsiControlClient>(socket_);
  sim::TgtVolumeConfig config;
  config.backingDir = dir + "/tgt";
  config.portalAddress = kVbxAddress;
  tgt_ = std::make_unique<sim::TgtVolume>(config);
  std::string error;
  const bool made = RunInNamespace(net().vbx(), [&] { return tgt_->CreateTarget(kIscsiTarget, kLunBytes, &error); });
  ASSERT_TRUE(made) << error;
}

void IscsiNetTest::TearDown() {
  if (net_) {
    CleanUpLoopsAndMounts();
    if (service_) service_->Stop();
    // A sanitizer build of the service reports into its log; any report
    // fails the test even when the service carried on.
    std::ifstream log(net().scratchDir() + "/iscsid.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("Sanitizer"), std::string::npos) << text;
    EXPECT_EQ(text.find("runtime error:"), std::string::npos) << text;
  }
  if (tgt_) tgt_->Stop();
  NetworkTest::TearDown();
}

bool IscsiNetTest::StartService() {
  service_ = net().Spawn(net().pc(), {IscsidPath(),       "--foreground",
                                      "--socket",         socket_,
                                      "--mount",          mount_,
                                      "--state",          state_,
                                      "--pidfile",        pidFile_,
                                      "--drive-root",     drives_,
                                      "--io-timeout",     "3",
                                      "--login-timeout",  "3",
                                      "--retry-interval", "1",
                                      "--nop-interval",   "1"},
                         "iscsid");
  if (!service_) return false;
  for (int i = 0; i < 100; ++i) {
    if (Call(iscsictl::op::kPing, {}, nullptr, 1000) == 0) return true;
    if (!service_->Running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

int IscsiNetTest::StopService() {
  const int status = service_ ? service_->Stop(10000) : -1;
  service_ = nullptr;
  return status;
}

void IscsiNetTest::KillService() {
  if (!service_) return;
  kill(service_->pid(), SIGKILL);
  service_->Wait(5000);
  service_ = nullptr;
}

long IscsiNetTest::Call(const char* op, std::vector<std::pair<std::string, std::string>> fields, ControlMessage* reply,
                        int timeoutMs) {
  ControlRecord request = IscsiControlClient::Request(op);
  for (const auto& [key, value] : fields) request.Set(key, value);
  const auto answer = client_->Call({request}, timeoutMs);
  if (!answer) return -1;
  if (reply) *reply = *answer;
  return static_cast<long>((*answer)[0].GetU64Or("status", 999));
}

std::string IscsiNetTest::AddPortalAndLogin() {
  EXPECT_EQ(Call(iscsictl::op::kAddPortal, {{"address", kVbxAddress}, {"socket", "3260"}}), 0);
  ControlMessage reply;
  EXPECT_EQ(Call(iscsictl::op::kLogin, {{"target", kIscsiTarget}}, &reply), 0);
  return reply.empty() ? "" : reply[0].Get("session");
}

std::string IscsiNetTest::WaitForLunFile(int timeoutMs) {
  const std::string path = mount_ + "/" + kIscsiTarget + "-lun1";
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return path;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

int IscsiNetTest::Run(const std::vector<std::string>& argv, std::string* output) { return RunCommand(argv, output); }

void IscsiNetTest::CleanUpLoopsAndMounts() {
  const std::string dir = net().scratchDir();
  // Mounts below the scratch directory, deepest first.
  std::ifstream mounts("/proc/self/mounts");
  std::vector<std::string> points;
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point;
    fields >> device >> point;
    if (point.rfind(dir, 0) == 0 && point != mount_) points.push_back(point);
  }
  for (auto it = points.rbegin(); it != points.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
  std::string list;
  if (RunCommand({"losetup", "-n", "-O", "NAME,BACK-FILE", "-l"}, &list) == 0) {
    std::istringstream rows(list);
    while (std::getline(rows, line)) {
      std::istringstream fields(line);
      std::string name, file;
      fields >> name >> file;
      if (file.rfind(dir, 0) == 0) RunCommand({"losetup", "-d", name});
    }
  }
}

}  // namespace sp::nettest
