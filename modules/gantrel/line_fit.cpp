#include "line_fit.h"

#include <algorithm>
#include <cmath>

#include "profile.h"

namespace gantrel {

namespace {

constexpr std::u16string_view kMorePoints =
    u"error: There are more points in every scan line - it is impossible to select the correct edge";
constexpr std::u16string_view kOutOfRange = u"Cannot find the edge within specified angle range";

double ClampBound(double v) { return std::clamp(v, -270.0, 180.0); }

// Into -90..90 by whole half turns.
double HalfTurnRange(double e) {
  if (!std::isfinite(e)) return 0;
  e = std::fmod(e, 180.0);
  if (e > 90) e -= 180;
  if (e < -90) e += 180;
  return e;
}

enum Rule { kAll, kLast, kUnique, kSelect };

struct Inputs {
  int expected, deviation, method, negative, show;
};
constexpr Inputs kStraightInputs{5, 6, 7, 8, 9};
constexpr Inputs kLineInputs{8, 9, 10, 11, 12};
enum { kFrameIn, kRegionIn, kLinesIn, kLevelIn, kLengthIn, kMinCountIn, kMaxDistanceIn, kPassesIn };
enum { kEdgeOut, kAngleOut, kUsedCountOut, kUsedPointsOut, kDistancesOut };

}  // namespace

bool AngleWindow::Make(double e, double d) {
  if (std::isnan(d)) return false;
  wraps = false;
  if (e - d >= -90 && e + d <= 90) {
    lo = ClampBound(e - d);
    hi = ClampBound(e + d);
  } else {
    wraps = true;
    lo = ClampBound(e - d < -90 ? e + d : e + d - 180);
    hi = ClampBound(e - d < -90 ? e - d + 180 : e - d);
  }
  return lo <= hi;
}

bool CLine::Run(const RunArgs& a) {
  const bool straight = methodIndex == 7 || methodIndex == 8;
  const bool byThreshold = methodIndex == 7 || methodIndex == 9;
  const Inputs in = straight ? kStraightInputs : kLineInputs;

  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  bool swap = false;
  if (region) {
    double angle = region->angle;
    NormalizeDegreeLongreal(&angle);
    swap = angle < 45 || (angle > 135 && angle < 225) || angle > 315;
  }
  const double* linesIn = NumberInput(a, kLinesIn);
  const int lines = linesIn ? LineCountInput(a, kLinesIn, *linesIn, AcrossRegion(frame, region)) : 16;
  const int level = StoredLevel(a, kLevelIn, byThreshold ? 127 : 63);
  const double* lengthIn = NumberInput(a, kLengthIn);
  const int length = std::max(lengthIn ? frame::TruncateToInt(*lengthIn) : 5, 1);
  int minCount = 2, passes = 1;
  double maxDistance = 0;
  if (!straight) {
    if (const double* p = NumberInput(a, kMinCountIn)) minCount = std::max(frame::TruncateToInt(*p), 2);
    if (const double* p = NumberInput(a, kMaxDistanceIn)) maxDistance = std::max(*p, 0.0);
    if (const double* p = NumberInput(a, kPassesIn)) passes = std::max(frame::TruncateToInt(*p), 1);
  }
  const double* expectedIn = NumberInput(a, in.expected);
  const double* deviationIn = NumberInput(a, in.deviation);
  AngleWindow window;
  if (!window.Make(HalfTurnRange(expectedIn ? *expectedIn : 0), deviationIn ? *deviationIn : 90)) {
    return a.fail(kNoEdge);
  }
  const double* methodIn = NumberInput(a, in.method);
  int method = methodIn ? frame::TruncateToInt(*methodIn) : 0;
  if (method < 0 || method > (straight ? 4 : 1)) method = 0;
  const bool* negativeIn = FlagInput(a, in.negative);
  const bool* showIn = FlagInput(a, in.show);
  const bool show = showIn ? *showIn : true;
  const int drawingLevel = GetDrawingLevel(a.ctx);

  FindEdgePoints(a, frame, region, lines,
                 {byThreshold, level, length, negativeIn && *negativeIn, method != 0, swap, drawingLevel > 1 && show});
  const int n = static_cast<int>(points_.size());
  if (n < 2) return a.fail(kNoEdge);

  std::vector<int> perLine(static_cast<size_t>(std::max(lines, 0)), 0);
  for (const EdgePoint& p : points_) ++perLine[p.line];
  const bool severalOnALine = std::any_of(perLine.begin(), perLine.end(), [](int c) { return c > 1; });
  Rule rule = kSelect;
  if (straight) {
    rule = method == 1 ? kSelect : method == 2 ? kLast : method == 4 ? kUnique : kAll;
    if (!severalOnALine) rule = kAll;
  }

  FitSums sums;
  std::vector<EdgePoint> used;
  if (rule == kAll) {
    for (const EdgePoint& p : points_) sums.Add(p);
  } else if (rule == kLast) {
    for (size_t k = 0; k < points_.size(); ++k) {
      const bool lastOnLine = k + 1 == points_.size() || points_[k + 1].line != points_[k].line;
      if (lastOnLine) sums.Add(points_[k]);
    }
    if (sums.m < 2) return a.fail(kMorePoints);
  } else {
    // The points of lines with a single point, from the last backwards.
    for (auto p = points_.rbegin(); p != points_.rend(); ++p) {
      if (perLine[p->line] == 1) used.push_back(*p);
    }
    for (const EdgePoint& p : used) sums.Add(p);
    if (sums.m < 2) return a.fail(kMorePoints);
  }
  if (rule == kSelect) {
    const size_t singles = used.size();
    // From the last scan line to the first, the one candidate of each line
    // with several points that fits the single points best.
    for (int line = static_cast<int>(perLine.size()) - 1; line >= 0; --line) {
      if (perLine[line] < 2) continue;
      const EdgePoint* best = nullptr;
      double bestScore = 0;
      for (const EdgePoint& c : points_) {
        if (c.line != line) continue;
        const LineFit f = sums.With(c).Fit();
        double squares = f.Distance(c.x, c.y) * f.Distance(c.x, c.y);
        for (size_t k = 0; k < singles; ++k) {
          const double d = f.Distance(used[k].x, used[k].y);
          squares += d * d;
        }
        const double score = std::sqrt(squares / (sums.m + 1));
        if (!best || score <= bestScore) {  // ties go to the higher ordinal
          best = &c;
          bestScore = score;
        }
      }
      sums.Add(*best);
      used.push_back(*best);
    }
  }
  LineFit fit = sums.Fit();
  const bool vertical = fit.vertical;

  if (!straight && !vertical) {
    // Leave-one-out passes; a fit needs at least two other points.
    for (int pass = 0; pass < passes && used.size() >= 3; ++pass) {
      int worst = -1;
      double worstDistance = maxDistance;
      for (size_t k = 0; k < used.size(); ++k) {
        const double d = sums.With(used[k], -1).Fit().Distance(used[k].x, used[k].y);
        if (d > worstDistance) {
          worst = static_cast<int>(k);
          worstDistance = d;
        }
      }
      if (worst < 0) break;
      sums.Add(used[worst], -1);
      used.erase(used.begin() + worst);
      fit = sums.Fit();
    }
    if (static_cast<int>(used.size()) < minCount) return a.fail(kNoEdge);
  }

  double angle = fit.AngleDegrees();
  if (swap) angle = angle >= 0 ? 90 - angle : -90 - angle;
  if (!window.Accepts(angle) && !(vertical && !window.wraps && window.Accepts(-angle))) return a.fail(kOutOfRange);

  double x0, y0, x1, y1;
  if (fit.vertical) {
    // Every point on one fitting coordinate: with swapped axes that is one
    // frame row, so the edge runs across the frame at that row.
    const double c = points_[0].x;
    if (swap) {
      x0 = 0, y0 = c, x1 = width, y1 = c;
    } else {
      x0 = c, y0 = 0, x1 = c, y1 = depth;
    }
  } else if (swap) {
    x0 = fit.b, y0 = 0, x1 = depth * fit.a + fit.b, y1 = depth;
  } else {
    x0 = 0, y0 = fit.b, x1 = width, y1 = width * fit.a + fit.b;
  }
  TLine edge{x0, y0, x1, y1};
  ClipLine(frame, region, x0, y0, x1, y1, &edge.x0, &edge.y0, &edge.x1, &edge.y1);

  if (TLine* out = OutputElement<TLine>(a, kEdgeOut, GetLine, 0)) *out = edge;
  SetOutputMaxIndex(a, kEdgeOut, 0);
  if (double* out = OutputElement<double>(a, kAngleOut, GetNumber, 0)) *out = angle;
  SetOutputMaxIndex(a, kAngleOut, 0);
  if (!straight) {
    const int count = static_cast<int>(used.size());
    if (double* out = OutputElement<double>(a, kUsedCountOut, GetNumber, 0)) *out = count;
    SetOutputMaxIndex(a, kUsedCountOut, 0);
    for (int k = 0; k < count; ++k) {
      const EdgePoint& p = used[k];
      if (TPoint* out = OutputElement<TPoint>(a, kUsedPointsOut, GetPoint, k)) {
        *out = swap ? TPoint{double(p.y), double(p.x)} : TPoint{double(p.x), double(p.y)};
      }
      if (double* out = OutputElement<double>(a, kDistancesOut, GetNumber, k)) *out = fit.Distance(p.x, p.y);
    }
    SetOutputMaxIndex(a, kUsedPointsOut, count - 1);
    SetOutputMaxIndex(a, kDistancesOut, count - 1);
  }
  if (show) DrawLine(a.ctx, edge.x0, edge.y0, edge.x1, edge.y1, GetDrawThickness(a.ctx, 1), GetDrawColor(a.ctx, 1));
  return true;
}

}  // namespace gantrel
