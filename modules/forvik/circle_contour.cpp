// Circle detection by object contour.
#include "circle_drawing.h"
#include "frame/input_params.h"
#include "run_io.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr double kGradientScale = 360.62445840513925;  // the largest edge contrast, 255 x sqrt(2)

}  // namespace

// Inputs shared by the contour circle and ring methods.
ContourCircleInputs ReadContourCircleInputs(const RunArgs& a, const Frame* f) {
  ContourCircleInputs in;
  in.region = RegionAt(a, 1);
  in.scanLines = in.region ? frame::TruncateToInt(in.region->height * 0.03125) : GetFrameDepth(f) / 32;
  if (const double* n = NumberAt(a, 2); n && frame::TruncateToInt(*n) >= 1) in.scanLines = frame::TruncateToInt(*n);
  if (const double* t = NumberAt(a, 3)) in.threshold = frame::TruncateToInt(*t * kGradientScale);
  if (const double* q = NumberAt(a, 4)) {
    if (*q < 0 || *q > 1) {
      const ParamName name = InputName(a, 4);
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(*q), 0.82f);
    } else {
      in.tolerance = static_cast<float>((1 - *q) * 5 + 0.1);
    }
  }
  in.arcs = FlagAt(a, 5, true);
  in.show = FlagAt(a, 6, true);
  return in;
}

bool CCircleDetectionByContour::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const ContourCircleInputs in = ReadContourCircleInputs(a, f);
  int last = -1;
  if (!DetectContourCircles(f, in.region, a.ctx, in.scanLines, in.threshold, in.tolerance, in.arcs, in.show, true,
                            &last) ||
      last < 0)
    return a.fail(u"There are no detected circles or arcs");

  SetOutputMaxIndex(a, 1, last);
  for (int i = 0; i <= last; ++i) {
    const CircleCandidate& c = candidates[static_cast<size_t>(i)];
    if (TRing* r = OutputElement<TRing>(a, 1, i, GetRing)) *r = {c.x, c.y, c.radius, 0, 0, 0};
  }
  WriteNumber(a, 0, last + 1);

  if (in.show) {
    const CircleMarks marks(a.ctx, f, endMarkRadius);
    for (int i = 0; i <= last; ++i) {
      const CircleCandidate& c = candidates[static_cast<size_t>(i)];
      marks.Circle(c.x, c.y, c.radius);
    }
  }
  return true;
}

}  // namespace forvik
