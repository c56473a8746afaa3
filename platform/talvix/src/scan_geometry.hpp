// Shared pieces of the scans and region functions: frame access from the
// header, pixel values by mode, snapping, exact angle trigonometry, region
// membership and the integer line walk. Everything here is pure.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "talvix.h"

namespace talvix::geom {

// A frame as the scans see it, read from the header alone (module-built
// frames have no other record). ok is false for null frames, empty
// geometry and depths other than 8, 24 and 32.
struct FrameView {
  int w = 0, d = 0, bpp = 0, bytes = 0;
  int64_t stride = 0;
  const uint8_t* data = nullptr;
  bool ok = false;

  explicit FrameView(const Frame* f) {
    if (!f) return;
    w = f->biWidth;
    d = f->biHeight;
    bpp = f->biBitCount;
    if (w <= 0 || d <= 0 || (bpp != 8 && bpp != 24 && bpp != 32)) return;
    bytes = bpp / 8;
    stride = (int64_t{w} * bpp + 31) / 32 * 4;
    data = reinterpret_cast<const uint8_t*>(f) + f->biSize;
    ok = true;
  }
  bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < w && y < d; }
  const uint8_t* row(int64_t y) const { return data + y * stride; }
};

// How a pixel becomes the value handed to a callback.
enum class Pick { Grey8, Packed8, Grey, Packed24, Packed32, Red, Green, Blue };

inline Pick PickFor(int bpp, int mode) {
  if (bpp == 8) return mode == 0 || mode == 5 ? Pick::Packed8 : Pick::Grey8;
  switch (mode) {
    case 0:
    case 5:
      return bpp == 24 ? Pick::Packed24 : Pick::Packed32;
    case 2:
      return Pick::Red;
    case 3:
      return Pick::Green;
    case 4:
      return Pick::Blue;
    default:
      return Pick::Grey;
  }
}

// p points at the pixel's first byte (B, G, R(, A)).
template <Pick P>
inline unsigned Value(const uint8_t* p) {
  if constexpr (P == Pick::Grey8) return p[0];
  if constexpr (P == Pick::Packed8) return 0xFF000000u | p[0] * 0x010101u;
  if constexpr (P == Pick::Grey) return (unsigned{p[0]} + p[1] + p[2]) / 3;
  if constexpr (P == Pick::Packed24) return 0xFF000000u | unsigned{p[2]} << 16 | unsigned{p[1]} << 8 | p[0];
  if constexpr (P == Pick::Packed32) return unsigned{p[3]} << 24 | unsigned{p[2]} << 16 | unsigned{p[1]} << 8 | p[0];
  if constexpr (P == Pick::Red) return p[2];
  if constexpr (P == Pick::Green) return p[1];
  if constexpr (P == Pick::Blue) return p[0];
  return 0;
}

// Calls fn with the Pick as a compile-time constant, so that pixel loops
// carry no per-pixel switch.
template <class Fn>
inline auto WithPick(Pick pick, Fn&& fn) {
  using C = std::integral_constant<Pick, Pick::Grey8>;
  switch (pick) {
    case Pick::Grey8:
      return fn(C{});
    case Pick::Packed8:
      return fn(std::integral_constant<Pick, Pick::Packed8>{});
    case Pick::Grey:
      return fn(std::integral_constant<Pick, Pick::Grey>{});
    case Pick::Packed24:
      return fn(std::integral_constant<Pick, Pick::Packed24>{});
    case Pick::Packed32:
      return fn(std::integral_constant<Pick, Pick::Packed32>{});
    case Pick::Red:
      return fn(std::integral_constant<Pick, Pick::Red>{});
    case Pick::Green:
      return fn(std::integral_constant<Pick, Pick::Green>{});
    case Pick::Blue:
      return fn(std::integral_constant<Pick, Pick::Blue>{});
  }
  return fn(C{});
}

inline unsigned PixelValue(const FrameView& v, int64_t x, int64_t y, int mode) {
  const uint8_t* p = v.row(y) + x * v.bytes;
  return WithPick(PickFor(v.bpp, mode), [p](auto pick) { return Value<decltype(pick)::value>(p); });
}

// Snapped coordinates are kept within this bound so that the exact integer
// arithmetic of the line walk cannot overflow on wild inputs.
inline constexpr int64_t kCoordLimit = int64_t{1} << 29;

// A real coordinate to its pixel: nearest, halves downwards.
inline int64_t Snap(double t) {
  double s = std::ceil(t - 0.5);
  if (!(s > -double(kCoordLimit))) return -kCoordLimit;  // NaN too
  if (s > double(kCoordLimit)) return kCoordLimit;
  return static_cast<int64_t>(s);
}

inline int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

struct SinCos {
  double s, c;
};

// Exact at multiples of 90 degrees, so that axis-aligned and quarter-turned
// regions keep their integer and half-integer edges.
inline SinCos SinCosDeg(double deg) {
  double r = std::fmod(deg, 360.0);
  if (r < 0) r += 360.0;
  if (r == 0.0 || r == 360.0) return {0.0, 1.0};
  if (r == 90.0) return {1.0, 0.0};
  if (r == 180.0) return {0.0, -1.0};
  if (r == 270.0) return {-1.0, 0.0};
  double a = r * (M_PI / 180.0);
  return {std::sin(a), std::cos(a)};
}

// A region's angle within this many degrees of a quarter turn is that
// quarter turn: pixel centres on an edge must not move across it with the
// sign of a tiny turn (360.0000001 is 1e-7 past a full turn).
inline constexpr double kQuarterTurnSlack = 1e-6;

// The angle in [0, 360), moved onto a quarter turn that lies within the slack.
inline double RegionAngle(double deg) {
  double r = std::fmod(deg, 360.0);
  if (r < 0) r += 360.0;
  const double q = 90.0 * std::round(r / 90.0);
  if (std::abs(r - q) <= kQuarterTurnSlack) r = q == 360.0 ? 0.0 : q;
  return r;
}

// A rectangular region with its axes u = (c, s) and v = (-s, c).
struct Rect {
  double cx = 0, cy = 0, hw = 0, hh = 0, c = 1, s = 0;
  // Half a turn gives the same rectangle, but half-open bounds in its own
  // axes would open the other edges: at 180 and 270 membership is taken in
  // the axes of 0 and 90.
  bool halfTurned = false;
  bool ok = false;

  Rect() = default;
  Rect(double x, double y, double w, double h, double angle) : cx(x), cy(y), hw(w / 2), hh(h / 2) {
    const double r = RegionAngle(angle);
    SinCos t = SinCosDeg(r);
    c = t.c;
    s = t.s;
    halfTurned = r == 180.0 || r == 270.0;
    ok = std::isfinite(x) && std::isfinite(y) && std::isfinite(w) && std::isfinite(h) && std::isfinite(angle);
  }
  double u(double px, double py) const { return (px - cx) * c + (py - cy) * s; }
  double v(double px, double py) const { return -(px - cx) * s + (py - cy) * c; }
  // Half-open membership: -w/2 <= u < w/2 and -h/2 <= v < h/2 (in the
  // half-turned axes at 180 and 270).
  bool contains(double px, double py) const {
    if (!ok) return false;
    double uu = u(px, py), vv = v(px, py);
    if (halfTurned) {
      uu = -uu;
      vv = -vv;
    }
    return uu >= -hw && uu < hw && vv >= -hh && vv < hh;
  }
  double x(double uu, double vv) const { return cx + uu * c - vv * s; }
  double y(double uu, double vv) const { return cy + uu * s + vv * c; }
};

// The given region, or the whole frame (centre (W/2, D/2), W x D, angle 0).
inline Rect RegionOrFrame(const TRectangularRegion* r, const FrameView& v) {
  if (r) return Rect(r->cx, r->cy, r->width, r->height, r->angle);
  if (!v.ok) return Rect();
  return Rect(v.w / 2.0, v.d / 2.0, v.w, v.d, 0.0);
}

// Narrows [lo, hi] to the parameters s where a + s * b lies in the closed
// interval [mn, mx]; false when nothing is left.
inline bool ClipSlab(double a, double b, double mn, double mx, double& lo, double& hi) {
  if (b == 0) return a >= mn && a <= mx && lo <= hi;
  double s0 = (mn - a) / b, s1 = (mx - a) / b;
  if (s0 > s1) std::swap(s0, s1);
  lo = std::max(lo, s0);
  hi = std::min(hi, s1);
  return lo <= hi;
}

// The pixels of the line between two snapped ends: n = max(|dx|, |dy|) + 1
// pixels, the major coordinate one per step, the minor one rounded half
// away from zero in exact integer arithmetic.
struct LineWalk {
  int64_t x0, y0, x1, y1;

  // Calls fn(x, y) for the pixels inside a w x d frame, in order, until fn
  // answers false. Pixels outside are skipped without a call; the walk only
  // covers the steps whose major coordinate lies in the frame, so its cost
  // is bounded by the frame whatever the line. False when fn stopped it.
  template <class Fn>
  bool walk(int w, int d, Fn&& fn) const {
    int64_t dx = x1 - x0, dy = y1 - y0;
    bool xMajor = std::abs(dx) >= std::abs(dy);
    int64_t maj0 = xMajor ? x0 : y0, min0 = xMajor ? y0 : x0;
    int64_t dMaj = xMajor ? dx : dy, dMin = xMajor ? dy : dx;
    int64_t majLimit = xMajor ? w : d, minLimit = xMajor ? d : w;
    int64_t steps = std::abs(dMaj);
    int64_t kLo = 0, kHi = steps;
    if (dMaj > 0) {
      kLo = std::max<int64_t>(0, -maj0);
      kHi = std::min<int64_t>(steps, majLimit - 1 - maj0);
    } else if (dMaj < 0) {
      kLo = std::max<int64_t>(0, maj0 - (majLimit - 1));
      kHi = std::min<int64_t>(steps, maj0);
    } else if (maj0 < 0 || maj0 >= majLimit) {
      return true;
    }
    if (kLo > kHi) return true;
    int64_t majStep = dMaj > 0 ? 1 : -1;
    int64_t minSign = dMin < 0 ? -1 : 1;
    // minor offset at step k: sign * floor((2k|dMin| + steps) / (2 steps)), kept as quotient q and remainder r
    int64_t twoN = 2 * steps, inc = 2 * std::abs(dMin);
    int64_t q = 0, r = 0;
    if (steps > 0) {
      int64_t num = kLo * inc + steps;
      q = num / twoN;
      r = num % twoN;
    }
    for (int64_t k = kLo; k <= kHi; ++k) {
      int64_t maj = maj0 + majStep * k, mnr = min0 + minSign * q;
      if (mnr >= 0 && mnr < minLimit) {
        bool go = xMajor ? fn(static_cast<int>(maj), static_cast<int>(mnr))
                         : fn(static_cast<int>(mnr), static_cast<int>(maj));
        if (!go) return false;
      }
      r += inc;
      if (r >= twoN && twoN > 0) {
        r -= twoN;
        ++q;
      }
    }
    return true;
  }

  // True when at least one pixel of the line lies in a w x d frame.
  bool touches(int w, int d) const {
    return !walk(w, d, [](int, int) { return false; });
  }
};

// The walk between two real ends in a w x d frame. Ends within the snapping
// bound are snapped as they are. Snapping a line that reaches past the bound
// would clamp x and y separately and so turn it; such a line is first cut to
// the frame and a pixel round it, keeping its direction (an end already
// there stays exact). A line that misses the frame gives a walk that does
// not touch it.
inline LineWalk SnapLine(double x0, double y0, double x1, double y1, int w, int d) {
  const double bound = double(kCoordLimit) - 1;
  const auto within = [bound](double t) { return std::abs(t) < bound; };
  if ((within(x0) && within(y0) && within(x1) && within(y1)) || !std::isfinite(x0) || !std::isfinite(y0) ||
      !std::isfinite(x1) || !std::isfinite(y1)) {
    return {Snap(x0), Snap(y0), Snap(x1), Snap(y1)};
  }
  // In halves, so that the difference of two ends near the largest double
  // stays finite.
  const double ax = x0 / 2, ay = y0 / 2, bx = x1 / 2 - ax, by = y1 / 2 - ay;
  double lo = 0, hi = 1;
  if (!ClipSlab(ax, bx, -0.5, w / 2.0, lo, hi) || !ClipSlab(ay, by, -0.5, d / 2.0, lo, hi)) {
    return {-1, -1, -1, -1};
  }
  const auto at = [](double s, double a, double b, double end) { return s == 1 ? end : 2 * (a + s * b); };
  return {Snap(at(lo, ax, bx, x1)), Snap(at(lo, ay, by, y1)), Snap(at(hi, ax, bx, x1)), Snap(at(hi, ay, by, y1))};
}

}  // namespace talvix::geom
