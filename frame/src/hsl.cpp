#include "frame/hsl.h"

#include <algorithm>

namespace frame {

void RgbToHsl(double r, double g, double b, double* hue, double* saturation, double* lightness) {
  const double rf = r / 255.0, gf = g / 255.0, bf = b / 255.0;
  double h = 0.0, s = 0.0;
  const double mx = std::max({rf, gf, bf});
  const double mn = std::min({rf, gf, bf});
  const double l = (mx + mn) / 2.0;
  const double d = mx - mn;
  if (l > 0.0 && d > 0.0) {
    s = l <= 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
    const double rc = (mx - rf) / d, gc = (mx - gf) / d, bc = (mx - bf) / d;
    // Hue measured so that red lands on 360 rather than 0.
    if (rf == mx) {
      h = gf == mn ? (5.0 + bc) * 60.0 : (1.0 - gc) * 60.0;
    } else if (gf == mx) {
      h = bf == mn ? (1.0 + rc) * 60.0 : (3.0 - bc) * 60.0;
    } else {
      h = rf == mn ? (3.0 + gc) * 60.0 : (5.0 - rc) * 60.0;
    }
  }
  *hue = h;
  *saturation = s;
  *lightness = l;
}

void HslToRgb(double hue, double saturation, double lightness, double* r, double* g, double* b) {
  *r = *g = *b = lightness;
  const double m2 = lightness <= 0.5 ? lightness * (1.0 + saturation) : lightness + saturation - lightness * saturation;
  if (m2 <= 0.0) return;
  const double m1 = 2.0 * lightness - m2;
  const double h6 = hue / 360.0 * 6.0;
  // Range-check before the conversion so that a wild hue cannot overflow it.
  if (!(h6 > -1.0 && h6 < 7.0)) return;
  const int sextant = static_cast<int>(h6);
  const double f = h6 - sextant;
  const double v = m2 * ((m2 - m1) / m2) * f;
  const double up = m1 + v, down = m2 - v;
  switch (sextant) {
    case 0:
    case 6:  // hue 360 and a little past it wrap to red
      *r = m2, *g = up, *b = m1;
      break;
    case 1:
      *r = down, *g = m2, *b = m1;
      break;
    case 2:
      *r = m1, *g = m2, *b = up;
      break;
    case 3:
      *r = m1, *g = down, *b = m2;
      break;
    case 4:
      *r = up, *g = m1, *b = m2;
      break;
    case 5:
      *r = m2, *g = m1, *b = down;
      break;
    default:
      break;
  }
}

}  // namespace frame
