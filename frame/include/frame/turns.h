// Turns in degrees: the full-turn range the modules report angles in, and a
// region's turn as the host's region scan takes it, where an angle within a
// hair of a quarter turn is that quarter turn, so that pixel centres on a
// region's edge do not cross it with the sign of a tiny turn (360.0000001 is
// 1e-7 past a full turn).
#pragma once

#include <cmath>

namespace frame {

inline constexpr double kQuarterTurnSlack = 1e-6;

// `degrees` in [0, 360): a tiny negative turn is 0, not 360 after rounding.
inline double FullTurn(double degrees) {
  double a = std::fmod(degrees, 360.0);
  if (a < 0) a += 360.0;
  return a >= 360.0 ? 0.0 : a;
}

// `degrees` moved onto the nearest multiple of 90 when it lies within the
// slack of it, else unchanged.
inline double SnapQuarterTurn(double degrees) {
  const double q = 90.0 * std::round(degrees / 90.0);
  return std::abs(degrees - q) <= kQuarterTurnSlack ? q : degrees;
}

}  // namespace frame
