// Parallel scan lines across a rectangular region and the grid points where
// two families of them cross.
#include <limits>

#include "scan_geometry.hpp"

using namespace talvix::geom;

namespace {

// theta reduced modulo 180 into (-90, 90]: the numbering depends only on the
// line direction modulo a half turn.
double HalfTurnAngle(double theta) {
  double r = std::fmod(theta, 180.0);
  if (r <= -90.0) r += 180.0;
  if (r > 90.0) r -= 180.0;
  return r;
}

// Offset of line i of count across an extent e, measured from the centre.
double LineOffset(int count, int i, double e) { return (i + 0.5) * e / count - e / 2; }

bool Refuse(int* x0, int* y0, int* x1, int* y1) {
  for (int* p : {x0, y0, x1, y1})
    if (p) *p = 0;
  return false;
}

}  // namespace

extern "C" {

// Line i runs along d = (cos(a + theta), sin(a + theta)) and the lines are
// numbered along n = (cos(a + theta' + 90), sin(a + theta' + 90)). So at
// theta 0 line 0 lies at the -v edge and runs -u -> +u; at +90 and -90 line
// 0 lies at the +u edge, running -v -> +v and +v -> -v respectively.
bool GetScanRectangularRegionLine(const Frame* f, const TRectangularRegion* region, int count, int i, double angle,
                                  int* x0, int* y0, int* x1, int* y1) {
  FrameView view(f);
  if (!view.ok || count < 1 || i < 0 || i >= count || !std::isfinite(angle)) return Refuse(x0, y0, x1, y1);
  Rect rect = RegionOrFrame(region, view);
  if (!rect.ok || !(rect.hw > 0) || !(rect.hh > 0)) return Refuse(x0, y0, x1, y1);

  SinCos th = SinCosDeg(angle), thn = SinCosDeg(HalfTurnAngle(angle));
  double e = 2 * rect.hw * std::abs(th.s) + 2 * rect.hh * std::abs(th.c);
  double t = LineOffset(count, i, e);
  // In region coordinates: a point of the line and its direction.
  double pu = -thn.s * t, pv = thn.c * t, du = th.c, dv = th.s;
  double lo = -std::numeric_limits<double>::infinity(), hi = std::numeric_limits<double>::infinity();
  if (!ClipSlab(pu, du, -rect.hw, rect.hw, lo, hi) || !ClipSlab(pv, dv, -rect.hh, rect.hh, lo, hi))
    return Refuse(x0, y0, x1, y1);
  // Half a pixel in from each edge, so that the ends are pixels of the region.
  if (hi - lo >= 1) {
    lo += 0.5;
    hi -= 0.5;
  } else {
    lo = hi = (lo + hi) / 2;
  }
  const LineWalk line = SnapLine(rect.x(pu + lo * du, pv + lo * dv), rect.y(pu + lo * du, pv + lo * dv),
                                 rect.x(pu + hi * du, pv + hi * dv), rect.y(pu + hi * du, pv + hi * dv), view.w, view.d);
  if (!line.touches(view.w, view.d)) return Refuse(x0, y0, x1, y1);
  if (x0) *x0 = ClampInt(line.x0);
  if (y0) *y0 = ClampInt(line.y0);
  if (x1) *x1 = ClampInt(line.x1);
  if (y1) *y1 = ClampInt(line.y1);
  return true;
}

// Grid point index = r * vCount + c: where line r of hCount horizontal lines
// (angle 0) crosses line c of vCount vertical lines (angle 90).
bool GetScanPoints(const Frame* f, const TRectangularRegion* region, int vCount, int hCount, int index, int mode,
                   int /*reserved*/, int* x, int* y, unsigned* value) {
  FrameView view(f);
  if (!view.ok || vCount < 1 || hCount < 1 || index < 0 || int64_t{index} >= int64_t{vCount} * hCount) return false;
  Rect rect = RegionOrFrame(region, view);
  if (!rect.ok) return false;
  int r = index / vCount, c = index % vCount;
  double v = LineOffset(hCount, r, 2 * rect.hh);
  double u = -LineOffset(vCount, c, 2 * rect.hw);
  int64_t px = Snap(rect.x(u, v)), py = Snap(rect.y(u, v));
  if (x) *x = ClampInt(px);
  if (y) *y = ClampInt(py);
  if (value) *value = view.inside(px, py) ? PixelValue(view, px, py, mode) : 0;
  return true;
}

}  // extern "C"
