// The agent's socket and the wizard's client talking to each other for real:
// requests and answers, the close request, one agent per socket, privacy of
// the socket, and how the client behaves without an agent or without an
// answer. The mounting itself is a recording stand-in here.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/linux/linuxnetdockagent.h"
#include "platform/netdockprotocol.h"
#include "tools/netdock/netdockserver.h"

namespace sp::netdock {
namespace {

namespace fs = std::filesystem;

class RecordingMounter : public IShareMounter {
 public:
  bool Map(const NetShareTarget& target) override {
    std::lock_guard<std::mutex> lock(mutex);
    maps.push_back(std::string(1, target.letter) + " " + target.host + " " + target.share);
    return mapResult;
  }
  bool Unmap(char letter) override {
    std::lock_guard<std::mutex> lock(mutex);
    unmaps.push_back(letter);
    return true;
  }
  std::mutex mutex;
  std::vector<std::string> maps;
  std::vector<char> unmaps;
  bool mapResult = true;
};

class NetDockAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sp-netdock-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    socket_ = dir_ + "/NetDock";
  }
  void TearDown() override {
    if (server_) {
      server_->Stop();
      if (thread_.joinable()) thread_.join();
    }
    fs::remove_all(dir_);
  }

  void StartServer() {
    server_ = std::make_unique<NetDockServer>(mounter_, socket_);
    std::string why;
    ASSERT_TRUE(server_->Open(&why)) << why;
    thread_ = std::thread([this] { server_->Run(); });
  }

  std::string dir_, socket_;
  RecordingMounter mounter_;
  std::unique_ptr<NetDockServer> server_;
  std::thread thread_;
};

TEST_F(NetDockAgentTest, RequestsReachTheAgentAndItsAnswerComesBack) {
  StartServer();
  LinuxNetDockAgent client(socket_);
  EXPECT_TRUE(client.Find());
  EXPECT_EQ(client.SendRequest(kNetDockUnmapRequest, u"Z:"), 1);
  EXPECT_EQ(client.SendRequest(kNetDockMapRequest, u"Z: \\\\VBX-207\\Volume1"), 1);
  mounter_.mapResult = false;
  EXPECT_EQ(client.SendRequest(kNetDockMapRequest, u"Y: \\\\VBX-207\\Volume1"), 0);
  // Texts the agent cannot take, and unknown request codes, answer 0 and
  // reach nothing.
  EXPECT_EQ(client.SendRequest(kNetDockMapRequest, u"Y: \\\\..\\Volume1"), 0);
  EXPECT_EQ(client.SendRequest(kNetDockUnmapRequest, u"Y:\\"), 0);
  EXPECT_EQ(client.SendRequest(7, u"Z:"), 0);
  EXPECT_EQ(mounter_.maps, (std::vector<std::string>{"Z VBX-207 Volume1", "Y VBX-207 Volume1"}));
  EXPECT_EQ(mounter_.unmaps, (std::vector<char>{'Z'}));
}

TEST_F(NetDockAgentTest, CloseRequestEndsTheAgentAndRemovesItsSocket) {
  StartServer();
  LinuxNetDockAgent client(socket_);
  EXPECT_TRUE(client.Close());
  thread_.join();  // Run() returned by itself
  EXPECT_FALSE(fs::exists(socket_));
  EXPECT_FALSE(client.Find());
  EXPECT_FALSE(client.Close());
}

TEST_F(NetDockAgentTest, OneAgentPerSocketAndOnlyForItsUser) {
  StartServer();
  struct stat st {};
  ASSERT_EQ(lstat(socket_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  RecordingMounter other;
  NetDockServer second(other, socket_);
  std::string why;
  EXPECT_FALSE(second.Open(&why));
  EXPECT_NE(why.find("another agent"), std::string::npos);
  // The first one still serves.
  EXPECT_EQ(LinuxNetDockAgent(socket_).SendRequest(kNetDockUnmapRequest, u"Q:"), 1);

  if (geteuid() == 0) {
    // Another user cannot even connect.
    const pid_t pid = fork();
    if (pid == 0) {
      if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(3);
      const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      std::strncpy(addr.sun_path, socket_.c_str(), sizeof addr.sun_path - 1);
      const bool refused = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno == EACCES;
      _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

TEST_F(NetDockAgentTest, AgentThatDiedLeavesNoObstacleToTheNextOne) {
  // A socket file with nobody behind it, as a killed agent leaves it.
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket_.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);
  }
  LinuxNetDockAgent client(socket_);
  EXPECT_FALSE(client.Find());
  StartServer();
  EXPECT_TRUE(client.Find());
}

TEST_F(NetDockAgentTest, NoAgentAnswersZeroAtOnceAndSilenceIsBounded) {
  LinuxNetDockAgent client(socket_, kNetDockAnswerTimeoutMs);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.SendRequest(kNetDockMapRequest, u"Z: \\\\VBX-207\\Volume1"), 0);
  EXPECT_FALSE(client.Close());
  // Not the answer bound: nothing is waited for.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // Something listens but never answers: the wait ends at the bound.
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socket_.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  LinuxNetDockAgent impatient(socket_, 300);
  EXPECT_EQ(impatient.SendRequest(kNetDockMapRequest, u"Z: \\\\VBX-207\\Volume1"), 0);
  // What reached the socket is exactly the request form.
  const int conn = accept(fd, nullptr, nullptr);
  ASSERT_GE(conn, 0);
  std::vector<std::uint8_t> got(200);
  const ssize_t n = recv(conn, got.data(), got.size(), MSG_DONTWAIT);
  ASSERT_GT(n, 0);
  got.resize(static_cast<std::size_t>(n));
  EXPECT_EQ(got, EncodeNetDockRequest(kNetDockMapRequest, u"Z: \\\\VBX-207\\Volume1"));
  close(conn);
  close(fd);
}

TEST_F(NetDockAgentTest, EnsureAgentRunningStartsTheProgramOnce) {
  // The started agent finds its remembered list (empty) in here.
  const std::string config = dir_ + "/config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  ASSERT_TRUE(EnsureAgentRunning(SP_NETDOCK_PROGRAM_DIR, socket_));
  EXPECT_TRUE(EnsureAgentRunning(SP_NETDOCK_PROGRAM_DIR, socket_));  // found, not started again
  LinuxNetDockAgent client(socket_);
  EXPECT_EQ(client.SendRequest(kNetDockUnmapRequest, u"Q:"), 0);  // nothing to unmap
  EXPECT_TRUE(client.Close());
  for (int i = 0; i < 100 && fs::exists(socket_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(fs::exists(socket_));
  EXPECT_FALSE(EnsureAgentRunning(dir_ + "/nowhere", socket_, 200));
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace sp::netdock
