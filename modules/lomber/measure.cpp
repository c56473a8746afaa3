// get_average_color, get_dominant_color, compare_average_color and
// compare_dominant_color: the colour of a region measured and reported or
// compared with a given colour.
#include <algorithm>
#include <cmath>

#include "frame/hsl.h"
#include "step.h"

namespace lomber {

namespace {

inline int Red(unsigned v) { return (v >> 16) & 0xFF; }
inline int Green(unsigned v) { return (v >> 8) & 0xFF; }
inline int Blue(unsigned v) { return v & 0xFF; }
inline unsigned Alpha(unsigned v) { return v >> 24; }

// The number of region elements: the highest index of input 1, or 0 when it
// is unnamed or the host cannot say.
int RegionMaxIndex(const RunArgs& a) {
  const frame::ParamName name = frame::InputName(a, 1);
  int n = -1;
  if (!name.ok || !GetObjectMaxIndex(a.ctx, 63, name.c_str(), &n)) return 0;
  return n;
}

// Element i of the four measurement outputs; each is sized after its element 0.
void WriteMeasurement(const RunArgs& a, int i, int maxIndex, const double* rgb, const Hsl& hsl) {
  const frame::ParamName colour = frame::OutputName(a, 0);
  TColor* c = nullptr;
  if (colour.ok && GetColor(a.ctx, 63, colour.c_str(), i, &c) && c) *c = TColor{rgb[0], rgb[1], rgb[2], 1.0};
  if (colour.ok && i == 0) SetObjectMaxIndex(a.ctx, 63, colour.c_str(), maxIndex);
  const double values[3] = {hsl.h, hsl.s, hsl.l};
  for (int k = 0; k < 3; ++k) {
    const frame::ParamName name = frame::OutputName(a, k + 1);
    double* v = nullptr;
    if (name.ok && GetNumber(a.ctx, 63, name.c_str(), i, &v) && v) *v = values[k];
    if (name.ok && i == 0) SetObjectMaxIndex(a.ctx, 63, name.c_str(), maxIndex);
  }
}

void WriteCompare(const RunArgs& a, bool result) {
  const frame::ParamName name = frame::OutputName(a, 0);
  if (!name.ok) return;
  bool* f = nullptr;
  if (GetFlag(a.ctx, 63, name.c_str(), 0, &f) && f) *f = result;
  SetObjectMaxIndex(a.ctx, 63, name.c_str(), 0);
}

struct ColourSums {
  int64_t r = 0, g = 0, b = 0;  // 64 bits: frames past 8 MP of bright pixels overflow 32
  int64_t count = 0;
};

}  // namespace

bool CIPStep::GetAverageColor(const RunArgs& a) {
  if (!InputFrame32(a, &inputFrame)) return false;
  const int maxIndex = RegionMaxIndex(a);
  for (int i = 0; i <= maxIndex; ++i) {
    const TRectangularRegion* r = InputRegion(a, 1, i, false);
    ColourSums sums;
    ScanRectangularRegion(inputFrame, r, 5, &sums, [](void* user, int, int, unsigned v) -> bool {
      if (Alpha(v) < 127) return true;
      ColourSums& s = *static_cast<ColourSums*>(user);
      s.r += Red(v), s.g += Green(v), s.b += Blue(v);
      ++s.count;
      return true;
    });
    pixelCount = static_cast<int>(std::min<int64_t>(sums.count, INT32_MAX));
    if (sums.count == 0) return a.fail(kBadRegion);
    const double n = static_cast<double>(sums.count);
    const double mean[3] = {sums.r / n, sums.g / n, sums.b / n};
    const Hsl hsl = ToHsl(mean[0], mean[1], mean[2]);
    const double rgb[3] = {mean[0] / 255.0, mean[1] / 255.0, mean[2] / 255.0};
    measured[0] = rgb[0], measured[1] = rgb[1], measured[2] = rgb[2], measured[3] = 1.0;
    measured[4] = hsl.h, measured[5] = hsl.s, measured[6] = hsl.l;
    WriteMeasurement(a, i, maxIndex, rgb, hsl);
  }
  return true;
}

bool CIPStep::RegionHistogram(const TRectangularRegion* r) {
  pixelCount = 0;
  measured[4] = measured[5] = measured[6] = 0;
  binMax = 1;
  smoothedMax = 1;
  dominantBin = 0;
  std::fill(std::begin(histogram), std::end(histogram), 0);
  std::fill(std::begin(smoothed), std::end(smoothed), 0);
  std::fill(std::begin(hueSum), std::end(hueSum), 0.0);
  std::fill(std::begin(saturationSum), std::end(saturationSum), 0.0);
  std::fill(std::begin(lightnessSum), std::end(lightnessSum), 0.0);
  ScanRectangularRegion(inputFrame, r, 5, this, [](void* user, int, int, unsigned v) -> bool {
    if (Alpha(v) < 127) return true;
    CIPStep& s = *static_cast<CIPStep*>(user);
    const int red = Red(v), green = Green(v), blue = Blue(v);
    int bin;
    if (IsGrey(red, green, blue)) {
      bin = GreyBin(red, green, blue);
      s.lightnessSum[bin] += (red + green + blue) / 3.0;
      ++s.histogram[bin];
    } else {
      const Hsl p = ToHsl(red, green, blue);
      bin = static_cast<int>(p.h);
      ++s.histogram[bin];
      s.hueSum[bin] += p.h;
      s.saturationSum[bin] += p.s;
      s.lightnessSum[bin] += p.l;
    }
    if (bin != 0 && s.histogram[bin] > s.binMax) {
      s.binMax = s.histogram[bin];
      s.dominantBin = bin;
    }
    ++s.pixelCount;
    return true;
  });
  return pixelCount > 0;
}

bool CIPStep::GetDominantColor(const RunArgs& a) {
  if (!InputFrame32(a, &inputFrame)) return false;
  const int maxIndex = RegionMaxIndex(a);
  for (int i = 0; i <= maxIndex; ++i) {
    if (!RegionHistogram(InputRegion(a, 1, i, false))) return a.fail(kBadRegion);
    Hsl hsl;
    double rgb[3];
    if (dominantBin >= kGreyBase) {
      const double grey = lightnessSum[dominantBin] / histogram[dominantBin] / 255.0;
      rgb[0] = rgb[1] = rgb[2] = hsl.l = grey;
    } else {
      const int d = DominantHue(histogram, smoothed).bin;
      const int n = histogram[d];
      if (n > 0) hsl = Hsl{hueSum[d] / n, saturationSum[d] / n, lightnessSum[d] / n};
      frame::HslToRgb(hsl.h, hsl.s, hsl.l, &rgb[0], &rgb[1], &rgb[2]);
    }
    measured[0] = rgb[0], measured[1] = rgb[1], measured[2] = rgb[2], measured[3] = 1.0;
    measured[4] = hsl.h, measured[5] = hsl.s, measured[6] = hsl.l;
    WriteMeasurement(a, i, maxIndex, rgb, hsl);
  }
  return true;
}

bool CIPStep::CompareAverageColor(const RunArgs& a) {
  if (!InputFrame32(a, &inputFrame)) return false;
  region = InputRegion(a, 1);
  double v;
  if (InputNumber(a, 2, &v)) {
    const int mode = frame::TruncateToInt(v);
    if (mode < 0 || mode > 2) return a.fail(kIncorrectParameter);
    compareMode = mode;
  }
  TColor colour{0, 0, 0, 0};
  InputColor(a, 3, &colour);
  double tolerance = 1.0;
  InputNumber(a, 4, &tolerance);

  struct Sums {
    int mode;
    const double* mean;  // null on the first pass
    double s[3];
    int64_t count;
  } sums{compareMode, nullptr, {0, 0, 0}, 0};
  const PixelCallback add = [](void* user, int, int, unsigned v) -> bool {
    if (Alpha(v) < 128) return true;
    Sums& s = *static_cast<Sums*>(user);
    const Vec3 u = Transform(s.mode, Red(v), Green(v), Blue(v));
    const double c[3] = {u.x, u.y, u.z};
    for (int k = 0; k < 3; ++k) s.s[k] += s.mean ? (c[k] - s.mean[k]) * (c[k] - s.mean[k]) : c[k];
    ++s.count;
    return true;
  };
  ScanRectangularRegion(inputFrame, region, 5, &sums, add);
  pixelCount = static_cast<int>(std::min<int64_t>(sums.count, INT32_MAX));
  if (sums.count == 0) return a.fail(kBadRegion);
  const double n = static_cast<double>(sums.count);
  for (int k = 0; k < 3; ++k) reference[k] = sums.s[k] / n;
  reference[3] = 1.0;
  sums = Sums{compareMode, reference, {0, 0, 0}, 0};
  ScanRectangularRegion(inputFrame, region, 5, &sums, add);
  for (int k = 0; k < 3; ++k) {
    deviation[k] = std::sqrt(sums.s[k] / n);
    scaledDeviation[k] = deviation[k] * tolerance;
  }
  const double limit =
      std::sqrt(scaledDeviation[0] * scaledDeviation[0] + scaledDeviation[1] * scaledDeviation[1] +
                scaledDeviation[2] * scaledDeviation[2]) /
      DistanceScale(compareMode);
  const auto byte = [](double c) { return static_cast<int>(std::clamp(c * 255.0, 0.0, 255.0)); };
  const bool result = VectorTest(compareMode, byte(colour.R), byte(colour.G), byte(colour.B),
                                 {reference[0], reference[1], reference[2]}, limit);
  WriteCompare(a, result);
  return true;
}

bool CIPStep::CompareDominantColor(const RunArgs& a) {
  if (!InputFrame32(a, &inputFrame)) return false;
  region = InputRegion(a, 1);
  TColor colour;
  if (InputColor(a, 2, &colour)) reference[0] = colour.R, reference[1] = colour.G, reference[2] = colour.B;
  InputNumber(a, 3, &compareTolerance);
  InputNumber(a, 4, &lightnessTolerance);
  InputNumber(a, 5, &saturationTolerance);
  if (!RegionHistogram(region)) return a.fail(kBadRegion);

  const double r = reference[0] * 255.0, g = reference[1] * 255.0, b = reference[2] * 255.0;
  const bool greyColour = std::abs(r - g) <= 4 && std::abs(r - b) <= 4 && std::abs(b - g) <= 4;
  const bool greyRegion = dominantBin >= kGreyBase;
  bool result = false;
  if (greyColour) {
    result = greyRegion && std::abs(frame::TruncateToInt((r + g + b) / 12 + 361) - dominantBin) < compareTolerance * 64;
  } else if (!greyRegion) {
    const Hsl c = ToHsl(r, g, b);
    hueCentre = c.h;
    const DominantResult d = DominantHue(histogram, smoothed);
    rangeLow = d.rangeLow;
    rangeHigh = d.rangeHigh;
    // The measured half-width stays local: the user's tolerance is kept.
    const double halfWidth = (rangeHigh - rangeLow) * 0.5;
    const int n = histogram[d.bin];
    Hsl m;
    if (n > 0) m = Hsl{hueSum[d.bin] / n, saturationSum[d.bin] / n, lightnessSum[d.bin] / n};
    measured[4] = m.h, measured[5] = m.s, measured[6] = m.l;
    hueWindow = MakeHueWindow(hueCentre, halfWidth);
    result = hueWindow.Contains(m.h) && c.s - saturationTolerance <= m.s && m.s <= c.s + saturationTolerance &&
             c.l - lightnessTolerance <= m.l && m.l <= c.l + lightnessTolerance;
  }
  WriteCompare(a, result);
  return true;
}

}  // namespace lomber
