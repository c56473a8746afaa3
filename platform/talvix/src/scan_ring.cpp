// Rings and ring regions: the circle scan, concentric arcs, spokes and point
// membership. Radii are unordered; a sweep of 0 modulo 360, or of a full turn
// or more, is the whole ring.
#include <limits>

#include "scan_geometry.hpp"

using namespace talvix::geom;

namespace {

// A ring scan of a huge radius is cut to this many samples.
constexpr int64_t kMaxRingSamples = int64_t{1} << 26;

struct Annulus {
  double cx = 0, cy = 0, rin = 0, rout = 0, a1 = 0, sweep = 0;  // sweep in [0, 360), 0 = full turn
  bool ok = false;
  bool full() const { return sweep == 0; }
};

double Sweep(double a1, double a2) {
  double s = std::fmod(a2 - a1, 360.0);
  if (s < 0) s += 360.0;
  return s >= 360.0 ? 0.0 : s;
}

Annulus MakeAnnulus(double cx, double cy, double r1, double r2, double a1, double a2) {
  Annulus a;
  a.ok = std::isfinite(cx) && std::isfinite(cy) && std::isfinite(r1) && std::isfinite(r2) && std::isfinite(a1) &&
         std::isfinite(a2);
  if (!a.ok) return a;
  a.cx = cx;
  a.cy = cy;
  a.rin = std::min(r1, r2);
  a.rout = std::max(r1, r2);
  a.a1 = a1;
  // A span of a full turn or more, either way, is the whole ring, not its
  // remainder: 0 to 720.5 is not a half-degree sliver.
  a.sweep = std::abs(a2 - a1) >= 360.0 ? 0.0 : Sweep(a1, a2);
  return a;
}

// A null ring region: centre of the frame, radius 0 to half the smaller side,
// full turn.
Annulus RegionOrDefault(const TRingRegion* r, const FrameView& v) {
  if (r) return MakeAnnulus(r->cx, r->cy, r->r1, r->r2, r->a1, r->a2);
  if (!v.ok) return {};
  return MakeAnnulus(v.w / 2.0, v.d / 2.0, 0, std::min(v.w, v.d) / 2.0, 0, 0);
}

}  // namespace

extern "C" {

// Walks radius 1 from a1 in increasing angle, one sample per step pixels of
// arc: a full circle gives ceil(2 pi r / step) samples (the start is not
// repeated), an arc floor(sweep r / step) + 1 with both ends.
void ScanRing(const Frame* f, const TRing* ring, int mode, void* user, int step, PixelCallback cb) {
  FrameView view(f);
  if (!view.ok || !ring || !cb) return;
  Annulus a = MakeAnnulus(ring->cx, ring->cy, ring->r1, ring->r1, ring->a1, ring->a2);
  if (!a.ok) return;
  double r = ring->r1, stepPx = step < 1 ? 1.0 : step;
  int64_t n = 1;
  if (r >= 0.5) {
    // A circle that cannot meet the frame gives nothing.
    if (a.cx + r < -0.5 || a.cy + r < -0.5 || a.cx - r > view.w - 0.5 || a.cy - r > view.d - 0.5) return;
    double len = a.full() ? 2 * M_PI * r : a.sweep * (M_PI / 180.0) * r;
    double samples = a.full() ? std::ceil(len / stepPx) : std::floor(len / stepPx) + 1;
    n = static_cast<int64_t>(std::min(samples, double(kMaxRingSamples)));
  }
  double spacing = a.full() ? 360.0 / n : (n > 1 ? a.sweep / (n - 1) : 0.0);
  bool delivered = false;
  int64_t lastX = 0, lastY = 0;
  for (int64_t k = 0; k < n; ++k) {
    int64_t x, y;
    if (r < 0.5) {
      x = Snap(a.cx);
      y = Snap(a.cy);
    } else {
      SinCos t = SinCosDeg(a.a1 + k * spacing);
      x = Snap(a.cx + r * t.c);
      y = Snap(a.cy + r * t.s);
    }
    if (!view.inside(x, y) || (delivered && x == lastX && y == lastY)) continue;
    delivered = true;
    lastX = x;
    lastY = y;
    if (!cb(user, static_cast<int>(x), static_cast<int>(y), PixelValue(view, x, y, mode))) return;
  }
}

// Arc i of arcs: radius rin + (i + 0.5)(rout - rin) / arcs over the region's sweep.
bool GetScanRingRegionArc(const Frame* f, const TRingRegion* region, int arcs, int i, TRing* arc) {
  Annulus a = RegionOrDefault(region, FrameView(f));
  if (!a.ok || arcs < 1 || i < 0 || i >= arcs) {
    if (arc) *arc = TRing{};
    return false;
  }
  double r = a.rin + (i + 0.5) * (a.rout - a.rin) / arcs;
  if (arc) *arc = TRing{a.cx, a.cy, r, r, a.a1, a.a1 + a.sweep};
  return true;
}

// Spoke i of count, from the inner to the outer radius: spread over a full
// turn, or over the sweep with both edges (the middle angle for one spoke).
bool GetScanRingRegionSpoke(const Frame* f, const TRingRegion* region, int count, int i, int* x0, int* y0, int* x1,
                            int* y1) {
  FrameView view(f);
  Annulus a = RegionOrDefault(region, view);
  auto refuse = [&] {
    for (int* p : {x0, y0, x1, y1})
      if (p) *p = 0;
    return false;
  };
  if (!view.ok || !a.ok || count < 1 || i < 0 || i >= count) return refuse();
  double angle = a.full()     ? a.a1 + i * 360.0 / count
                 : count == 1 ? a.a1 + a.sweep / 2
                              : a.a1 + i * a.sweep / (count - 1);
  SinCos t = SinCosDeg(angle);
  const LineWalk line = SnapLine(a.cx + a.rin * t.c, a.cy + a.rin * t.s, a.cx + a.rout * t.c,
                                 a.cy + a.rout * t.s, view.w, view.d);
  if (!line.touches(view.w, view.d)) return refuse();
  if (x0) *x0 = ClampInt(line.x0);
  if (y0) *y0 = ClampInt(line.y0);
  if (x1) *x1 = ClampInt(line.x1);
  if (y1) *y1 = ClampInt(line.y1);
  return true;
}

// rin <= |p - c| <= rout with the direction inside the sweep (edges
// included). A null region means the frame.
bool PixelInRingRegion(const Frame* f, const TRingRegion* region, TPoint p) {
  if (!region) {
    FrameView view(f);
    return RegionOrFrame(nullptr, view).contains(p.x, p.y);
  }
  Annulus a = RegionOrDefault(region, FrameView(f));
  if (!a.ok) return false;
  double dx = p.x - a.cx, dy = p.y - a.cy, dist = std::hypot(dx, dy);
  if (dist < a.rin || dist > a.rout) return false;
  if (a.full() || dist == 0) return true;
  // A little slack keeps directions computed exactly on an edge inside.
  constexpr double kEdge = 1e-9;
  double off = Sweep(a.a1, std::atan2(dy, dx) * (180.0 / M_PI));
  return off <= a.sweep + kEdge || off >= 360.0 - kEdge;
}

}  // extern "C"
