#include "uikit/screenfont.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace sp {

namespace {

QFont::Weight QtWeight(int weight) {
  if (weight <= 0) return QFont::Normal;  // FW_DONTCARE
  // Qt 6 weights use the same 100..900 scale.
  return static_cast<QFont::Weight>(std::clamp(weight, 100, 900));
}

// Windows draws "MS Shell Dlg" with Microsoft Sans Serif, a face with about
// Arial's widths. Fontconfig knows neither name and would answer with the
// much wider DejaVu Sans, which does not fit the captions into their
// buttons; Arial (Liberation Sans through fontconfig) keeps the layout.
QString MapFace(const QString& face) {
  const QString trimmed = face.trimmed();
  if (trimmed.compare(QLatin1String("MS Shell Dlg"), Qt::CaseInsensitive) == 0 ||
      trimmed.compare(QLatin1String("MS Shell Dlg 2"), Qt::CaseInsensitive) == 0) {
    return QStringLiteral("Arial");
  }
  return face;
}

// The em size for a cell height asks the font system to measure a font;
// the wizard asks for the same few fonts (every button's caption font) over
// and over, so the answers are kept (UI thread only).
int PixelSizeForCell(const QFont& font, int cell) {
  static std::map<std::pair<QString, int>, int> known;
  const auto key = std::make_pair(font.key(), cell);
  if (const auto it = known.find(key); it != known.end()) return it->second;
  QFont f(font);
  f.setPixelSize(cell);
  const int measured = QFontMetrics(f).height();
  const int px = measured > 0 ? static_cast<int>(std::lround(double(cell) * cell / measured)) : cell;
  known.emplace(key, px);
  return px;
}

}  // namespace

QFont MakeLogicalFont(const QString& face, int height, int weight, bool italic, bool underline) {
  QFont f(MapFace(face));
  f.setWeight(QtWeight(weight));
  f.setItalic(italic);
  f.setUnderline(underline);
  int px = 13;
  if (height < 0) {
    px = height < -kMaxFontPixels ? kMaxFontPixels : -height;
  } else if (height > 0) {
    // A cell height: find the em size whose ascent + descent comes closest.
    px = PixelSizeForCell(f, std::min(height, kMaxFontPixels));
  }
  f.setPixelSize(std::clamp(px, 1, kMaxFontPixels));
  return f;
}

QFont MakeScreenFont(const CHTMLFont& font, int dpi) {
  return MakeLogicalFont(QString::fromStdU16String(font.face), font.PixelHeight(dpi), font.Weight(), font.italic != 0,
                         font.underline != 0);
}

}  // namespace sp
