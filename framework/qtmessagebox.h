#pragma once
// Message boxes on the screen (QMessageBox), over the active window.
#include "framework/core/imessagebox.h"

namespace sp {

class QtMessageBox : public IMessageBox {
 public:
  MessageResult Show(const std::string& text, MessageButtons buttons, MessageIcon icon,
                     const std::string& caption) override;
};

}  // namespace sp
