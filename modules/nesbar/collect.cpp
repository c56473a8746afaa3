#include "collect.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "frame/turns.h"

namespace nesbar {
namespace {

// The passes' radians to degrees, as the results have always been given.
constexpr double kDegrees = 57.29578;

struct Point {
  double x, y;
};

// Keeps the part of a convex polygon on the side of one axis-parallel line:
// axis 0 for x, 1 for y; keep v >= bound when lower, v <= bound otherwise.
int ClipPolygon(const Point* in, int n, Point* out, int axis, double bound, bool lower) {
  const auto inside = [&](const Point& p) {
    const double v = axis == 0 ? p.x : p.y;
    return lower ? v >= bound : v <= bound;
  };
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const Point& a = in[i];
    const Point& b = in[(i + 1) % n];
    const bool ia = inside(a), ib = inside(b);
    if (ia) out[m++] = a;
    if (ia != ib) {
      const double va = axis == 0 ? a.x : a.y, vb = axis == 0 ? b.x : b.y;
      const double t = (bound - va) / (vb - va);
      out[m++] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    }
  }
  return m;
}

}  // namespace

double ShareOnFrame(double cx, double cy, double w, double h, double degrees, int width, int height) {
  const double area = w * h;
  if (!(area > 0)) return 0.0;
  const double t = degrees / kDegrees, c = std::cos(t), s = std::sin(t);
  // Four corners, and at most two more per clipping line.
  Point a[12], b[12];
  int n = 0;
  for (auto [u, v] : {std::pair{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}}) {
    a[n++] = {cx + u * w * c - v * h * s, cy + u * w * s + v * h * c};
  }
  n = ClipPolygon(a, n, b, 0, -0.5, true);
  n = ClipPolygon(b, n, a, 0, width - 0.5, false);
  n = ClipPolygon(a, n, b, 1, -0.5, true);
  n = ClipPolygon(b, n, a, 1, height - 0.5, false);
  double twice = 0;
  for (int i = 0; i < n; ++i) {
    const Point& p = a[i];
    const Point& q = a[(i + 1) % n];
    twice += p.x * q.y - q.x * p.y;
  }
  return std::min(1.0, std::fabs(twice) / 2 / area);
}

float CollectMatches(const float* rgb, int width, int height, int patternWidth, int patternHeight, int maxMatches,
                     const SearchedAngles& angles, gpu::CList& results) {
  gpu::CList sorted;
  sorted.Append(new CSortListElem(-1000, -1000, 0.0f, 0.0f, 1.0f));  // the sentinel stays last
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const float* px = rgb + (static_cast<size_t>(row) * width + col) * 3;
      const float score = px[0];
      if (score == 0.0f || std::isnan(score)) continue;
      const double degrees = px[1] * kDegrees;
      if (!angles.Contains(degrees) ||
          ShareOnFrame(col, row, patternWidth * px[2], patternHeight * px[2], degrees, width, height) <
              1.0 - kOffFrameShare) {
        continue;
      }
      CSortListElem* nearest = nullptr;
      CSortListElem* place = nullptr;
      float nearestDistance = 1e30f;
      for (gpu::CListElem* e = sorted.head; e; e = e->next) {
        auto* s = static_cast<CSortListElem*>(e);
        if (s->score <= 0.0f) {
          if (!place) place = s;  // the sentinel
          continue;
        }
        const float d = std::hypot(static_cast<float>(s->x - col), static_cast<float>(s->y - row));
        if (d < nearestDistance) {
          nearestDistance = d;
          nearest = s;
        }
        if (!place && s->score < score) place = s;
      }
      auto* made = new CSortListElem(col, row, score, px[1], px[2]);
      const float c = patternWidth * made->scale, d = patternHeight * made->scale;
      if (nearest && nearestDistance < 0.75f * std::min(c, d)) {
        if (score > nearest->score) {
          // The insertion place may be the element removed: look for it again.
          sorted.SetCurrent(nearest);
          sorted.RemoveCurrent();
          delete nearest;
          place = nullptr;
          for (gpu::CListElem* e = sorted.head; e && !place; e = e->next) {
            auto* s = static_cast<CSortListElem*>(e);
            if (s->score <= 0.0f || s->score < score) place = s;
          }
        } else {
          delete made;
          continue;
        }
      }
      sorted.SetCurrent(place);
      sorted.InsertBeforeCurrent(made);
    }
  }
  results.DeleteAll();
  float lastScale = 1.0f;
  int taken = 0;
  for (gpu::CListElem* e = sorted.head; e && taken < maxMatches; e = e->next) {
    auto* s = static_cast<CSortListElem*>(e);
    if (s->score <= 0.0f) continue;
    auto* r = new CResultListElem();
    r->x = s->x;
    r->y = s->y;
    r->angle = frame::FullTurn(s->angle * kDegrees);
    r->centreX = s->x;
    r->centreY = s->y;
    r->width = patternWidth * s->scale;
    r->height = patternHeight * s->scale;
    r->rectangleAngle = r->angle;
    // Single-precision sums can land a rounding above 1.
    r->correlation = std::min(s->score, 1.0f);
    r->scale = s->scale;
    lastScale = s->scale;
    results.Append(r);
    ++taken;
  }
  sorted.DeleteAll();
  return lastScale;
}

}  // namespace nesbar
