#include "line_edge.h"

namespace gantrel {

void CLine::FindEdgePoints(const RunArgs& a, const Frame* frame, const TRectangularRegion* region, int lines,
                           const EdgeFinder& f) {
  samples_.Restart();
  points_.clear();
  points_.reserve(32);
  const TColor color = f.draw ? GetDrawColor(a.ctx, 4) : TColor{};
  const double thickness = f.draw ? GetDrawThickness(a.ctx, 4) : 0.0;
  const frame::ScanSpan span = LinesInFrame(frame, region, lines);
  for (int i = span.first; i <= span.last; ++i) {
    int x0, y0, x1, y1;
    // A line the host cannot lay has no end points to scan.
    if (!GetScanRectangularRegionLine(frame, region, lines, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    ScanSamples(frame, TLine{double(x0), double(y0), double(x1), double(y1)}, &samples_);
    const int* v = samples_.value.data();
    const int n = samples_.count;
    bool armed = false;
    int ordinal = 0;
    for (int from = 0;;) {
      int k, next;
      if (f.byThreshold) {
        k = FindThresholdPoint(v, n, f.level, f.length, f.negative, from, &armed);
        next = k >= 0 ? NextAfterThresholdPoint(v, n, f.level, f.negative, k) : 0;
      } else {
        int end = 0;
        k = FindGradientPoint(v, n, f.level, f.length, f.negative, from, &end);
        next = end + 2;
      }
      if (k < 0) break;
      const int x = samples_.x[k], y = samples_.y[k];
      points_.push_back(f.swap ? EdgePoint{y, x, i, ordinal} : EdgePoint{x, y, i, ordinal});
      ++ordinal;
      if (f.draw) DrawCircle(a.ctx, x, y, 2.0, thickness, color);
      if (!f.allTransitions) break;
      from = next;
    }
  }
}

}  // namespace gantrel
