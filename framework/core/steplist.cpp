#include "framework/core/steplist.h"

#include "base/text.h"
#include "framework/core/pageids.h"
#include "version.h"

namespace sp {

int StepOfPage(int pageId) {
  switch (pageId) {
    case kStepWelcomeMarker:
    case kPageWelcome:
      return 1;
    case kPageCheck:
      return 2;
    case kPageInstall:
      return 3;
    case kPageConfig:
      return 4;
    case kPageDisk:
    case kPageFinal:
      return 5;
    default:
      return 0;
  }
}

int HighlightY(int pageId) {
  switch (pageId) {
    case kPageWelcome:
      return 143;
    case kPageCheck:
      return 188;
    case kPageInstall:
      return 233;
    case kPageConfig:
      return 278;
    case kPageDisk:
    case kPageFinal:
      return 323;
    default:
      return 0;
  }
}

std::string MainWindowLayerList(int highlightY) {
  return Format("background.png|0|0|255|0|0|0,select_step.png|0|%d|255|0|152|44,", highlightY);
}

std::string StepLabelMarkup(int k, int pageId, const std::string& text) {
  const char* colour = StepOfPage(pageId) == k ? "black" : "gray";
  return Format("<font face=Arial size=8 color=%s><b>%s</b></font>", colour, text.c_str());
}

std::string VersionText(unsigned major, unsigned minor, unsigned patch, unsigned tweak) {
  return Format("v%u.%u.%u.%u", major & 0xFFFFu, minor & 0xFFFFu, patch & 0xFFFFu, tweak & 0xFFFFu);
}

std::string ProgramVersionText() {
  // "+ 0" keeps this valid when the project version has no tweak part (the
  // macro is then empty).
  return VersionText(SP_VERSION_MAJOR, SP_VERSION_MINOR, SP_VERSION_PATCH, SP_VERSION_TWEAK + 0);
}

std::string VersionLabelMarkup(const std::string& version) {
  return Format("<font face=Arial size=3 color=gray><b>%s</b></font>", version.c_str());
}

}  // namespace sp
