#pragma once
// Screen fonts for the wizard's font descriptions.
//
// The wizard names Windows fonts ("Arial", "Ms Shell Dlg", "Times New Roman")
// and sizes them the Windows way: a negative height is the character (em)
// height, a positive one the cell height (ascent + descent). Family names go
// to fontconfig, which gives Liberation Sans for Arial and Liberation Serif
// for Times New Roman; "Ms Shell Dlg" is asked for as Arial, whose widths
// match the face Windows used for it. Characters the chosen font lacks
// (Chinese texts) come from the CJK font (WenQuanYi Zen Hei, Debian's
// fonts-wqy-zenhei) through Qt's per-script fallback.
#include <QColor>
#include <QFont>
#include <QString>

#include "uikit/core/chtmlfont.h"

namespace sp {

// Largest pixel size a font is made with; markup can ask for absurd sizes.
constexpr int kMaxFontPixels = 1000;

// A font like CreateFontW(height, 0, 0, 0, weight, italic, underline, ...)
// with the face `face`. Height 0 means a default size (13 pixels).
QFont MakeLogicalFont(const QString& face, int height, int weight, bool italic = false, bool underline = false);

// The screen font of a markup font state: height from PixelHeight(dpi),
// weight 700/400, italic and underline from the state.
QFont MakeScreenFont(const CHTMLFont& font, int dpi = 96);

// Colour conversions between the wizard's 0x00BBGGRR values and Qt.
inline QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
inline ColorRef FromQColor(const QColor& c) { return MakeColorRef(c.red(), c.green(), c.blue()); }

}  // namespace sp
