// Helpers shared by the per-pixel methods (arith.cpp, blend.cpp, mask.cpp):
// number inputs with their warnings and corrections.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "frame_access.h"

namespace ilvant::px {

inline constexpr std::u16string_view kSameDimensions = u"error: Frames must have the same dimensions";
inline constexpr std::u16string_view kNotMonochromatic = u"error: Frame with mask is not monochromatic ";

using ilvant::NumberInput;
using ilvant::ReadNumber;

// trunc(v x scale) kept in a double, so that the range checks run before any
// conversion to int (a huge input must not overflow it); NaN counts as 0.
inline double Scaled(double v, double scale) {
  const double s = std::trunc(v * scale);
  return std::isnan(s) ? 0.0 : s;
}

// The old value as the warning prints it; values past float range print as infinity.
inline float WarnValue(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

inline void WarnCorrected(const RunArgs& a, const NumberInput& n, double newValue) {
  frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), WarnValue(n.value), static_cast<float>(newValue));
}

}  // namespace ilvant::px
