#pragma once
// The connection check that the check page's worker runs: two tests of the
// PC's network adapter, each behind an animated progress bar, with the
// page's layer lists for every stage.
#include <functional>
#include <string>

namespace sp {

// Layer lists of the check page (six numbers per entry). Rows of the check
// are at y 110 and y 138.
inline constexpr char kCheckPlainList[] = "cbackground.jpg|0|0|255|0,";
inline constexpr char kCheckRow1List[] = "cbackground.jpg|0|0|255|0|0|0,check_ico_bd.png|77|110|255|0|0|0,";
// Drawn over what the surface already holds: no background layer.
inline constexpr char kCheckRow2List[] = "check_ico.png|77|110|255|0|0|0,check_ico_bd.png|77|138|255|0|0|0,";
inline constexpr char kCheckPassedList[] =
    "cbackground.jpg|0|0|255|0|0|0,check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,";
inline constexpr char kCheckRow1FailedList[] = "cbackground.jpg|0|0|255|0|0|0,warning.png|77|110|255|0|19|20,";
inline constexpr char kCheckRow2FailedList[] =
    "cbackground.jpg|0|0|255|0|0|0,warning.png|77|110|255|0|19|20,warning.png|77|138|255|0|19|20,";

// Progress steps: 0..50 before the first test, 51..100 before the second.
inline constexpr int kCheckFirstSteps = 51;
inline constexpr int kCheckSecondSteps = 50;
inline constexpr int kCheckStepMs = 5;

enum class CheckOutcome { Passed, FailedRow1, FailedRow2 };

// What the check tells its page, in order.
class ICheckSink {
 public:
  virtual ~ICheckSink() = default;
  virtual void Layers(const std::string& list) = 0;
  virtual void Progress(int position) = 0;
  virtual void Finished(CheckOutcome outcome) = 0;
};

struct ConnectionCheckSteps {
  // The adapter test (socket library and a usable adapter); must not wait.
  std::function<bool()> adapterUsable;
  // Waits `ms`; false when the worker has been stopped meanwhile.
  std::function<bool(int ms)> sleep;
  int stepMs = kCheckStepMs;
};

// Runs the check. Once `sleep` reports a stop, nothing more reaches the sink
// and the adapter is not tested again. Returns the outcome, or nothing
// (false) when it was stopped first.
bool RunConnectionCheck(const ConnectionCheckSteps& steps, ICheckSink& sink, CheckOutcome* outcome = nullptr);

}  // namespace sp
