#include "app/csetuppilotapp.h"

#include <unistd.h>

#include <QMessageBox>
#include <QString>

#include "platform/sockets.h"
#include "setupreport/setupreport.h"

namespace sp {

namespace {
constexpr int kTextSocketsFailed = 100;
constexpr int kTextCannotLock = 327;
}  // namespace

CSetupPilotApp::CSetupPilotApp(Options options) : options_(std::move(options)), language_(options_.programDir) {}

bool CSetupPilotApp::InitInstance(const MainWindowRunner& runMainWindow) {
  // One copy per session: a second start ends silently, without a window.
  LockResult locked = LockResult::kCannotOpen;
  std::string why;
  lock_ = InstanceLock::Acquire(kLockName, options_.lockDir, &locked, &why);
  if (locked == LockResult::kHeldElsewhere) {
    outcome_ = Outcome::AlreadyRunning;
    return false;
  }

  // The wizard always starts in English, whatever the system language.
  SetLanguageModule("MLEnglish");

  if (!lock_) {
    // Not a second copy: the lock itself could not be made, and that is
    // said rather than ending without a word.
    std::string text = LoadText(LanguageHandle(), kTextCannotLock);
    const auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, why);
    ShowMessage(text);
    outcome_ = Outcome::CannotLock;
    return false;
  }

  if (!SocketLibraryAvailable()) {
    ShowMessage(LoadText(LanguageHandle(), kTextSocketsFailed));
    outcome_ = Outcome::NoSockets;
    return false;
  }

  outcome_ = Outcome::Ran;
  // Each run keeps its own report; without a place for it the wizard runs
  // all the same.
  SetCurrentSetupReport(SetupReport::Create(SetupReportFolder(), std::chrono::system_clock::now()));
  RecordSetupStep("Setup Pilot started");
  mainWindowResult_ = runMainWindow ? runMainWindow(*this) : 0;
  RecordSetupStep("Setup Pilot ended with " + std::to_string(mainWindowResult_));
  SetCurrentSetupReport(nullptr);
  return false;
}

void CSetupPilotApp::SetLanguageModule(const std::string& name) { language_.SetLanguageModule(name); }

void CSetupPilotApp::ShowMessage(const std::string& text) const {
  if (options_.showMessage) {
    options_.showMessage(text);
  } else {
    QMessageBox::warning(nullptr, QString(), QString::fromStdString(text), QMessageBox::Ok);
  }
}

std::string ProgramFolder() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace sp
