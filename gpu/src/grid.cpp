#include "gpu/grid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace gpu {
namespace {

// Degrees to radians with the factor in single precision.
constexpr float kDegToRad = static_cast<float>(3.14159265358979323846 / 180.0);

// Coordinates far outside any frame are pulled in to this bound before
// they become integers; the grid points inside the frame stay the same.
constexpr double kFar = 1 << 30;

double Clamp(double v) { return std::clamp(v, -kFar, kFar); }

int64_t FirstMultipleAtOrAbove(int64_t v, int64_t step) {
  const int64_t r = v % step;
  return r == 0 ? v : v + step - r;
}

void EmitRect(int64_t x, int64_t y, int64_t w, int64_t h, int stepX, int stepY, int fw, int fh,
              const GridSink& sink) {
  if (stepX < 1 || stepY < 1) return;
  // What lies left of or below the frame is cut off the size, so that the
  // rectangle never grows onto the frame's corner.
  if (x < 0) w += x, x = 0;
  if (y < 0) h += y, y = 0;
  if (w < 0 || h < 0) return;
  if (x + w > fw) w = fw - x;
  if (y + h > fh) h = fh - y;
  const int64_t first = FirstMultipleAtOrAbove(x, stepX);
  if (first >= x + w) return;
  for (int64_t r = FirstMultipleAtOrAbove(y, stepY); r < y + h; r += stepY) {
    for (int64_t c = first; c <= x + w; c += stepX) sink(static_cast<int>(c), static_cast<int>(r));
  }
}

struct Corner {
  double x, y;
};

// x of the edge from p to q at height y; the slope in single precision.
double EdgeX(const Corner& p, const Corner& q, double y) {
  const float slope = q.y == p.y ? 0.0f : static_cast<float>(q.x - p.x) / static_cast<float>(q.y - p.y);
  return p.x + (y - p.y) * static_cast<double>(slope);
}

double RoundHalfAway(double v) { return std::round(v); }

}  // namespace

PlanePoint PixelCentre(int column, int row, int frameWidth, int frameHeight) {
  const float w = static_cast<float>(frameWidth), h = static_cast<float>(frameHeight);
  return {static_cast<float>(column) * kPlaneWidth / w - kPlaneWidth / 2 + kPlaneWidth / 2 / w,
          static_cast<float>(row) * kPlaneHeight / h - kPlaneHeight / 2 + kPlaneHeight / 2 / h};
}

void RegionQuadCorners(const TRectangularRegion& region, int frameWidth, int frameHeight, PlanePoint corners[4]) {
  const float cx = static_cast<float>(region.cx), cy = static_cast<float>(region.cy);
  const float hw = static_cast<float>(region.width) / 2, hh = static_cast<float>(region.height) / 2;
  const float a = static_cast<float>(region.angle) * kDegToRad;
  const float c = std::cos(a), s = std::sin(a);
  const float u[4] = {-hw, hw, hw, -hw};
  const float v[4] = {-hh, -hh, hh, hh};
  for (int i = 0; i < 4; ++i) {
    const float x = cx + u[i] * c - v[i] * s;
    const float y = cy + u[i] * s + v[i] * c;
    corners[i] = {x / static_cast<float>(frameWidth) * kPlaneWidth - kPlaneWidth / 2,
                  y / static_cast<float>(frameHeight) * kPlaneHeight - kPlaneHeight / 2};
  }
}

void EmitGridRow(int x, int y, int width, int step, int, int, const GridSink& sink) {
  if (step < 1) return;
  const int64_t r = x % step;
  const int64_t first = r == 0 ? x : int64_t{x} + step - r;
  const int64_t end = int64_t{x} + width;
  if (first >= end) return;
  for (int64_t c = first; c <= end; c += step) sink(static_cast<int>(c), y);
}

void EmitGridRect(int x, int y, int width, int height, int stepX, int stepY, int frameWidth, int frameHeight,
                  const GridSink& sink) {
  EmitRect(x, y, width, height, stepX, stepY, frameWidth, frameHeight, sink);
}

void EmitRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int fw, int fh, const GridSink& sink) {
  if (stepX < 1 || stepY < 1) return;
  if (!region) return EmitRect(0, 0, fw, fh, stepX, stepY, fw, fh, sink);
  const TRectangularRegion& g = *region;
  for (double v : {g.cx, g.cy, g.width, g.height, g.angle}) {
    if (!std::isfinite(v)) return;
  }
  const double a = g.angle * static_cast<double>(kDegToRad);
  const double c = std::cos(a), s = std::sin(a);
  const double u[4] = {-g.width / 2, g.width / 2, g.width / 2, -g.width / 2};
  const double v[4] = {-g.height / 2, -g.height / 2, g.height / 2, g.height / 2};
  Corner p[4];
  for (int i = 0; i < 4; ++i) {
    p[i] = {RoundHalfAway(g.cx + u[i] * c - v[i] * s), RoundHalfAway(g.cy + u[i] * s + v[i] * c)};
  }
  // Highest y first; bubble passes keep equal heights in their order.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (int i = 0; i < 3; ++i) {
      if (p[i].y < p[i + 1].y) std::swap(p[i], p[i + 1]), swapped = true;
    }
  }
  if (p[0].y == p[1].y && p[0].x == p[3].x) {
    const double left = std::min(p[2].x, p[3].x), right = std::max(p[2].x, p[3].x);
    const double x = Clamp(left), y = Clamp(p[3].y);
    return EmitRect(static_cast<int64_t>(x), static_cast<int64_t>(y),
                    static_cast<int64_t>(Clamp(right) - x), static_cast<int64_t>(Clamp(p[0].y) - y), stepX,
                    stepY, fw, fh, sink);
  }
  if (p[0].y < 0 || p[3].y >= fh) return;
  if (std::max(p[1].x, p[2].x) < 0 || std::min(p[1].x, p[2].x) >= fw) return;
  // Rows outside the frame are skipped; the rows inside stay on the grid.
  int64_t row = static_cast<int64_t>(std::min(p[0].y, static_cast<double>(fh - 1)));
  row -= row % stepY;
  const double lowest = std::max(p[3].y, 0.0);
  for (; row >= lowest; row -= stepY) {
    const double y = static_cast<double>(row);
    const double xa = RoundHalfAway(y >= p[1].y ? EdgeX(p[0], p[1], y) : EdgeX(p[1], p[3], y));
    const double xb = RoundHalfAway(y >= p[2].y ? EdgeX(p[0], p[2], y) : EdgeX(p[2], p[3], y));
    double left = std::min(xa, xb), right = std::max(xa, xb);
    if (!(left <= right)) continue;
    // Left of -stepX every multiple from 0 up is emitted anyway; right of
    // the frame nothing more is.
    if (left < -stepX) left = -stepX;
    if (right > fw) right = fw;
    if (left > fw) continue;
    const int l = static_cast<int>(left), r = static_cast<int>(right);
    EmitGridRow(l, static_cast<int>(row), r - l + 1, stepX, fw, fh, sink);
  }
}

}  // namespace gpu
