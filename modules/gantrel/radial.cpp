#include "radial.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "profile.h"

namespace gantrel {

namespace {

enum RadialInput { kFrameIn, kRingIn, kSpokesIn, kLevelIn, kLengthIn, kMethodIn, kMissingIn, kNegativeIn, kShowIn };
enum RadialOutput { kPointsOut, kCountOut, kFoundOut };

// A spoke without a point, to be filled in.
constexpr int32_t kMissing = INT32_MIN;

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The crossing of the spoke (x0, y0)-(x1, y1) with the line through a and b,
// truncated; the midpoint of a and b when the two are parallel. Wide
// arithmetic, so that coordinates of any frame size cannot overflow.
void Crossing(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const CRadial::Point& a, const CRadial::Point& b,
              CRadial::Point* out) {
  const int64_t xa = a.x, ya = a.y, xb = b.x, yb = b.y;
  const int64_t c = x0 * y1 - y0 * x1;
  const int64_t e = yb * xa - xb * ya;
  const int64_t den = (x0 - x1) * (ya - yb) - (y0 - y1) * (xa - xb);
  if (den == 0) {
    out->x = Saturate((xa + xb) / 2);
    out->y = Saturate((ya + yb) / 2);
    return;
  }
  // The numerators are products of three coordinates: 128 bits hold them.
  using Wide = __int128;
  const auto quotient = [den](Wide num) {
    const Wide q = num / den;
    return Saturate(q > INT32_MAX ? INT64_MAX : q < INT32_MIN ? INT64_MIN : static_cast<int64_t>(q));
  };
  out->x = quotient(Wide(xa - xb) * c - Wide(x0 - x1) * e);
  out->y = quotient(Wide(ya - yb) * c - Wide(y0 - y1) * e);
}

// The most spokes a run lays: one per pixel round the frame's outline, or
// 262144, whichever is more. A caller may ask for any count up to that and
// gets one flag per spoke; past it spokes only go round the same pixels again
// and again, and would take minutes to lay.
int MostSpokes(const Frame* f) {
  const double outline = 2.0 * (GetFrameWidth(f) + GetFrameDepth(f));
  return static_cast<int>(std::clamp(outline, double{1 << 18}, double{kMaxOutputElements}));
}

}  // namespace

bool CRadial::Run(const RunArgs& a) {
  const bool byThreshold = methodIndex == 13;
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const TRingRegion* ring = InputElement<TRingRegion>(a, kRingIn, GetRingRegion);
  const double* spokesIn = NumberInput(a, kSpokesIn);
  // Fewer than one spoke means none.
  int spokes = 16;
  if (spokesIn) {
    spokes = std::max(frame::TruncateToInt(*spokesIn), 0);
    const int most = MostSpokes(frame);
    if (spokes > most) {
      WarnCountCorrected(a, kSpokesIn, *spokesIn, most);
      spokes = most;
    }
  }
  const int level = StoredLevel(a, kLevelIn, byThreshold ? 127 : 63);
  const double* lengthIn = NumberInput(a, kLengthIn);
  const int length = std::max(lengthIn ? frame::TruncateToInt(*lengthIn) : 5, 1);
  const double* methodIn = NumberInput(a, kMethodIn);
  int method = methodIn ? frame::TruncateToInt(*methodIn) : 0;
  if (method < 0 || method > 2) method = 0;
  const bool allTransitions = method != 0;
  const bool* missingIn = FlagInput(a, kMissingIn);
  const bool fillMissing = missingIn ? *missingIn : false;
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  const bool negative = negativeIn ? *negativeIn : false;
  const bool* showIn = FlagInput(a, kShowIn);
  const bool draw = (showIn ? *showIn : true) && GetDrawingLevel(a.ctx) > 1;
  const auto drawPoint = [&](const Point& p) {
    if (draw) DrawCircle(a.ctx, p.x, p.y, 2.0, GetDrawThickness(a.ctx, 4), GetDrawColor(a.ctx, 4));
  };

  samples_.Restart();
  points_.clear();
  points_.reserve(32);
  foundOnSpoke_.assign(static_cast<size_t>(spokes), 0);
  int missing = 0;
  for (int i = 0; i < spokes; ++i) {
    int x0, y0, x1, y1;
    // A spoke the host cannot lay is left out.
    if (!GetScanRingRegionSpoke(frame, ring, spokes, i, &x0, &y0, &x1, &y1)) continue;
    ScanSamples(frame, TLine{double(x0), double(y0), double(x1), double(y1)}, &samples_);
    const int* v = samples_.value.data();
    const int n = samples_.count;
    int transition = -1;
    bool armed = false;
    for (int from = 0;;) {
      int k = -1, next = 0;
      if (byThreshold) {
        k = FindThresholdPoint(v, n, level, length, negative, from, &armed);
        if (k >= 0) next = NextAfterThresholdPoint(v, n, level, negative, k);
      } else {
        int end = 0;
        k = FindGradientPoint(v, n, level, length, negative, from, &end);
        next = end + 2;
      }
      if (k < 0) break;
      const Point p{samples_.x[k], samples_.y[k], i, ++transition};
      points_.push_back(p);
      foundOnSpoke_[i] = 1;
      drawPoint(p);
      if (!allTransitions) break;
      from = next;
    }
    if (transition < 0 && fillMissing) {
      points_.push_back({kMissing, kMissing, i, 0});
      ++missing;
    }
  }
  if (static_cast<int>(points_.size()) - missing <= 1) return a.fail(kNoEdge);

  if (fillMissing) {
    const int count = static_cast<int>(points_.size());
    for (int k = 0; k < count; ++k) {
      Point& m = points_[k];
      if (m.x != kMissing || m.y != kMissing) continue;
      int before = k, after = k;
      do before = (before + count - 1) % count;
      while (points_[before].x == kMissing && points_[before].y == kMissing);
      do after = (after + 1) % count;
      while (points_[after].x == kMissing && points_[after].y == kMissing);
      int x0, y0, x1, y1;
      // The record's own spoke: with several points per spoke, k is no spoke index.
      if (GetScanRingRegionSpoke(frame, ring, spokes, m.spoke, &x0, &y0, &x1, &y1)) {
        Crossing(x0, y0, x1, y1, points_[before], points_[after], &m);
      } else {
        m.x = Saturate((int64_t{points_[before].x} + points_[after].x) / 2);
        m.y = Saturate((int64_t{points_[before].y} + points_[after].y) / 2);
      }
      drawPoint(m);
    }
  }

  const int count = static_cast<int>(points_.size());
  for (int k = 0; k < count; ++k) {
    if (TPoint* p = OutputElement<TPoint>(a, kPointsOut, GetPoint, k)) *p = {double(points_[k].x), double(points_[k].y)};
  }
  SetOutputMaxIndex(a, kPointsOut, count - 1);
  if (double* c = OutputElement<double>(a, kCountOut, GetNumber, 0)) *c = count;
  SetOutputMaxIndex(a, kCountOut, 0);
  for (int i = 0; i < spokes; ++i) {
    if (bool* f = OutputElement<bool>(a, kFoundOut, GetFlag, i)) *f = foundOnSpoke_[i] != 0;
  }
  SetOutputMaxIndex(a, kFoundOut, spokes - 1);
  return true;
}

}  // namespace gantrel
