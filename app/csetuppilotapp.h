#pragma once
// The application object: one copy per user session, English texts, sockets
// checked, then the main wizard window run to its end.
#include <functional>
#include <memory>
#include <string>

#include "app/ilanguagecontrol.h"
#include "platform/instancelock.h"
#include "resource/languageselector.h"

namespace sp {

class CSetupPilotApp : public ILanguageControl {
 public:
  // Runs the main wizard window modally; returns its result.
  using MainWindowRunner = std::function<int(CSetupPilotApp&)>;
  // Shows a message with an OK button (text 100 when sockets are missing).
  using MessageSink = std::function<void(const std::string&)>;

  struct Options {
    std::string programDir;   // where catalogues and resource/ are found
    std::string lockDir;      // empty: the user's runtime directory
    MessageSink showMessage;  // empty: a plain message box
  };

  explicit CSetupPilotApp(Options options);

  // The start-up sequence. Returns false in every case: the program ends
  // after it, whether the main window ran or was never shown.
  bool InitInstance(const MainWindowRunner& runMainWindow);

  // Selects the language module called `name` ("MLEnglish", "MLSChinese",
  // "MLTChinese"); a module that cannot be loaded leaves English in use.
  void SetLanguageModule(const std::string& name) override;

  // Current language handle; null means the built-in English texts.
  const LanguageModule* LanguageHandle() const override { return language_.Current(); }

  const std::string& ProgramDir() const { return options_.programDir; }

  // What happened in InitInstance, for the caller and for tests.
  enum class Outcome { NotRun, AlreadyRunning, CannotLock, NoSockets, Ran };
  Outcome outcome() const { return outcome_; }
  int mainWindowResult() const { return mainWindowResult_; }

  static constexpr const char* kLockName = "KORVABPX";

 private:
  void ShowMessage(const std::string& text) const;

  Options options_;
  LanguageSelector language_;
  std::unique_ptr<InstanceLock> lock_;
  Outcome outcome_ = Outcome::NotRun;
  int mainWindowResult_ = 0;
};

// The folder of the running program (from /proc/self/exe).
std::string ProgramFolder();

}  // namespace sp
