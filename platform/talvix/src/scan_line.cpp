// ScanLine: the pixels of a straight line, in order from its first end.
#include "scan_geometry.hpp"

using namespace talvix::geom;

extern "C" {

void ScanLine(const Frame* f, const TRectangularRegion* region, const TLine* line, int mode, void* user,
              PixelCallback cb) {
  FrameView view(f);
  if (!view.ok || !line || !cb) return;
  if (!std::isfinite(line->x0) || !std::isfinite(line->y0) || !std::isfinite(line->x1) || !std::isfinite(line->y1))
    return;
  Rect rect;
  if (region) {
    rect = RegionOrFrame(region, view);
    if (!rect.ok) return;
  }
  const LineWalk walk = SnapLine(line->x0, line->y0, line->x1, line->y1, view.w, view.d);
  // The line is not clipped to the region first: positions stay those of the
  // whole line, and pixels outside the region are skipped.
  WithPick(PickFor(view.bpp, mode), [&](auto pick) {
    constexpr Pick P = decltype(pick)::value;
    walk.walk(view.w, view.d, [&](int x, int y) {
      if (region && !rect.contains(x, y)) return true;
      return cb(user, x, y, Value<P>(view.row(y) + int64_t{x} * view.bytes));
    });
    return 0;
  });
}

}  // extern "C"
