// A stop ends the wait for the initiator service's reply: the call gives up
// as stopped (not timed out) and the connection is closed, so the service
// sees the caller go.
#include "platform/linux/iscsicontrolclient.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/linux/iscsicontrolprotocol.h"

namespace sp {
namespace {

TEST(IscsiControlClient, AStopEndsTheWaitAndClosesTheConnection) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("sp-ctl-" + std::to_string(getpid()) + ".sock")).string();
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  unlink(path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);

  std::stop_source stop;
  std::jthread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.request_stop();
  });
  IscsiControlClient client(path);
  IscsiControlClient::Error error = IscsiControlClient::Error::kNone;
  // A service that takes the request and never answers.
  const auto reply = client.Call({IscsiControlClient::Request(iscsictl::op::kPing)}, 60000, stop.get_token(), &error);
  EXPECT_FALSE(reply);
  EXPECT_EQ(error, IscsiControlClient::Error::kStopped);

  const int served = accept(listener, nullptr, nullptr);
  ASSERT_GE(served, 0);
  char buffer[256];
  ssize_t n = 0;
  while ((n = recv(served, buffer, sizeof buffer, 0)) > 0) {
  }
  EXPECT_EQ(n, 0) << "the client closed its end";
  close(served);
  close(listener);
  unlink(path.c_str());
}

}  // namespace
}  // namespace sp
