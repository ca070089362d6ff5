#include "uikit/qttextpainter.h"

#include <QString>

#include "uikit/screenfont.h"

namespace sp {

void QtTextPainter::DrawText(const CHTMLFont& font, const HtmlRect& rect, std::u16string_view text) {
  if (!state_ || !(*state_ == font)) {
    painter_.setFont(MakeScreenFont(font, dpi_));
    painter_.setPen(ToQColor(font.color));
    state_ = font;
  }
  const QString s(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
  painter_.drawText(QRect(rect.left, rect.top, rect.Width(), rect.Height()),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
}

}  // namespace sp
