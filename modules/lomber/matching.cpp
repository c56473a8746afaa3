// color_match_average and color_match_dominant: a colour is learnt from the
// pattern frame, then regions of it are grown from seeds along parallel scan
// lines across the input frame.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "frame/scan_span.h"
#include "step.h"

namespace lomber {

namespace {

constexpr char16_t kPatternUndefined[] = u"Error: Pattern frame is undefined";
constexpr char16_t kTooComplex[] =
    u"Error: Inspected color region is too complex for analysis. Change parameters for matching";

// Every pixel of a 32-bit frame whose fourth byte is at least 128, as fn(r, g, b).
template <class Fn>
void ForOpaquePixels(Frame* f, const Fn& fn) {
  const int w = GetFrameWidth(f), d = GetFrameDepth(f);
  const uint8_t* data = GetFrameDataAddr(f);
  for (int y = 0; y < d; ++y) {
    const uint8_t* row = data + static_cast<ptrdiff_t>(y) * w * 4;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = row + 4 * x;
      if (p[3] >= 128) fn(p[2], p[1], p[0]);
    }
  }
}

double Length(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace

// ---- Pattern analyses --------------------------------------------------------------

void CIPStep::AnalyseAveragePattern() {
  const int mode = compareMode;
  double sum[3] = {}, sq[3] = {};
  int64_t n = 0;
  ForOpaquePixels(patternFrame, [&](int r, int g, int b) {
    const Vec3 u = Transform(mode, r, g, b);
    sum[0] += u.x, sum[1] += u.y, sum[2] += u.z;
    ++n;
  });
  // A pattern without an opaque pixel gives a zero reference rather than 0 / 0.
  const double count = n > 0 ? static_cast<double>(n) : 1.0;
  for (int c = 0; c < 3; ++c) reference[c] = sum[c] / count;
  reference[3] = 1.0;
  ForOpaquePixels(patternFrame, [&](int r, int g, int b) {
    const Vec3 u = Transform(mode, r, g, b);
    const double d[3] = {u.x - reference[0], u.y - reference[1], u.z - reference[2]};
    for (int c = 0; c < 3; ++c) sq[c] += d[c] * d[c];
  });
  for (int c = 0; c < 3; ++c) {
    deviation[c] = std::sqrt(sq[c] / count);
    scaledDeviation[c] = deviation[c];
  }
  threshold = Length(deviation) / DistanceScale(mode);
  const Vec3 ref{reference[0], reference[1], reference[2]};
  const double limit = threshold;
  patternPixels = 0;
  ForOpaquePixels(patternFrame, [&](int r, int g, int b) { patternPixels += VectorTest(mode, r, g, b, ref, limit); });
}

void CIPStep::AnalyseDominantPattern() {
  rangeLow = 360;
  rangeHigh = 0;
  binMax = 1;
  smoothedMax = 1;
  dominantBin = 0;
  std::fill(std::begin(histogram), std::end(histogram), 0);
  ForOpaquePixels(patternFrame, [&](int r, int g, int b) {
    int bin;
    if (IsGrey(r, g, b)) {
      bin = GreyBin(r, g, b);
    } else {
      const double h = ToHsl(r, g, b).h;
      if (h == 0.0) return;
      bin = static_cast<int>(h);
    }
    if (++histogram[bin] > binMax) {
      binMax = histogram[bin];
      dominantBin = bin;
    }
  });
  if (dominantBin >= kGreyBase) {
    greyPattern = true;
    return;
  }
  greyPattern = false;
  for (int i = 0; i < kHueBins; ++i) histogram[i] = static_cast<int>(static_cast<int64_t>(histogram[i]) * 100 / binMax);
  binMax = 100;
  const DominantResult d = DominantHue(histogram, smoothed);
  smoothedMax = 100;
  rangeLow = d.rangeLow;
  rangeHigh = d.rangeHigh;

  double sumL = 0, sumS = 0;
  int64_t n = 0;
  const auto inRange = [&](double h) { return rangeLow <= h && h <= rangeHigh; };
  ForOpaquePixels(patternFrame, [&](int r, int g, int b) {
    const Hsl p = ToHsl(r, g, b);
    if (!inRange(p.h)) return;
    sumL += p.l, sumS += p.s;
    ++n;
  });
  if (n > 0) {
    meanLightness = sumL / n;
    meanSaturation = sumS / n;
    double sqL = 0, sqS = 0;
    ForOpaquePixels(patternFrame, [&](int r, int g, int b) {
      const Hsl p = ToHsl(r, g, b);
      if (!inRange(p.h)) return;
      sqL += (p.l - meanLightness) * (p.l - meanLightness);
      sqS += (p.s - meanSaturation) * (p.s - meanSaturation);
    });
    lightnessTolerance = std::sqrt(sqL / n);
    saturationTolerance = std::sqrt(sqS / n);
  }
  threshold = (rangeHigh - rangeLow) * 0.5;
  hueCentre = rangeLow + threshold;
  hueWindow = MakeHueWindow(hueCentre, threshold);
  hslLimits.minL = meanLightness - lightnessTolerance;
  hslLimits.maxL = meanLightness + lightnessTolerance;
  hslLimits.minS = meanSaturation - saturationTolerance;
  hslLimits.maxS = meanSaturation + saturationTolerance;
  patternPixels = 0;
  ForOpaquePixels(patternFrame,
                  [&](int r, int g, int b) { patternPixels += HslWindowTest(r, g, b, hslLimits, hueWindow); });
}

// ---- Region growing -----------------------------------------------------------------

bool CIPStep::Eligible(int x, int y) const {
  const int64_t at = static_cast<int64_t>(y) * static_cast<int64_t>(width) + x;
  if (mask[static_cast<size_t>(at)]) return false;
  const uint8_t* p = inputPixels + 4 * at;
  if (compareMode == kModeHslWindow) return HslWindowTest(p[2], p[1], p[0], hslLimits, hueWindow);
  return VectorTest(compareMode, p[2], p[1], p[0], {reference[0], reference[1], reference[2]}, threshold);
}

bool CIPStep::Push(int x, int y) {
  if (seedTop >= kSeedStackSize - 1) return false;
  seedStack[++seedTop] = Seed{x, y};
  return true;
}

bool CIPStep::Grow(int x0, int y0) {
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  seedTop = 0;
  if (!Push(x0, y0)) return false;
  while (seedTop > 0) {
    const Seed s = seedStack[seedTop--];
    const int x = s.x;
    int row = s.y;
    while (row >= 0 && Eligible(x, row)) --row;
    ++row;
    bool spanLeft = false, spanRight = false;
    while (row < h && Eligible(x, row)) {
      const int64_t at = static_cast<int64_t>(row) * w + x;
      mask[static_cast<size_t>(at)] = 1;
      if (outputPixels) std::memcpy(outputPixels + 4 * at, inputPixels + 4 * at, 4);
      minX = std::min(minX, x), maxX = std::max(maxX, x);
      minY = std::min(minY, row), maxY = std::max(maxY, row);
      sumX += x, sumY += row;
      ++regionPixels;
      if (x > 0) {
        const bool e = Eligible(x - 1, row);
        if (!spanLeft && e) {
          if (!Push(x - 1, row)) return false;
          spanLeft = true;
        } else if (spanLeft) {
          spanLeft = e;
        }
      }
      if (x < w - 1) {
        const bool e = Eligible(x + 1, row);
        if (!spanRight && e) {
          if (!Push(x + 1, row)) return false;
          spanRight = true;
        } else if (spanRight) {
          spanRight = e;
        }
      }
      ++row;
    }
  }
  return true;
}

bool CIPStep::SeedAt(int x, int y) {
  ++scanCounter;
  if (scanCounter % scanStep != 0 || !Eligible(x, y)) return true;
  regionPixels = 0;
  sumX = sumY = 0;
  maxX = maxY = 0;
  minX = minY = 65535;
  if (!Grow(x, y)) {
    tooComplex = 1;
    return false;
  }
  if (std::abs(maxX - minX) < patternWidth * 0.5 || std::abs(maxY - minY) < patternHeight * 0.5 ||
      static_cast<int64_t>(regionPixels) * 3 < patternPixels)
    return true;  // too small: its pixels stay marked
  if (resultCount >= resultCapacity) {
    try {
      results.resize(static_cast<size_t>(resultCapacity) + kResultGrowth);
    } catch (const std::bad_alloc&) {
      tooComplex = 1;
      return false;
    }
    resultCapacity += kResultGrowth;
  }
  results[static_cast<size_t>(resultCount++)] =
      ResultRecord{minX, minY, maxX, maxY, static_cast<int32_t>(sumX / regionPixels),
                   static_cast<int32_t>(sumY / regionPixels), regionPixels};
  return true;
}

// ---- The runs ---------------------------------------------------------------------

// Steps 1 and 2 of both matching runs: input frame, region, pattern frame.
bool CIPStep::OpenMatchFrames(const RunArgs& a) {
  if (!InputFrame32(a, &inputFrame)) return false;
  width = GetFrameWidth(inputFrame);
  height = GetFrameDepth(inputFrame);
  bpp = 32;
  pixelCount = frame::TruncateToInt(width * height);
  inputPixels = GetFrameDataAddr(inputFrame);
  region = InputRegion(a, 1);
  const frame::ParamName name = frame::InputName(a, 2);
  int32_t stamp = 0;
  patternFrame = nullptr;
  if (!name.ok || !GetInputFrameTimestamp(a.ctx, 63, name.c_str(), &patternFrame, &stamp) || !patternFrame)
    return a.fail(kPatternUndefined);
  patternBpp = GetFrameBPP(patternFrame);
  if (patternBpp != 32) return a.fail(kFormatNotSupported);
  patternWidth = GetFrameWidth(patternFrame);
  patternHeight = GetFrameDepth(patternFrame);
  newPatternStamp = stamp;
  return true;
}

bool CIPStep::ColorMatchAverage(const RunArgs& a) {
  if (!OpenMatchFrames(a)) return false;
  const int modeBefore = compareMode;
  double v;
  if (InputNumber(a, 3, &v, false)) {
    const int mode = frame::TruncateToInt(v);
    if (mode < 0 || mode > 2) return a.fail(kIncorrectParameter);
    compareMode = mode;
  }
  if (!patternAnalysed || newPatternStamp != patternStamp || compareMode != modeBefore) {
    patternStamp = newPatternStamp;
    patternAnalysed = true;
    AnalyseAveragePattern();
  }
  double tolerance = 1.0;
  const bool given = InputNumber(a, 4, &tolerance);
  for (int c = 0; c < 3; ++c) scaledDeviation[c] = given ? deviation[c] * tolerance : deviation[c];
  threshold = Length(scaledDeviation) / DistanceScale(compareMode);
  if (InputNumber(a, 5, &v)) patternWidth = patternHeight = v;
  return MatchRegions(a);
}

bool CIPStep::ColorMatchDominant(const RunArgs& a) {
  compareMode = kModeHslWindow;
  if (!OpenMatchFrames(a)) return false;
  if (!patternAnalysed || newPatternStamp != patternStamp) {
    patternStamp = newPatternStamp;
    patternAnalysed = true;
    AnalyseDominantPattern();
  }
  const double before = threshold;
  InputNumber(a, 3, &threshold);
  hueWindow = MakeHueWindow(hueCentre, threshold);
  // A grey pattern keeps the given half-width; otherwise the pattern's stays.
  if (!greyPattern) threshold = before;
  double t = lightnessTolerance;
  InputNumber(a, 4, &t);
  hslLimits.minL = std::max(0.0, meanLightness - t);
  hslLimits.maxL = std::min(1.0, meanLightness + t);
  t = saturationTolerance;
  InputNumber(a, 5, &t);
  hslLimits.minS = std::max(0.0, meanSaturation - t);
  hslLimits.maxS = std::min(1.0, meanSaturation + t);
  return MatchRegions(a);
}

// Steps 7 to 14 of both matching runs.
bool CIPStep::MatchRegions(const RunArgs& a) {
  if (results.empty()) results.resize(static_cast<size_t>(resultCapacity));
  mask.clear();
  mask.shrink_to_fit();
  mask.assign(static_cast<size_t>(pixelCount), 0);
  if (region) {
    std::fill(mask.begin(), mask.end(), 1);
    ScanRectangularRegion(inputFrame, region, 0, this, [](void* user, int x, int y, unsigned) -> bool {
      CIPStep& s = *static_cast<CIPStep*>(user);
      s.mask[static_cast<size_t>(static_cast<int64_t>(y) * static_cast<int64_t>(s.width) + x)] = 0;
      return true;
    });
  }

  overlay = false;
  showResults = true;
  InputFlag(a, 6, &overlay);
  InputFlag(a, 7, &showResults);
  outputPixels = nullptr;
  outputFrame = nullptr;
  if (overlay) {
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (!GetOutputFrame(a.ctx, 63, u"overlay", &outputFrame, w, h, 32) || !outputFrame ||
        GetFrameWidth(outputFrame) != w || GetFrameDepth(outputFrame) != h || GetFrameBPP(outputFrame) != 32)
      return a.fail(u"error get overlay");
    outputPixels = GetFrameDataAddr(outputFrame);
    std::memset(outputPixels, 0, static_cast<size_t>(pixelCount) * 4);
  }

  scanCounter = 0;
  resultCount = 0;
  const int regionHeight = region ? frame::TruncateToInt(region->height) : static_cast<int>(height);
  // A pattern dimension of 0 or less has no scan lines; below 1 pixel the
  // count is held to four lines per row.
  if (!(patternHeight > 0.0)) return a.fail(kBadRegion);
  const int lineCount = frame::TruncateToInt(std::min(4.0 * regionHeight / patternHeight, 4.0 * regionHeight));
  scanStep = frame::TruncateToInt(patternWidth * 0.25);
  if (scanStep <= 0) scanStep = 1;
  if (lineCount < 1) return a.fail(kBadRegion);

  // Only the lines near the frame: a region far past it costs no more.
  const frame::ScanSpan span = frame::ScanSpanInFrame(inputFrame, region, lineCount, false, 4);
  for (int i = span.first; i <= span.last; ++i) {
    TLine line{};
    int x0, y0, x1, y1;
    if (!GetScanRectangularRegionLine(inputFrame, region, span.count, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    line = TLine{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1), static_cast<double>(y1)};
    tooComplex = 0;
    ScanLine(inputFrame, region, &line, 0, this, [](void* user, int x, int y, unsigned) -> bool {
      return static_cast<CIPStep*>(user)->SeedAt(x, y);
    });
    if (tooComplex) return a.fail(kTooComplex);
  }
  if (scanCounter == 0) return a.fail(kBadRegion);

  const TColor colour = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  const frame::ParamName count = frame::OutputName(a, 0);
  double* n = nullptr;
  if (count.ok && GetNumber(a.ctx, 63, count.c_str(), 0, &n) && n) *n = resultCount;
  const frame::ParamName centre = frame::OutputName(a, 1);
  if (centre.ok) SetObjectMaxIndex(a.ctx, 63, centre.c_str(), resultCount > 0 ? resultCount - 1 : 0);
  for (int k = 0; k < resultCount; ++k) {
    const ResultRecord& r = results[static_cast<size_t>(k)];
    TPoint* p = nullptr;
    if (centre.ok && GetPoint(a.ctx, 63, centre.c_str(), k, &p) && p) *p = TPoint{double(r.centroidX), double(r.centroidY)};
    if (showResults) {
      DrawRectangle(a.ctx, r.minX + (r.maxX - r.minX) / 2, r.minY + (r.maxY - r.minY) / 2, r.maxX - r.minX,
                    r.maxY - r.minY, 0.0, thickness, colour);
      DrawRectangle(a.ctx, r.centroidX, r.centroidY, patternWidth, patternHeight, 0.0, 1.0, colour);
    }
  }
  if (resultCount == 0) return a.fail(u"Color not found");
  return true;
}

}  // namespace lomber
