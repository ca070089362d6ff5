#pragma once
// The real pauses: a wait on a condition variable that a stop request wakes
// at once. `percent` scales every pause (100 = as asked; tests of the page
// shorten them), never the stop.
#include "pages/final/core/isetupwait.h"

namespace sp {

class StopTokenWait : public ISetupWait {
 public:
  explicit StopTokenWait(std::stop_token token, int percent = 100) : token_(std::move(token)), percent_(percent) {}

  bool Sleep(std::chrono::milliseconds duration) override;
  std::stop_token StopToken() const override { return token_; }

 private:
  std::stop_token token_;
  int percent_;
};

}  // namespace sp
