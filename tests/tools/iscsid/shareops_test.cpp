// The share operations through the control handler, over a model of the
// mount table and a counting authority; drive folders are real folders.
#include "tools/iscsid/shareops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/linuxnetuse.h"
#include "tests/tools/iscsid/iscsidfakes.h"
#include "tools/iscsid/controlhandler.h"
#include "tools/iscsid/controlserver.h"

namespace sp::iscsid {
namespace {

using namespace iscsictl;
namespace fs = std::filesystem;

class FakeShareSystem : public IShareSystem {
 public:
  ToolResult MountCifs(const std::vector<std::string>& argv, const std::vector<std::string>& env) override {
    lastArgv = argv;
    lastEnv = env;
    if (fail) return {true, false, 32, "mount error(115)"};
    mounts.push_back({argv[2], "cifs", argv[1]});
    return {true, false, 0, ""};
  }
  int Unmount(const std::string& point, bool detach) override {
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
      if (it->point != point) continue;
      if (busy && !detach) return EBUSY;
      mounts.erase(std::next(it).base());
      return 0;
    }
    return EINVAL;
  }
  std::string MountInfo() override {
    std::string text;
    int id = 100;
    for (const auto& m : mounts)
      text += std::to_string(id++) + " 1 0:9 / " + m.point + " rw - " + m.type + " " + m.source + " rw\n";
    return text;
  }
  struct Mount {
    std::string point, type, source;
  };
  std::vector<Mount> mounts;
  std::vector<std::string> lastArgv, lastEnv;
  bool fail = false, busy = false;
};

class ShareOpsTest : public ::testing::Test {
 protected:
  ShareOpsTest()
      : dir_(fs::temp_directory_path() / ("shareops-" + std::to_string(getpid()))),
        core_(transport_, publisher_, nullptr, {}),
        handler_(core_, nullptr,
                 [this](std::string_view, const Caller&) {
                   ++asked_;
                   return answer_;
                 }),
        shares_(system_, (dir_ / "mnt").string(), (dir_ / "state" / "shares").string()) {
    fs::create_directories(dir_ / "mnt");
    handler_.SetShareOps(&shares_);
  }
  ~ShareOpsTest() override { fs::remove_all(dir_); }

  std::uint64_t Ask(const std::string& request, const Caller& caller) {
    const auto reply = DecodeControlMessage(handler_.HandleText("req v=1 op=" + request + "\n", caller));
    return reply ? (*reply)[0].GetU64Or("status", 999) : 999;
  }
  std::string Point(char letter) { return (fs::canonical(dir_ / "mnt") / std::string(1, letter)).string(); }

  fs::path dir_;
  testing::FakeTransport transport_;
  testing::RecordingPublisher publisher_;
  InitiatorCore core_;
  int asked_ = 0;
  std::uint32_t answer_ = kOk;
  ControlHandler handler_;
  FakeShareSystem system_;
  ShareOps shares_;
  const Caller alice_{100, 1000, 1000}, bob_{200, 1001, 1001};
};

TEST_F(ShareOpsTest, MalformedRequestsAreRefusedBeforeAnyoneIsAsked) {
  for (const char* bad : {
           "mount_share address=10.77.0.2 share=Volume1 letter=",
           "mount_share address=10.77.0.2 share=Volume1 letter=1",
           "mount_share address=VBX-207 share=Volume1 letter=y",
           "mount_share address=010.77.0.2 share=Volume1 letter=y",
           "mount_share address=10.77.0.2 share=a/b letter=y",
           "mount_share address=10.77.0.2 share=a,uid%3D0 letter=y",
           "mount_share address=10.77.0.2 share=a\\b letter=y",
           "mount_share address=10.77.0.2 share= letter=y",
           "mount_share address=10.77.0.2 share=Volume1 letter=y host=a%3Db",
           "mount_share address=10.77.0.2 share=Volume1 letter=y user=x%0A",
           "drive_point letter=y share=Volume1",
           "unmount_share letter=yy",
       }) {
    EXPECT_EQ(Ask(bad, alice_), kInvalidParameter) << bad;
  }
  EXPECT_EQ(Ask("mount_share address=10.77.0.2 share=" + std::string(81, 's') + " letter=y", alice_),
            kInvalidParameter);
  EXPECT_EQ(asked_, 0);
  EXPECT_TRUE(system_.mounts.empty());
}

TEST_F(ShareOpsTest, CifsCommandCarriesTheCallersIdsAndNoPassword) {
  EXPECT_EQ(CifsMountArguments("10.77.0.2", "Volume1", "/mnt/y", 1000, 1001, true),
            (std::vector<std::string>{"mount.cifs", "//10.77.0.2/Volume1", "/mnt/y", "-o",
                                      "guest,uid=1000,forceuid,gid=1001,forcegid,file_mode=0600,dir_mode=0700,"
                                      "nosuid,nodev"}));
  EXPECT_TRUE(CifsCredentialEnvironment("", "").empty());

  ASSERT_EQ(
      Ask("mount_share address=10.77.0.2 share=Volume1 letter=Y host=VBX-207 user=kim password=s3cr%2Cet", alice_),
      kOk);
  EXPECT_EQ(system_.lastArgv[1], "//10.77.0.2/Volume1");
  EXPECT_EQ(system_.lastArgv[2], Point('y'));
  EXPECT_EQ(system_.lastArgv[4].rfind("uid=1000,", 0), 0u) << "no guest for a named user";
  for (const auto& arg : system_.lastArgv) EXPECT_EQ(arg.find("s3cr"), std::string::npos);
  EXPECT_EQ(system_.lastEnv, (std::vector<std::string>{"USER=kim", "PASSWD=s3cr,et"}));

  std::stringstream record;
  record << std::ifstream(dir_ / "state" / "shares").rdbuf();
  EXPECT_NE(record.str().find("host=VBX-207"), std::string::npos);
  EXPECT_EQ(record.str().find("s3cr"), std::string::npos);
  EXPECT_EQ(record.str().find("kim"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat((dir_ / "state" / "shares").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ShareOpsTest, RestoringOwnRecordAsksNothingEverythingElseAsks) {
  const std::string y = "mount_share address=10.77.0.2 share=Volume1 letter=y host=VBX-207";
  ASSERT_EQ(Ask(y, alice_), kOk);
  EXPECT_EQ(asked_, 1);
  EXPECT_EQ(Ask(y, alice_), kOk) << "the same mount again is no error";
  // The session ends: the mount goes, the record stays.
  EXPECT_EQ(Ask("unmount_share letter=y", alice_), kOk);
  EXPECT_TRUE(system_.mounts.empty());
  EXPECT_EQ(Ask(y, alice_), kOk);
  EXPECT_EQ(asked_, 1) << "a restore of alice's own mapping is not asked for";
  EXPECT_EQ(system_.mounts.size(), 1u);

  // Taken by alice: bob cannot have it, and he is asked first.
  EXPECT_EQ(Ask(y, bob_), kAlreadyExists);
  EXPECT_EQ(asked_, 2);
  answer_ = kNotAuthorised;
  EXPECT_EQ(Ask("unmount_share letter=y", bob_), kNotAuthorised);
  EXPECT_EQ(Ask("mount_share address=10.77.0.2 share=Other letter=z host=VBX-207", alice_), kNotAuthorised);
  EXPECT_EQ(Ask("drive_point letter=y host=VBX-207 share=Other", alice_), kNotAuthorised);
  EXPECT_EQ(system_.mounts.size(), 1u);

  // Forgotten, the record no longer counts.
  system_.busy = true;
  EXPECT_EQ(Ask("unmount_share letter=y forget=1", alice_), kDeviceBusy);
  EXPECT_EQ(Ask("unmount_share letter=y forget=1 detach=1", alice_), kOk);
  EXPECT_TRUE(shares_.Records().empty());
  const int before = asked_;
  EXPECT_EQ(Ask(y, alice_), kNotAuthorised);
  EXPECT_EQ(asked_, before + 1);
  answer_ = kOk;
  EXPECT_EQ(Ask("unmount_share letter=q forget=1", Caller{}), kDeviceNotFound);
}

TEST_F(ShareOpsTest, FailedMountIsNotRecorded) {
  system_.fail = true;
  EXPECT_EQ(Ask("mount_share address=10.77.0.2 share=Volume1 letter=y", alice_), kConnectionFailed);
  EXPECT_TRUE(shares_.Records().empty());
  EXPECT_EQ(Ask("mount_share address=10.77.0.2 share=Volume1 letter=y", alice_), kConnectionFailed);
  EXPECT_EQ(asked_, 2);
}

TEST_F(ShareOpsTest, DrivePointOnlyForAFreeEmptyFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "handing a folder to another uid needs root";
  const std::string dp = "drive_point letter=y host=VBX-207 share=Volume1";
  ASSERT_EQ(Ask(dp, alice_), kOk);
  struct stat st {};
  ASSERT_EQ(lstat(Point('y').c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1000u);
  EXPECT_EQ(st.st_gid, 1000u);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(Ask(dp, alice_), kOk);
  EXPECT_EQ(asked_, 1) << "restoring the same drive asks nothing";
  EXPECT_EQ(shares_.Records(), (std::vector<ShareRecord>{{1000, 'y', "VBX-207", "Volume1"}}));

  std::ofstream(Point('y') + "/left.txt") << "x";
  EXPECT_EQ(Ask(dp, alice_), kDeviceBusy);
  system_.mounts.push_back({Point('x'), "ext4", "/dev/sda1"});
  EXPECT_EQ(Ask("drive_point letter=x host=h share=s", alice_), kDeviceBusy);
  // A link at the letter is never followed to hand over what it points at.
  fs::create_directories(dir_ / "elsewhere");
  fs::create_directory_symlink(dir_ / "elsewhere", Point('w'));
  EXPECT_NE(Ask("drive_point letter=w host=h share=s", alice_), kOk);
  ASSERT_EQ(stat((dir_ / "elsewhere").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
}

// The wizard's side as a user who is not root: the CIFS mount the service
// made for them is taken away by the service, over the real socket.
TEST_F(ShareOpsTest, UserUnmountsTheirCifsDriveThroughTheService) {
  if (geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  const Caller nobody{0, 65534, 65534};
  ASSERT_EQ(Ask("mount_share address=10.77.0.2 share=Volume1 letter=y", nobody), kOk);
  const std::string socket = (dir_ / "control.sock").string();
  ControlServer server(socket, [&](std::string_view text, const Caller& c, std::stop_token stop) {
    return handler_.HandleText(text, c, std::move(stop));
  });
  ASSERT_TRUE(server.Start(nullptr));
  const MountEntry top{Point('y'), "cifs", "//10.77.0.2/Volume1", "/"};
  system_.busy = true;
  const auto asNobody = [&](bool detach) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(99);
      _exit(UnmountNetworkDrive(Point('y'), 'y', top, detach, false, socket, 5000));
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(asNobody(false), EBUSY);
  EXPECT_EQ(asNobody(true), 0);
  EXPECT_TRUE(system_.mounts.empty());
  EXPECT_EQ(asked_, 1) << "their own drive: nobody else is asked";
  EXPECT_EQ(shares_.Records().size(), 1u) << "kept for the next log-in";
  server.Stop();
}

TEST(ShareRecordsTest, TextRoundTripAndDamage) {
  const std::vector<ShareRecord> records = {{1000, 'y', "VBX-207", "Volume1"}, {0, 'a', "10.0.0.1", "My Share"}};
  std::vector<ShareRecord> back;
  ASSERT_TRUE(DecodeShareRecords(EncodeShareRecords(records), back));
  EXPECT_EQ(back, records);
  EXPECT_FALSE(DecodeShareRecords("shares v=2\n", back));
  EXPECT_FALSE(DecodeShareRecords("shares v=1\nshare uid=1 letter=7 host=h share=s\n", back));
  EXPECT_FALSE(DecodeShareRecords("shares v=1\nshare uid=1 letter=y host=h share=a/b\n", back));
  EXPECT_TRUE(DecodeShareRecords("shares v=1\nnewer x=1\n", back));
  EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace sp::iscsid
