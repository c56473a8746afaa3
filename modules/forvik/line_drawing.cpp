#include "line_drawing.h"

namespace forvik {

TLine OnFittedLine(const LineSegment& s) {
  // In the segment's own form the line is v = a u + b; the foot of (u, v) on
  // it is u' = (u + a (v - b)) / (1 + a^2).
  const double a = s.a, b = s.b, k = 1 + a * a;
  const auto foot = [&](double x, double y, double* fx, double* fy) {
    const double u = s.orientation ? x : y, v = s.orientation ? y : x;
    const double fu = (u + a * (v - b)) / k, fv = a * fu + b;
    *fx = s.orientation ? fu : fv;
    *fy = s.orientation ? fv : fu;
  };
  TLine l;
  foot(s.x0, s.y0, &l.x0, &l.y0);
  foot(s.x1, s.y1, &l.x1, &l.y1);
  return l;
}

void WriteSegments(const RunArgs& a, const std::vector<LineSegment>& segments) {
  const int n = static_cast<int>(segments.size());
  WriteNumber(a, 0, n);
  SetOutputMaxIndex(a, 1, n - 1);
  for (int i = 0; i < n; ++i) {
    const LineSegment& s = segments[static_cast<size_t>(i)];
    if (TLine* l = OutputElement<TLine>(a, 1, i, GetLine)) *l = OnFittedLine(s);
  }
}

void DrawSegment(void* ctx, double x0, double y0, double x1, double y1, int endRadius, double thickness, TColor colour) {
  DrawLine(ctx, x0, y0, x1, y1, thickness, colour);
  DrawCircle(ctx, x0, y0, endRadius, thickness, colour);
  DrawCircle(ctx, x1, y1, endRadius, thickness, colour);
}

}  // namespace forvik
