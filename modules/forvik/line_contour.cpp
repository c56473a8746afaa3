// Line detection by object contour: traced borders cut into segments.
#include <cstdlib>

#include "frame/input_params.h"
#include "line_drawing.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr double kGradientScale = 360.62445840513925;  // the largest edge contrast, 255 x sqrt(2)
constexpr float kAngleTolerance = 0.15f;

}  // namespace

bool CLineDetectionByContour::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const TRectangularRegion* region = RegionAt(a, 1);
  int hLines = 1, vLines = 1, contrast = 72;
  float maxResidual = 1.0f;
  if (const double* n = NumberAt(a, 2)) hLines = frame::TruncateToInt(*n);
  if (const double* n = NumberAt(a, 3)) vLines = frame::TruncateToInt(*n);
  if (const double* t = NumberAt(a, 4)) contrast = frame::TruncateToInt(*t * kGradientScale);
  if (const double* q = NumberAt(a, 5)) {
    if (*q < 0 || *q > 1) {
      const ParamName name = InputName(a, 5);
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(*q), 0.82f);
    } else {
      maxResidual = static_cast<float>((1 - *q) * 5 + 0.1);
    }
  }
  const bool show = FlagAt(a, 6, true);

  segments.clear();
  Borders borders;
  if (FindBorders(f, region, a.ctx, contrast, hLines, vLines, show, &borders)) {
    const int objects = objectCount;
    int label = 0;
    for (int pos = 0; pos < kMaxEndPoints && pos / 2 < objects && pos / 2 < kLabelSlots; ++pos) {
      if (!borders.valid[pos / 2]) continue;
      const BorderEndPoint& start = endPoints[pos];
      const int sx = static_cast<int>(start.x), sy = static_cast<int>(start.y);
      if (pos % 2 == 0) GetPixelValue(mark.get(), sx, sy, &label);
      mainList.clear();
      int lastX = sx, lastY = sy;
      TraceBorder(label, sx, sy, &mainList, nullptr, &lastX, &lastY);
      objectCount = label;
      const bool closed = std::abs(lastX - sx) <= 4 && std::abs(lastY - sy) <= 4;
      if (mainList.size() >= 3)
        ExtractLineSegments(mainList.xs.data(), mainList.ys.data(), mainList.size() - 1, maxResidual, kAngleTolerance,
                            closed, segments);
    }
  }
  if (segments.empty()) return a.fail(u"There are no detected line segments");
  WriteSegments(a, segments);

  if (show) {
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
