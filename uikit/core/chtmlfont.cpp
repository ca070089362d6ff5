#include "uikit/core/chtmlfont.h"

#include <climits>
#include <cmath>

namespace sp {

int CHTMLFont::PixelHeight(int dpi) const {
  const double h = std::trunc(pointSize * dpi / 72.0);
  // Absurd sizes from markup (size=+2000000000) must not overflow the int.
  if (!(h < 1e6)) return -1000000;
  if (!(h > -1e6)) return 1000000;
  return -static_cast<int>(h);
}

double SizeScale(int sizeNumber) {
  switch (sizeNumber) {
    case 1:
      return 0.625;
    case 2:
      return 0.8;
    case 3:
      return 1.0;
    case 4:
      return 1.125;
    case 5:
      return 1.5;
    case 6:
      return 2.0;
    case 7:
      return 3.0;
    case 8:
      return 1.18;  // smaller than 7: the table has always read so
    default:
      break;
  }
  if (sizeNumber <= 0) return 1.0;
  return sizeNumber * 0.125 * 3;
}

}  // namespace sp
