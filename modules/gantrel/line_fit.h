// Least-squares fits of y on x over running sums, and the accepted window of
// edge angles.
#pragma once

#include <cmath>

#include "line_edge.h"

namespace gantrel {

// y = a x + b, or the vertical x = x0 when every x is equal.
struct LineFit {
  bool vertical = false;
  double a = 0, b = 0, x0 = 0;

  // Perpendicular distance of (x, y) from the line.
  double Distance(double x, double y) const {
    return vertical ? std::fabs(x - x0) : std::fabs(a * x - y + b) / std::sqrt(a * a + 1);
  }
  double AngleDegrees() const { return vertical ? 90.0 : std::atan(a) * 57.29577951308232; }
};

// Sums of x, y, x^2 and xy over m points. Whole-pixel coordinates keep the
// double sums exact, so that "every x equal" is an exact zero denominator.
struct FitSums {
  double m = 0, x = 0, y = 0, xx = 0, xy = 0;

  void Add(const EdgePoint& p, double sign = 1) {
    m += sign;
    x += sign * p.x;
    y += sign * p.y;
    xx += sign * double(p.x) * p.x;
    xy += sign * double(p.x) * p.y;
  }
  FitSums With(const EdgePoint& p, double sign = 1) const {
    FitSums s = *this;
    s.Add(p, sign);
    return s;
  }
  LineFit Fit() const {
    LineFit f;
    const double den = m * xx - x * x;
    if (den == 0 || m <= 0) {
      f.vertical = true;
      f.x0 = m > 0 ? x / m : 0;
      return f;
    }
    f.a = (m * xy - y * x) / den;
    f.b = y / m - f.a * x / m;
    return f;
  }
};

// The accepted edge angles: one interval, or two pieces at the ends of
// -90..90 when the window wraps.
struct AngleWindow {
  bool wraps = false;
  double lo = 0, hi = 0;  // the interval; or the end of the first piece and the start of the second

  // False when the window is empty (a negative deviation, or one above 90
  // that wraps).
  bool Make(double expected, double deviation);
  bool Accepts(double angle) const { return wraps ? angle <= lo || angle >= hi : angle >= lo && angle <= hi; }
};

}  // namespace gantrel
