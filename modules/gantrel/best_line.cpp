#include <algorithm>
#include <cmath>
#include <cstdint>

#include "line_edge.h"
#include "profile.h"

namespace gantrel {

namespace {

enum {
  kFrameIn,
  kRegionIn,
  kLinesIn,
  kLevelIn,
  kLengthIn,
  kExpectedIn,
  kDeviationIn,
  kMethodIn,
  kNegativeIn,
  kShowIn,
  kStepIn
};
enum { kEdgeOut, kAngleOut, kPointsOut, kDistancesOut };

constexpr double kDegreesPerRadian = 57.29577951308232;
// Angles are voted in hundredths of a degree from -270.00 on.
constexpr int kTableOrigin = 27000;
constexpr int kTableEnd = 18000;  // 180.00 degrees
// Normal angles this close to the region direction (hundredths) get no vote.
constexpr int kRegionExclusion = 8;

}  // namespace

bool CBestLine::Run(const RunArgs& a) {
  const bool byThreshold = methodIndex == 11;
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  const double* linesIn = NumberInput(a, kLinesIn);
  const int lines = linesIn ? LineCountInput(a, kLinesIn, *linesIn, AcrossRegion(frame, region)) : 16;
  const int level = StoredLevel(a, kLevelIn, byThreshold ? 127 : 63);
  const double* lengthIn = NumberInput(a, kLengthIn);
  const int length = std::max(lengthIn ? frame::TruncateToInt(*lengthIn) : 5, 1);
  const double* expectedIn = NumberInput(a, kExpectedIn);
  const int e = expectedIn ? frame::TruncateToInt(*expectedIn - 90) : -90;  // the normal of the expected edge
  const double* deviationIn = NumberInput(a, kDeviationIn);
  const double d = deviationIn ? *deviationIn : 90;
  const double* methodIn = NumberInput(a, kMethodIn);
  int method = methodIn ? frame::TruncateToInt(*methodIn) : 0;
  if (method < 0 || method > 1) method = 0;
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  const int drawingLevel = GetDrawingLevel(a.ctx);
  const double* stepIn = NumberInput(a, kStepIn);
  float step = stepIn ? static_cast<float>(*stepIn) : 0.5f;
  if (!(step >= 0.01f)) step = 0.01f;

  // The region's direction and its opposite take no votes.
  int r = 0;
  if (region) {
    // The remainder first: a region turned by billions of degrees excludes
    // the same direction as the region turned by what is left of them.
    r = frame::TruncateToInt(std::fmod(region->angle + 90, 360.0));
    if (r >= 181) r -= 360;
    if (r < -180) r += 360;
  }
  const int rOpposite = r >= 0 ? r - 180 : r + 180;
  const int r100 = 100 * r, rOpposite100 = 100 * rOpposite;

  if (std::isnan(d)) return a.fail(kNoEdge);
  const double lower = std::clamp(e - d, -270.0, 180.0), upper = std::clamp(e + d, -270.0, 180.0);
  if (lower > upper) return a.fail(kNoEdge);
  if ((upper - lower) + 1 < step) return a.fail(u"error: Search angle step is greater than allowed angle deviation");

  FindEdgePoints(a, frame, region, lines,
                 {byThreshold, level, length, negativeIn && *negativeIn, method != 0, false, drawingLevel > 1 && show});
  if (points_.size() < 2) return a.fail(kNoEdge);

  // Hundredths of a degree per column, truncated (at least one).
  const int h = std::max(static_cast<int>(step * 100.0f), 1);
  if (tableH_ != h || step != tableStep_ || sin_.empty()) {
    const size_t entries = static_cast<size_t>((kTableOrigin + kTableEnd) / h + 2);
    sin_.resize(entries);
    cos_.resize(entries);
    for (size_t i = 0; i < entries; ++i) {
      const double t = (-kTableOrigin + static_cast<double>(i) * h) / 100.0 / kDegreesPerRadian;
      sin_[i] = static_cast<float>(std::sin(t));
      cos_[i] = static_cast<float>(std::cos(t));
    }
    tableStep_ = step;
    tableH_ = h;
  }

  const double cx = width / 2.0, cy = depth / 2.0;
  const double rMax = std::sqrt(2.0) * std::max(width, depth) / 2;
  // A point on the frame border reaches bin trunc(2 rMax) + 1 at most.
  const int bins = static_cast<int>(2 * rMax) + 2;
  const int tFirst = frame::TruncateToInt(100 * lower);
  const double tLast = 100 * upper;
  // Columns from the truncated step, so that every voted column has room.
  const int columns = std::max(static_cast<int>((upper - lower + 1) / step + 0.5),
                               static_cast<int>((tLast - tFirst) / h) + 1);
  votes_.assign(static_cast<size_t>(bins) * columns, 0);
  for (const EdgePoint& p : points_) {
    const double dx = p.x - cx, dy = p.y - cy;
    int j = 0;
    for (int t = tFirst; t <= tLast; t += h, ++j) {
      if (std::abs(t - r100) <= kRegionExclusion || std::abs(t - rOpposite100) <= kRegionExclusion) continue;
      const size_t entry = static_cast<size_t>((t + kTableOrigin) / h);
      const int bin = static_cast<int>(dx * cos_[entry] + dy * sin_[entry] + rMax + 0.5);
      if (bin < 0 || bin >= bins) continue;
      ++votes_[static_cast<size_t>(bin) * columns + j];
    }
  }

  // Most votes; ties go to the lowest bin, then the lowest column.
  int bestBin = 0, bestColumn = 0, bestVotes = 0;
  for (int p = 0; p < bins; ++p) {
    const int32_t* row = &votes_[static_cast<size_t>(p) * columns];
    for (int q = 0; q < columns; ++q) {
      if (row[q] > bestVotes) bestVotes = row[q], bestBin = p, bestColumn = q;
    }
  }
  if (bestVotes < 3) return a.fail(kNoEdge);

  double rho = bestBin - rMax + 0.5;
  double theta = bestColumn * static_cast<double>(step) + lower;
  if (rho < 0 && std::fabs(theta + 135) <= 45) {
    theta += 180;
    rho = -rho;
  }
  const double s = std::sin(theta / kDegreesPerRadian), c = std::cos(theta / kDegreesPerRadian);
  double x0, y0, x1, y1;
  if (std::fabs(theta) < 45 || std::fabs(theta) > 135) {
    const auto xAt = [&](double y) { return (rho - (y - cy) * s) / c + cx; };
    x0 = xAt(0), y0 = 0, x1 = xAt(depth), y1 = depth;
  } else {
    const auto yAt = [&](double x) { return (rho - (x - cx) * c) / s + cy; };
    x0 = 0, y0 = yAt(0), x1 = width, y1 = yAt(width);
  }
  TLine edge{};
  if (!ClipLine(frame, region, x0, y0, x1, y1, &edge.x0, &edge.y0, &edge.x1, &edge.y1)) return a.fail(kNoEdge);

  double angle = theta;
  if (angle < lower) angle += 180;
  if (angle > upper) angle -= 180;
  angle += 90;

  if (TLine* out = OutputElement<TLine>(a, kEdgeOut, GetLine, 0)) *out = edge;
  SetOutputMaxIndex(a, kEdgeOut, 0);
  if (double* out = OutputElement<double>(a, kAngleOut, GetNumber, 0)) *out = angle;
  SetOutputMaxIndex(a, kAngleOut, 0);
  // Distances from the clipped line's integer coefficients; a line shorter
  // than a pixel has none, and takes its exact ones.
  double A = std::trunc(edge.y0 - edge.y1), B = std::trunc(edge.x1 - edge.x0);
  double C = std::trunc(-A * edge.x0 - B * edge.y0);
  if (A == 0 && B == 0) {
    A = edge.y0 - edge.y1;
    B = edge.x1 - edge.x0;
    C = -A * edge.x0 - B * edge.y0;
  }
  const double norm = std::sqrt(A * A + B * B);
  const int count = static_cast<int>(points_.size());
  for (int k = 0; k < count; ++k) {
    const EdgePoint& p = points_[k];
    if (TPoint* out = OutputElement<TPoint>(a, kPointsOut, GetPoint, k)) *out = {double(p.x), double(p.y)};
    const double dist = norm > 0 ? std::fabs(A * p.x + B * p.y + C) / norm : std::hypot(p.x - edge.x0, p.y - edge.y0);
    if (double* out = OutputElement<double>(a, kDistancesOut, GetNumber, k)) *out = dist;
  }
  SetOutputMaxIndex(a, kPointsOut, count - 1);
  SetOutputMaxIndex(a, kDistancesOut, count - 1);
  if (show) DrawLine(a.ctx, edge.x0, edge.y0, edge.x1, edge.y1, GetDrawThickness(a.ctx, 1), GetDrawColor(a.ctx, 1));
  return true;
}

}  // namespace gantrel
