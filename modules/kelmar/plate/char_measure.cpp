#include "plate/char_measure.h"

#include <cmath>

#include "frame/image_stats.h"
#include "talvix.h"

namespace kelmar::plate {
namespace {

struct RunState {
  bool dark = false;
  int leading = 0;
  int total = 0;
};

bool RunPixel(void* user, int, int, unsigned value) {
  auto* s = static_cast<RunState*>(user);
  if (!s->dark) {
    ++s->leading;
    ++s->total;
    if (value < kInkThreshold) s->dark = true;
    return true;
  }
  ++s->total;
  return value <= kInkThreshold;
}

struct CrossState {
  const Frame* image;
  CrossDirection direction;
  bool skip = false;
  bool first = true;
  bool dark = false;
  int count = 0;
};

bool CrossPixel(void* user, int x, int y, unsigned value) {
  auto* s = static_cast<CrossState*>(user);
  static constexpr int kDx[] = {1, -1, 0, 0};
  static constexpr int kDy[] = {0, 0, -1, 1};
  const unsigned next = frame::GetPixelIntensity(s->image, x + kDx[s->direction], y + kDy[s->direction]);
  if (s->skip) {
    s->skip = false;
    return true;
  }
  if (s->first) {
    s->first = false;
    if (value < kInkThreshold && next < kInkThreshold) s->dark = true;
  }
  if (!s->dark) {
    if (value < kInkThreshold && next < kInkThreshold) {
      ++s->count;
      s->skip = true;
      s->dark = true;
    }
  } else if (value > kInkThreshold && next > kInkThreshold) {
    s->skip = true;
    s->dark = false;
  }
  return true;
}

}  // namespace

RunCounts RunScan(const Frame* image, double x0, double y0, double x1, double y1) {
  RunState s;
  const TLine line{x0, y0, x1, y1};
  ScanLine(image, nullptr, &line, 1, &s, RunPixel);
  return {s.leading, s.total};
}

int CrossingScan(const Frame* image, double x0, double y0, double x1, double y1, CrossDirection direction,
                 int start) {
  CrossState s{image, direction};
  s.count = start;
  const TLine line{x0, y0, x1, y1};
  ScanLine(image, nullptr, &line, 1, &s, CrossPixel);
  return s.count;
}

void Profile::finish() {
  kmax = 2;
  for (int i = 3; i <= n - 3; ++i)
    if (v[i] > v[kmax]) kmax = i;
  if (n == 0) return;
  kmin = 0;
  for (int i = 1; i < n; ++i)
    if (v[i] < v[kmin]) kmin = i;
  hasRange = kmax < n;
  if (hasRange) range = v[kmax] - v[kmin];
  const int low = v[kmin];
  for (int i = 0; i < n; ++i) v[i] -= low;
}

std::optional<Stat> StatOf(const Profile& p, int start, int count) {
  if (count <= 0) return Stat{0, 0};
  if (start < 0 || start + count > p.n) return std::nullopt;
  float mean = 0;
  const float s = frame::RowMeanAndStdDev(p.v + start, count, 0, &mean);
  return Stat{mean, s};
}

std::optional<Extreme> Largest(const Profile& p, int start, int count) {
  if (count <= 0 || start < 0 || start + count > p.n) return std::nullopt;
  Extreme e{p.v[start], start};
  for (int i = start + 1; i < start + count; ++i)
    if (p.v[i] > e.value) e = {p.v[i], i};
  return e;
}

std::optional<Extreme> Smallest(const Profile& p, int start, int count) {
  if (count <= 0 || start < 0 || start + count > p.n) return std::nullopt;
  Extreme e{p.v[start], start};
  for (int i = start + 1; i < start + count; ++i)
    if (p.v[i] < e.value) e = {p.v[i], i};
  return e;
}

namespace {

// In place, k = 1 .. N-1 in order: a lone peak or dip takes the value of the
// neighbour it differs less from.
void Smooth(Profile& p, double w, bool peaks) {
  for (int k = 1; k + 1 < p.n; ++k) {
    const int d1 = p.v[k] - p.v[k - 1];
    const int d2 = p.v[k] - p.v[k + 1];
    if ((peaks && d1 > w / 5 && d2 > w / 5) || (d1 < -1 && d2 < -1))
      p.v[k] = std::abs(d1) < std::abs(d2) ? p.v[k - 1] : p.v[k + 1];
  }
}

}  // namespace

void MeasureProfiles(const BoxFrame& b, BoxProfiles& out) {
  out = BoxProfiles{};
  const double w = b.w, h = b.h;
  ForFractions(0.06, std::max(0.04, 1.0 / h), 0.95, false, [&](double f) {
    const bool inner = 0.13 < f && f < 0.87;
    const int l = RunScan(b.image, b.px(0, f) - 1, b.py(0, f), b.px(1, f), b.py(1, f)).leading;
    if (l < w - 1 || inner) out.left.push(l);
    const int r = RunScan(b.image, b.px(1, f), b.py(1, f), b.px(0, f), b.py(0, f)).leading;
    if (r < w - 1 || inner) out.right.push(r);
  });
  ForFractions(0.06, std::max(0.04, 1.0 / w), 0.95, false, [&](double f) {
    const bool inner = 0.07 < f && f < 0.9;
    const int q = RunScan(b.image, b.px(f, 1), b.py(f, 1) + 1, b.px(f, 0), b.py(f, 0)).leading;
    if (q < h + 1 && (inner || q < 0.25 * h)) out.bottom.push(q);
    const int u = RunScan(b.image, b.px(f, 0), b.py(f, 0), b.px(f, 1), b.py(f, 1) + 2).leading;
    if (u < h + 1 && (inner || u < 0.25 * h)) out.top.push(u);
  });
  Smooth(out.left, w, true);
  Smooth(out.right, w, false);
  out.left.finish();
  out.right.finish();
  out.bottom.finish();
  out.top.finish();
}

}  // namespace kelmar::plate
