#pragma once
// Identifiers of the wizard's pages (also their former dialog templates) and
// where each one sits in the step list of the main window.
namespace sp {

enum PageId : int {
  kStepWelcomeMarker = 128,  // the step list before any page is shown
  kPageLink = 129,           // a page the start-up never adds
  kPageWelcome = 130,
  kPageCheck = 131,
  kPageInstall = 132,
  kPageConfig = 133,
  kPageDisk = 134,
  kPageFinal = 135,
};

}  // namespace sp
