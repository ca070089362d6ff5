#include "framework/pagecontrols.h"

#include <cstdarg>

#include "base/text.h"

namespace sp {

std::u16string MarkupText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string narrow = FormatV(format, args);
  va_end(args);
  return Utf8ToUtf16(narrow);
}

CHTMLStatic* MakeLabel(QWidget* page, int controlId) {
  auto* label = new CHTMLStatic(page);
  label->setObjectName(QString::number(controlId));
  label->hide();
  return label;
}

void PlaceLabel(CHTMLStatic* label, const QRect& rect, std::u16string markup, bool shown) {
  label->setGeometry(rect);
  label->SetText(std::move(markup));
  label->setVisible(shown);
}

CHoverButtonEx* MakeImageButton(QWidget* page, int controlId, const QRect& rect, const QString& caption,
                                const std::string& imageFolder, const char* strip) {
  auto* button = new CHoverButtonEx(page, rect, caption);
  button->setObjectName(QString::number(controlId));
  button->setAutoDefault(false);
  button->setDefault(false);
  button->SetImages(imageFolder + strip, imageFolder + kButtonBackground);
  button->show();
  return button;
}

}  // namespace sp
