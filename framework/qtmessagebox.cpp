#include "framework/qtmessagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace sp {

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

MessageResult QtMessageBox::Show(const std::string& text, MessageButtons buttons, MessageIcon icon,
                                 const std::string& caption) {
  QMessageBox box(QtIcon(icon), caption.empty() ? QStringLiteral("Setup Pilot") : QString::fromStdString(caption),
                  QString::fromStdString(text), QtButtons(buttons), QApplication::activeWindow());
  // The wizard's texts are plain, with \n for line breaks.
  box.setTextFormat(Qt::PlainText);
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return MessageResult::Cancel;
    case QMessageBox::Yes:
      return MessageResult::Yes;
    case QMessageBox::No:
      return MessageResult::No;
    default:
      break;
  }
  // Closing a Yes/No box without choosing answers No.
  return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Ok;
}

}  // namespace sp
