// crop: the part of the frame under a region's axis-aligned box, bounds
// rounded by + 0.5 and cut to the frame.
#include <algorithm>

#include "geometry.h"

namespace ilvant {
namespace {

constexpr std::u16string_view kNoRegion = u"error: Cannot get input parameterInput region";

// trunc(v) of a bound already limited to [0, n] (NaN counts as 0).
int Bound(float v, int n) {
  if (!(v > 0.f)) return 0;
  return v >= static_cast<float>(n) ? n : static_cast<int>(v);
}

}  // namespace

bool RunCrop(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");

  const ParamName name = InputName(a, 1);
  TRectangularRegion* region = nullptr;
  if (!name.ok) return a.fail(kNoRegion);
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  if (!GetRectangularRegion(a.ctx, 63, name.c_str(), 0, &region) || !region) return a.fail(kNoRegion);

  const float tw = std::trunc(geometry::ToFloat(region->width));
  const float th = std::trunc(geometry::ToFloat(region->height));
  const float hw = tw * 0.5f;
  const float hh = th * 0.5f;
  const float cx = geometry::ToFloat(region->cx);
  const float cy = geometry::ToFloat(region->cy);
  const int x0 = Bound(cx - hw + 0.5f, in.width);
  const int x1 = Bound(cx + hw + 0.5f, in.width);
  const int y0 = Bound(cy - hh + 0.5f, in.depth);
  const int y1 = Bound(cy + hh + 0.5f, in.depth);
  if (tw == 0.f || th == 0.f || x1 <= x0 || y1 <= y0) return a.fail(kZeroDimension);

  FrameRows out;
  if (!OutputRows(a, 0, x1 - x0, y1 - y0, in.bpp, &out)) return a.fail(kNoOutputFrame);
  if (in.bpp != 8 && in.bpp != 24 && in.bpp != 32) return true;

  const int bytes = in.bpp / 8;
  const size_t rowBytes = static_cast<size_t>(x1 - x0) * bytes;
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < out.depth; ++y) std::memcpy(out.row(y), in.row(y0 + y) + x0 * bytes, rowBytes);
  return true;
}

}  // namespace ilvant
