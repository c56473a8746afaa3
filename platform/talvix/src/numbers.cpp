// Rounding and angle helpers.
#include <climits>
#include <cmath>

#include "talvix.h"

extern "C" {

// Nearest integer, halves away from zero. NaN, infinities and values outside
// the int range give INT_MIN rather than undefined behaviour.
int RoundReal(float v) {
  double r = std::round(static_cast<double>(v));
  if (!(r >= double(INT_MIN) && r <= double(INT_MAX))) return INT_MIN;
  return static_cast<int>(r);
}

// Into [0, 360); NaN and infinities are left alone.
void NormalizeDegreeLongreal(double* a) {
  if (!a || !std::isfinite(*a)) return;
  double r = std::fmod(*a, 360.0);
  if (r < 0) r += 360.0;
  // A tiny negative angle lands on 360 after the shift; -0 becomes +0.
  if (r >= 360.0 || r == 0.0) r = 0.0;
  *a = r;
}

double DegRATan(double x) { return std::atan(x) * (180.0 / M_PI); }

}  // extern "C"
