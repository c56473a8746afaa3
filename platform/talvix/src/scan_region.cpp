// Rectangular regions: the region scan, point membership and the lower-left
// pixel corner.
#include <limits>

#include "scan_geometry.hpp"

using namespace talvix::geom;

namespace {

// Slack for the analytic row spans; the exact membership test trims them.
constexpr double kSpanSlack = 1e-6;

// The pixels of row y that lie in the region form one run (both local
// coordinates are monotonic along a row); finds its ends, or false.
bool RowSpan(const Rect& r, const FrameView& v, int y, int& xa, int& xb) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  double dy = y - r.cy, lo = -inf, hi = inf;
  if (!ClipSlab(dy * r.s, r.c, -r.hw - kSpanSlack, r.hw + kSpanSlack, lo, hi)) return false;
  if (!ClipSlab(dy * r.c, -r.s, -r.hh - kSpanSlack, r.hh + kSpanSlack, lo, hi)) return false;
  double a = std::max(0.0, std::ceil(r.cx + lo) - 1), b = std::min(v.w - 1.0, std::floor(r.cx + hi) + 1);
  if (!(a <= b)) return false;
  xa = static_cast<int>(a);
  xb = static_cast<int>(b);
  while (xa <= xb && !r.contains(xa, y)) ++xa;
  while (xb >= xa && !r.contains(xb, y)) --xb;
  return xa <= xb;
}

}  // namespace

extern "C" {

void ScanRectangularRegion(const Frame* f, const TRectangularRegion* region, int mode, void* user, PixelCallback cb) {
  FrameView view(f);
  if (!view.ok || !cb) return;
  Rect rect = RegionOrFrame(region, view);
  if (!rect.ok || !(rect.hw > 0) || !(rect.hh > 0)) return;
  double ey = std::abs(rect.s) * rect.hw + std::abs(rect.c) * rect.hh;
  double y0 = std::max(0.0, std::floor(rect.cy - ey) - 1), y1 = std::min(view.d - 1.0, std::ceil(rect.cy + ey) + 1);
  if (!(y0 <= y1)) return;
  WithPick(PickFor(view.bpp, mode), [&](auto pick) {
    constexpr Pick P = decltype(pick)::value;
    for (int y = static_cast<int>(y0); y <= static_cast<int>(y1); ++y) {
      int xa, xb;
      if (!RowSpan(rect, view, y, xa, xb)) continue;
      const uint8_t* p = view.row(y) + int64_t{xa} * view.bytes;
      for (int x = xa; x <= xb; ++x, p += view.bytes) {
        if (!cb(user, x, y, Value<P>(p))) return 0;
      }
    }
    return 0;
  });
}

bool PixelInRectangularRegion(const Frame* f, const TRectangularRegion* region, TPoint p, double, double) {
  // The two trailing values (sine and cosine in either order) are ignored:
  // callers pass them in both orders, and the region carries its own angle.
  if (region) return Rect(region->cx, region->cy, region->width, region->height, region->angle).contains(p.x, p.y);
  FrameView view(f);
  return RegionOrFrame(nullptr, view).contains(p.x, p.y);
}

void CountRectRegionLeftBottomPoint(const TRectangularRegion* region, int* x0, int* y0) {
  double mx = 0, my = 0;
  if (region) {
    Rect r(region->cx, region->cy, region->width, region->height, region->angle);
    if (r.ok) {
      mx = my = std::numeric_limits<double>::infinity();
      for (double su : {-1.0, 1.0}) {
        for (double sv : {-1.0, 1.0}) {
          mx = std::min(mx, r.x(su * r.hw, sv * r.hh));
          my = std::min(my, r.y(su * r.hw, sv * r.hh));
        }
      }
      mx = std::ceil(mx);
      my = std::ceil(my);
    }
  }
  if (x0) *x0 = ClampInt(static_cast<int64_t>(std::clamp(mx, -double(kCoordLimit), double(kCoordLimit))));
  if (y0) *y0 = ClampInt(static_cast<int64_t>(std::clamp(my, -double(kCoordLimit), double(kCoordLimit))));
}

}  // extern "C"
