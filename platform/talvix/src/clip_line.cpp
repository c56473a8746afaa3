// ClipLine: a segment cut to a region and the frame, keeping its direction.
#include <limits>

#include "scan_geometry.hpp"

using namespace talvix::geom;

extern "C" {

// Clips to the closed region |u| <= w/2, |v| <= h/2 (none when null) and the
// frame box [0, W-1] x [0, D-1]. When nothing is left the outputs receive the
// unclipped segment, since some callers use them without testing the result.
bool ClipLine(const Frame* f, const TRectangularRegion* region, double x0, double y0, double x1, double y1, double* ox0,
              double* oy0, double* ox1, double* oy1) {
  auto put = [&](double a, double b, double c, double d) {
    if (ox0) *ox0 = a;
    if (oy0) *oy0 = b;
    if (ox1) *ox1 = c;
    if (oy1) *oy1 = d;
  };
  put(x0, y0, x1, y1);
  FrameView view(f);
  if (!view.ok || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return false;
  double dx = x1 - x0, dy = y1 - y0, lo = 0, hi = 1;
  if (!ClipSlab(x0, dx, 0, view.w - 1.0, lo, hi) || !ClipSlab(y0, dy, 0, view.d - 1.0, lo, hi)) return false;
  if (region) {
    Rect r = RegionOrFrame(region, view);
    if (!r.ok) return false;
    double u0 = r.u(x0, y0), v0 = r.v(x0, y0);
    double du = dx * r.c + dy * r.s, dv = -dx * r.s + dy * r.c;
    if (!ClipSlab(u0, du, -r.hw, r.hw, lo, hi) || !ClipSlab(v0, dv, -r.hh, r.hh, lo, hi)) return false;
  }
  // Untouched ends are passed through exactly.
  auto at = [&](double s, double a, double d, double end) { return s == 0 ? a : s == 1 ? end : a + s * d; };
  put(at(lo, x0, dx, x1), at(lo, y0, dy, y1), at(hi, x0, dx, x1), at(hi, y0, dy, y1));
  return true;
}

}  // extern "C"
