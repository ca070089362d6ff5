#pragma once
// What a page knows of the window that hosts it. Pages get this interface
// and their own services (each page's header says which); they never see
// the main window or another page. The main window (app/cmaindlg.h)
// implements it; page tests may give a page a host of their own.
//
// Everything here is for the UI thread, except PostQuit.
#include <string>

namespace sp {

class IMessageBox;
struct WizardState;

class IWizardHost {
 public:
  virtual ~IWizardHost() = default;

  // The wizard state record every page reads and writes on its way to the
  // final page (wizardstate/wizardstate.h).
  virtual WizardState& State() = 0;

  // Moves the wizard to page `id` (framework/core/pageids.h): the page's
  // OnEnterPage hook runs with the id of the page shown now, then the page
  // is shown in place of it.
  virtual void ShowPage(int id) = 0;

  // Text `id` in the chosen language; a text the language lacks comes from
  // the built-in English table.
  virtual std::string Text(int id) const = 0;
  // Selects the language module called `name` ("MLEnglish", "MLSChinese",
  // "MLTChinese") for every text loaded from now on.
  virtual void SelectLanguage(const std::string& name) = 0;

  // "<program folder>/resource/english/": the folder of the pages' pictures.
  virtual const std::string& ImageFolder() const = 0;
  // The program's folder (its resource folder's parent).
  virtual const std::string& ProgramFolder() const = 0;

  // Message boxes for failures and questions.
  virtual IMessageBox& MessageBox() = 0;

  // Ends the wizard's modal run with `exitCode` once the UI thread gets to
  // it; may be called from any thread.
  virtual void PostQuit(int exitCode) = 0;
};

}  // namespace sp
