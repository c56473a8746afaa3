#include "profile.h"

#include <algorithm>
#include <cmath>

namespace gantrel {

namespace {

enum ProfileInput { kFrameIn, kRegionIn, kLinesIn, kLevelIn, kLengthIn, kNegativeIn, kShowIn };
enum ProfileOutput { kCountOut, kPointsOut };

}  // namespace

int StoredLevel(const RunArgs& a, int input, int absentLevel) {
  double* p = NumberInput(a, input);
  if (!p) return absentLevel;
  // The host lets the method correct its input in place.
  *p = std::isnan(*p) ? 0.0 : std::clamp(*p, 0.0, 1.0);
  return Level(*p);
}

bool CProfile::Run(const RunArgs& a) {
  const bool byThreshold = methodIndex == 5;
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  const double* linesIn = NumberInput(a, kLinesIn);
  const int lines = linesIn ? LineCountInput(a, kLinesIn, *linesIn, AcrossRegion(frame, region)) : 16;
  const int level = StoredLevel(a, kLevelIn, byThreshold ? 127 : 63);
  const double* lengthIn = NumberInput(a, kLengthIn);
  const int length = std::max(lengthIn ? frame::TruncateToInt(*lengthIn) : 5, 1);
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  const bool negative = negativeIn ? *negativeIn : true;
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;

  samples_.Restart();
  int points = 0;
  const frame::ScanSpan span = LinesInFrame(frame, region, lines);
  for (int i = span.first; i <= span.last; ++i) {
    int x0, y0, x1, y1;
    // A line the host cannot lay has no end points to scan.
    if (!GetScanRectangularRegionLine(frame, region, lines, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    const TLine line{double(x0), double(y0), double(x1), double(y1)};
    ScanSamples(frame, line, &samples_);
    const int* v = samples_.value.data();
    const int n = samples_.count;
    int k = -1;
    if (byThreshold) {
      bool armed = false;
      k = FindThresholdPoint(v, n, level, length, negative, 0, &armed);
    } else {
      int end = 0;
      k = FindGradientPoint(v, n, level, length, negative, 0, &end);
    }
    if (k < 0) continue;
    const double x = samples_.x[k], y = samples_.y[k];
    if (TPoint* p = OutputElement<TPoint>(a, kPointsOut, GetPoint, points)) *p = {x, y};
    ++points;
    if (show) {
      DrawCircle(a.ctx, x, y, 2.0, GetDrawThickness(a.ctx, 1), GetDrawColor(a.ctx, negative ? 8 : 7));
    }
  }
  if (points == 0) return a.fail(kNoEdge);
  if (double* count = OutputElement<double>(a, kCountOut, GetNumber, 0)) *count = points;
  SetOutputMaxIndex(a, kCountOut, 0);
  SetOutputMaxIndex(a, kPointsOut, points - 1);
  return true;
}

}  // namespace gantrel
