#include "app/endsignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>

namespace sp {

namespace {

constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> g_writeFd{-1};

void OnSignal(int) {
  const int saved = errno;
  const int fd = g_writeFd.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void()> onEnd, QObject* parent) : QObject(parent), onEnd_(std::move(onEnd)) {
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_writeFd = fds_[1];
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
  notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this] { End(); });
  }
}

EndSignals::~EndSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
  g_writeFd = -1;
  delete notifier_;
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
}

void EndSignals::OnReadable() {
  char buffer[64];
  while (read(fds_[0], buffer, sizeof buffer) > 0) {
  }
  End();
}

void EndSignals::End() {
  if (ended_) return;
  ended_ = true;
  if (onEnd_) onEnd_();
}

}  // namespace sp
