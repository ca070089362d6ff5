// The connection queries the disk profile page and the clearing step rely on,
// run against the fake and the Linux backend alike; then what only the Linux
// backend does (mount table, remembered list file).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "platform/fake/fakenetwork.h"
#include "platform/linux/linuxnetconnections.h"
#include "platform/linux/rememberedconnectionstore.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

fs::path MakeTempDir() {
  char templ[] = "/tmp/sp-netconn-XXXXXX";
  const char* dir = mkdtemp(templ);
  return dir ? fs::path(dir) : fs::path();
}

// One implementation under test, with a way to put a remembered mapping that
// is not connected in place.
struct Backend {
  std::unique_ptr<INetConnections> connections;
  std::function<void(char, const std::string&)> rememberDisconnected;
};

class NetConnectionsContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir();
    ASSERT_FALSE(dir_.empty());
    if (GetParam() == "fake") {
      auto fake = std::make_unique<FakeNetConnections>();
      FakeNetConnections* raw = fake.get();
      backend_.rememberDisconnected = [raw](char letter, const std::string& remote) {
        raw->entries[letter] = {remote, true, false, false};
      };
      backend_.connections = std::move(fake);
    } else {
      fs::create_directories(dir_ / "mnt");
      std::ofstream(dir_ / "mountinfo") << "22 1 0:21 / / rw - overlay overlay rw\n";
      const std::string list = (dir_ / "cfg/netdock/mappings").string();
      backend_.connections =
          std::make_unique<LinuxNetConnections>((dir_ / "mnt").string(), list, (dir_ / "mountinfo").string());
      backend_.rememberDisconnected = [list](char letter, const std::string& remote) {
        ASSERT_TRUE(RememberedConnectionStore(list).Remember(letter, remote));
      };
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  Backend backend_;
};

TEST_P(NetConnectionsContract, RememberedButUnavailableUntilForgotten) {
  INetConnections& c = *backend_.connections;
  std::string remote = "untouched";
  EXPECT_EQ(c.GetConnection("Z:", &remote), kNetErrorNotConnected);
  EXPECT_EQ(c.GetConnection("Z:\\", &remote), kNetErrorBadDevice);
  EXPECT_EQ(c.GetConnection("", &remote), kNetErrorBadDevice);
  EXPECT_EQ(remote, "untouched");

  backend_.rememberDisconnected('Z', "\\\\VBX-207\\Volume1");
  EXPECT_EQ(c.GetConnection("z:", &remote), kNetErrorConnectionUnavail);
  EXPECT_EQ(remote, "\\\\VBX-207\\Volume1");
  EXPECT_EQ(c.GetConnection("Y:", &remote), kNetErrorNotConnected);

  // Without the profile update the remembered mapping stays.
  EXPECT_EQ(c.CancelConnection("Z:", false, true), kNetErrorNotConnected);
  EXPECT_EQ(c.GetConnection("Z:", &remote), kNetErrorConnectionUnavail);
  EXPECT_EQ(c.CancelConnection("Z:", true, true), kNetNoError);
  EXPECT_EQ(c.GetConnection("Z:", &remote), kNetErrorNotConnected);
  EXPECT_EQ(c.CancelConnection("Z:", true, true), kNetErrorNotConnected);
  EXPECT_EQ(c.CancelConnection("ZZ", true, true), kNetErrorBadDevice);
}

INSTANTIATE_TEST_SUITE_P(Backends, NetConnectionsContract, ::testing::Values("fake", "linux"),
                         [](const auto& info) { return info.param; });

class LinuxNetConnectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir();
    ASSERT_FALSE(dir_.empty());
    root_ = dir_ / "mnt";
    fs::create_directories(root_);
    list_ = (dir_ / "cfg/netdock/mappings").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteMountInfo(const std::string& lines) {
    std::ofstream(dir_ / "mountinfo") << "22 1 0:21 / / rw - overlay overlay rw\n" << lines;
  }
  LinuxNetConnections Make() { return LinuxNetConnections(root_.string(), list_, (dir_ / "mountinfo").string()); }

  fs::path dir_, root_;
  std::string list_;
};

TEST_F(LinuxNetConnectionsTest, MountedShareIsConnectedAndNamedByTheRememberedPath) {
  const std::string r = root_.string();
  WriteMountInfo("50 22 0:40 / " + r + "/.tree rw - fuse.smbnetfs smbnetfs rw\n" + "51 22 0:40 /10.77.0.2/Volume1 " +
                 r + "/z rw - fuse.smbnetfs smbnetfs rw\n" + "52 22 0:41 / " + r + "/y rw - cifs //nas2/Data rw\n" +
                 "53 22 7:3 / " + r + "/e rw - fuseblk /dev/loop3 rw\n");
  LinuxNetConnections c = Make();
  std::string remote;
  // Not remembered: the mount itself names the share.
  EXPECT_EQ(c.GetConnection("Z:", &remote), kNetNoError);
  EXPECT_EQ(remote, "\\\\10.77.0.2\\Volume1");
  EXPECT_EQ(c.GetConnection("Y:", &remote), kNetNoError);
  EXPECT_EQ(remote, "\\\\nas2\\Data");
  // A local volume is no network connection, even if a mapping was
  // remembered for its letter.
  ASSERT_TRUE(RememberedConnectionStore(list_).Remember('E', "\\\\gone\\Volume1"));
  EXPECT_EQ(c.GetConnection("E:", &remote), kNetErrorConnectionUnavail);
  // Remembered under its name, which is what the user mapped.
  ASSERT_TRUE(RememberedConnectionStore(list_).Remember('Z', "\\\\VBX-207\\Volume1"));
  EXPECT_EQ(c.GetConnection("Z:", &remote), kNetNoError);
  EXPECT_EQ(remote, "\\\\VBX-207\\Volume1");
}

TEST_F(LinuxNetConnectionsTest, StoreIsPrivateAndSurvivesConcurrentWriters) {
  RememberedConnectionStore store(list_);
  EXPECT_FALSE(store.Remember('Z', "not a share"));
  EXPECT_FALSE(store.Remember('1', "\\\\h\\s"));
  // Writers in parallel (the wizard and the agent) lose nothing.
  std::vector<std::thread> writers;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    writers.emplace_back([this, letter] {
      RememberedConnectionStore(list_).Remember(letter, std::string("\\\\host") + letter + "\\Volume1");
    });
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(store.Load().size(), 24u);
  EXPECT_EQ(store.Find('Q'), "\\\\hostQ\\Volume1");
  struct stat st {};
  ASSERT_EQ(stat(list_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(fs::path(list_).parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(store.Forget('Q'));
  EXPECT_FALSE(store.Forget('Q'));
  EXPECT_EQ(store.Load().size(), 23u);
  EXPECT_FALSE(RememberedConnectionStore("").Remember('Z', "\\\\h\\s"));
}

}  // namespace
}  // namespace sp
