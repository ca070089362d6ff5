#pragma once
// Message boxes, the way pages show failures and ask questions. The program
// uses QtMessageBox (framework/qtmessagebox.h); tests use FakeMessageBox
// (fakemessagebox.h), which records what was shown and answers as told.
#include <string>

namespace sp {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageIcon { None, Error, Information, Warning, Question };
enum class MessageResult { Ok, Cancel, Yes, No };

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows `text` (UTF-8) modally and returns the button the user chose. An
  // empty caption means the program's name.
  virtual MessageResult Show(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None, const std::string& caption = {}) = 0;
};

}  // namespace sp
