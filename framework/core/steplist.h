#pragma once
// The main window's step list: which of the five steps a page belongs to,
// where the highlight sits behind it, and the markup of the labels.
#include <string>

namespace sp {

inline constexpr int kStepCount = 5;
// Text ids of the step labels are kStepTextBase + k for step k (1..5).
inline constexpr int kStepTextBase = 100;

// Step (1..5) of a page or marker id; 0 for ids that mark none (129, unknown).
int StepOfPage(int pageId);

// y of the highlight image behind the current step; 0 for ids not in the table.
int HighlightY(int pageId);

// Left edge, top and size of the label of step k (1..5).
inline constexpr int kStepLabelX = 4;
inline constexpr int StepLabelY(int k) { return 145 + 45 * (k - 1); }
inline constexpr int kStepLabelWidth = 145;
inline constexpr int kStepLabelHeight = 40;

// The main window's background layer list with the highlight at `highlightY`.
std::string MainWindowLayerList(int highlightY);

// Markup of the label of step k while page `pageId` is shown: black for the
// current step, gray for the others.
std::string StepLabelMarkup(int k, int pageId, const std::string& text);

// "v1.2.3.4" from a product version (each part as a 16-bit word, as version
// resources hold them).
std::string VersionText(unsigned major, unsigned minor, unsigned patch, unsigned tweak);
// The program's own version text (from the project version).
std::string ProgramVersionText();
// Markup of the version label.
std::string VersionLabelMarkup(const std::string& version);

}  // namespace sp
