// Line detection by threshold: the first object pixel along each scan line,
// the chain of them cut into segments.
#include "frame/input_params.h"
#include "frame/scan_span.h"
#include "line_drawing.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr float kAngleTolerance = 0.17453292f;  // 10 degrees

}  // namespace

bool CLineDetectionByThreshold::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const TRectangularRegion* region = RegionAt(a, 1);
  const double height = region ? region->height : GetFrameDepth(f);
  int lines = region ? frame::TruncateToInt(region->height * 0.25) : GetFrameDepth(f) / 4;
  double spacing = 4.0;
  if (const double* n = NumberAt(a, 2); n && frame::TruncateToInt(*n) >= 1) {
    lines = frame::TruncateToInt(*n);
    spacing = height / lines;
  }
  threshold = 128;
  if (const double* t = NumberAt(a, 3)) threshold = frame::TruncateToInt(*t * 255.0);
  float maxResidual = static_cast<float>(0.15 * spacing);
  if (const double* q = NumberAt(a, 4)) {
    if (*q < 0 || *q > 1) {
      const ParamName name = InputName(a, 4);
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(*q), 0.5f);
    } else {
      maxResidual = static_cast<float>((0.25 - 0.2 * *q) * spacing);
    }
  }
  const bool show = FlagAt(a, 5, true);
  const int level = GetDrawingLevel(a.ctx);

  // A region too low for one line at the default spacing has no scan line
  // and so no points.
  mainList.clear();
  const frame::ScanSpan span = frame::ScanSpanInFrame(f, region, lines);
  for (int i = span.first; i <= span.last; ++i) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!GetScanRectangularRegionLine(f, region, span.count, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    int start = -1;
    GetPixelValue(f, x0, y0, &start);
    if (start != -1) objectBright = start < threshold;
    foundX = -1;
    foundY = -1;
    const TLine line{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1),
                     static_cast<double>(y1)};
    ScanLine(f, region, &line, 1, this, FindFirstCrossing);
    if (foundX != -1 || foundY != -1) mainList.push(static_cast<float>(foundX), static_cast<float>(foundY));
  }

  segments.clear();
  if (mainList.size() >= 5)
    ExtractLineSegments(mainList.xs.data(), mainList.ys.data(), mainList.size() - 1, maxResidual, kAngleTolerance,
                        false, segments);
  if (segments.empty()) return a.fail(u"There are no detected line segments");
  WriteSegments(a, segments);

  if (show) {
    if (level == 2) {
      const TColor found = GetDrawColor(a.ctx, 4);
      const double thick = GetDrawThickness(a.ctx, 4);
      for (int i = 0; i < mainList.size(); ++i)
        DrawCircle(a.ctx, mainList.xs[static_cast<size_t>(i)], mainList.ys[static_cast<size_t>(i)], endMarkRadius,
                   thick, found);
    }
    const TColor colour = GetDrawColor(a.ctx, 1);
    const double thickness = GetDrawThickness(a.ctx, 1);
    for (const LineSegment& s : segments) {
      const TLine l = OnFittedLine(s);
      DrawSegment(a.ctx, l.x0, l.y0, l.x1, l.y1, endMarkRadius, thickness, colour);
    }
  }
  return true;
}

}  // namespace forvik
