// Colour arithmetic of the colour methods: the per-pixel transforms and tests
// of each compare mode, the hue window, grey pixels and the dominant hue of a
// hue histogram.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "frame/module_frame.h"

namespace lomber {

struct Hsl {
  double h = 0, s = 0, l = 0;
};

// r, g, b on the 0..255 scale.
Hsl ToHsl(double r, double g, double b);

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

// Compare modes: 0 chroma, 1 direction, 2 plain RGB, 3 HSL window.
inline constexpr int kModeChroma = 0;
inline constexpr int kModeDirection = 1;
inline constexpr int kModeRgb = 2;
inline constexpr int kModeHslWindow = 3;

// The pixel (r, g, b on 0..255) in the space of compare mode 0, 1 or 2:
// mode 0 the unit vector of (r, g, b) less its minimum, mode 1 the unit
// vector of (r, g, b), (0, 0, 0) for a zero length; mode 2 (r, g, b).
inline Vec3 Transform(int mode, double r, double g, double b) {
  if (mode == kModeRgb) return {r, g, b};
  if (mode == kModeChroma) {
    const double m = std::min({r, g, b});
    r -= m, g -= m, b -= m;
  }
  const double len = std::sqrt(r * r + g * g + b * b);
  if (len == 0.0) return {};
  return {r / len, g / len, b / len};
}

// |a - b|.
inline double Distance(const Vec3& a, const Vec3& b) {
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The normaliser of a distance in compare mode 0..2: Sqrt3 for the unit
// vectors, MaxColorDistance for plain RGB.
inline double DistanceScale(int mode) { return mode == kModeRgb ? frame::MaxColorDistance : frame::Sqrt3; }

// Modes 0..2: pass when limit >= |reference - Transform(pixel)| / scale.
inline bool VectorTest(int mode, double r, double g, double b, const Vec3& reference, double limit) {
  return limit >= Distance(reference, Transform(mode, r, g, b)) / DistanceScale(mode);
}

// Two closed hue intervals; one with low above high is empty.
struct HueWindow {
  double low1 = 0, high1 = 360.0, low2 = 360.0, high2 = 0;
  bool Contains(double h) const { return (h >= low1 && h <= high1) || (h >= low2 && h <= high2); }
};

HueWindow MakeHueWindow(double centre, double halfWidth);

struct HslLimits {
  double minL = 0, maxL = 1.0, minS = 0, maxS = 1.0;
};

bool HslWindowTest(double r, double g, double b, const HslLimits& limits, const HueWindow& window);

// Every channel pair within 4.
inline bool IsGrey(int r, int g, int b) {
  const auto near = [](int p, int q) { return p - q <= 4 && q - p <= 4; };
  return near(r, g) && near(r, b) && near(g, b);
}

inline constexpr int kHueBins = 361;    // 0..360, whole degrees
inline constexpr int kGreyBase = 361;   // grey bins 361..424
inline constexpr int kBinCount = 425;

inline int GreyBin(int r, int g, int b) { return kGreyBase + (r + g + b) / 12; }

// Smoothing of a hue histogram and the bins around its peak.
struct DominantResult {
  int bin = 0;  // 0 when no smoothed bin reaches 1
  int rangeLow = 0;
  int rangeHigh = 0;
};

// Smooths bins 1..360 of histogram forwards and backwards into smoothed
// (361 entries, rescaled to percent of the peak) and finds the peak and the
// range of bins above 22 around it. smoothedMax starts at 1.
DominantResult DominantHue(const int* histogram, int* smoothed);

// "error: ..." texts of the grey-colour rule.
inline constexpr char16_t kGreyColourError[] =
    u"Error: This color is in gray scale; thus, it cannot be converted into HSL model. Search using this method is "
    u"not possible.";
inline constexpr char16_t kGreyColourWarning[] =
    u"This color is likely to be in gray scale; thus, it cannot be converted into HSL model. Search using this method "
    u"is not reliable.";

}  // namespace lomber
