#include "line_drawing.h"

namespace forvik {

void WriteSegments(const RunArgs& a, const std::vector<LineSegment>& segments) {
  const int n = static_cast<int>(segments.size());
  WriteNumber(a, 0, n);
  SetOutputMaxIndex(a, 1, n - 1);
  for (int i = 0; i < n; ++i) {
    const LineSegment& s = segments[static_cast<size_t>(i)];
    if (TLine* l = OutputElement<TLine>(a, 1, i, GetLine)) *l = {s.x0, s.y0, s.x1, s.y1};
  }
}

void DrawSegment(void* ctx, double x0, double y0, double x1, double y1, int endRadius, double thickness, TColor colour) {
  DrawLine(ctx, x0, y0, x1, y1, thickness, colour);
  DrawCircle(ctx, x0, y0, endRadius, thickness, colour);
  DrawCircle(ctx, x1, y1, endRadius, thickness, colour);
}

}  // namespace forvik
