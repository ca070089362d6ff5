#pragma once
// A message box for tests: remembers every message and answers with the
// queued results (then with the first button of the box).
#include <deque>
#include <string>
#include <vector>

#include "framework/core/imessagebox.h"

namespace sp {

class FakeMessageBox : public IMessageBox {
 public:
  struct Shown {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
    std::string caption;
  };

  MessageResult Show(const std::string& text, MessageButtons buttons, MessageIcon icon,
                     const std::string& caption) override {
    shown.push_back({text, buttons, icon, caption});
    if (!answers.empty()) {
      const MessageResult r = answers.front();
      answers.pop_front();
      return r;
    }
    switch (buttons) {
      case MessageButtons::YesNo:
        return MessageResult::Yes;
      case MessageButtons::Ok:
      case MessageButtons::OkCancel:
        break;
    }
    return MessageResult::Ok;
  }

  std::vector<Shown> shown;
  std::deque<MessageResult> answers;
};

}  // namespace sp
