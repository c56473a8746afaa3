// Bounding boxes of the pixels selected by a threshold: along the main axis
// of their spread, or along the frame axes.
#include <algorithm>
#include <cmath>
#include <string>

#include "frame/input_params.h"
#include "frame/text_format.h"
#include "objects.h"

namespace rombek {

namespace {

template <class Box>
bool BoxPixel(void* user, int x, int y, unsigned v) {
  Box* box = static_cast<Box*>(user);
  if (box->Selected(v)) box->AddPixel(x, y);
  return true;
}

}  // namespace

bool CBoundingBoxRectangle::Run(const RunArgs& a) {
  hostContext = a.ctx;
  Reset();
  Frame* f = nullptr;
  if (!SourceFrame(a, &f)) return a.fail(kNoSourceFrame);

  TRectangularRegion r = WholeFrame(f);
  const bool hasRegion = ReadRegion(a, 1, 0, &r);
  if (const frame::ParamName n = frame::InputName(a, 1); n.ok) frame::WarnArrayInput(a.ctx, 63, n.c_str());

  double level = 0.5;
  if (const frame::ParamName n = frame::InputName(a, 2); n.ok) {
    double* p = nullptr;
    if (GetNumber(a.ctx, 63, n.c_str(), 0, &p) && p) level = *p;
    if (level > 1) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(level), 1);
      level = 1;
    } else if (level < 0) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(level), 0);
      level = 0;
    }
    frame::WarnArrayInput(a.ctx, 63, n.c_str());
  }
  threshold = frame::TruncateToInt(level * 255);
  negative = frame::FlagOr(a, 3, false, true);
  const bool show = frame::FlagOr(a, 4, true, true);

  TRectangle* out = nullptr;
  if (const frame::ParamName n = frame::OutputName(a, 0); n.ok) {
    if (!GetRectangle(a.ctx, 63, n.c_str(), 0, &out)) out = nullptr;
  }

  // The scan visits only pixels of the frame, so a region larger than the
  // frame needs no more room than the frame.
  const double roomW = r.width * 1.2, roomH = r.height * 1.2;
  if (hasRegion && roomW * roomH < static_cast<double>(GetFrameWidth(f)) * GetFrameDepth(f)) {
    Prepare(frame::TruncateToInt(roomW), frame::TruncateToInt(roomH));
  } else {
    Prepare(GetFrameWidth(f), GetFrameDepth(f));
  }
  Scan(f, hasRegion ? &r : nullptr);
  if (!Compute()) return a.fail(kPixelsUndefined);
  region = r;
  if (show) Draw();
  if (out) *out = {centre.x, centre.y, size.x, size.y, angle};
  return true;
}

void CBoundingBoxRectangle::Draw() const {
  void* ctx = hostContext;
  const TColor c = GetDrawColor(ctx, 1);
  const double t = GetDrawThickness(ctx, 1);
  DrawPolygon4(ctx, corners[0].x, corners[0].y, corners[1].x, corners[1].y, corners[2].x, corners[2].y, corners[3].x,
               corners[3].y, t, c);
  const std::u16string w = frame::FormatText(63, "%.2f", size.x);
  const std::u16string h = frame::FormatText(63, "%.2f", size.y);
  DrawDimension(ctx, corners[0].x, corners[0].y, corners[1].x, corners[1].y, static_cast<int>(w.size()), w.c_str(), 0.0,
                t, c);
  DrawDimension(ctx, corners[1].x, corners[1].y, corners[2].x, corners[2].y, static_cast<int>(h.size()), h.c_str(), 0.0,
                t, c);
  DrawArrow(ctx, centre.x, centre.y, centre.x + axis1.x * size.x / 2, centre.y + axis1.y * size.x / 2, t, c);
  DrawRectangle(ctx, region.cx, region.cy, region.width, region.height, region.angle, GetDrawThickness(ctx, 2),
                GetDrawColor(ctx, 2));
}

void COBBRectangle::Prepare(int width, int height) {
  width = std::max(width, 0), height = std::max(height, 0);
  if (width != bufferWidth || height != bufferHeight || points_.empty()) {
    capacity_ = static_cast<size_t>(width) * static_cast<size_t>(height);
    points_.assign(2 * capacity_, 0.0f);
    bufferWidth = width, bufferHeight = height;
  }
  pointCount = 0;
}

void COBBRectangle::Scan(const Frame* f, const TRectangularRegion* r) {
  ScanRectangularRegion(f, r, 1, this, BoxPixel<COBBRectangle>);
}

void CAABBRectangle::Scan(const Frame* f, const TRectangularRegion* r) {
  ScanRectangularRegion(f, r, 1, this, BoxPixel<CAABBRectangle>);
}

// The main axis is that of the covariance of the selected pixels; every
// pixel is projected, so the box bounds them all. Sums are formed in double:
// a frame's worth of coordinates exhausts single precision.
bool COBBRectangle::Compute() {
  if (pointCount == 0) return false;
  const float* p = points_.data();
  double sx = 0, sy = 0;
  for (size_t i = 0; i < pointCount; ++i) sx += p[2 * i], sy += p[2 * i + 1];
  const double n = static_cast<double>(pointCount);
  const double mx = sx / n, my = sy / n;
  double sxx = 0, syy = 0, sxy = 0;
  for (size_t i = 0; i < pointCount; ++i) {
    const double dx = p[2 * i] - mx, dy = p[2 * i + 1] - my;
    sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
  }
  const double theta = 0.5 * std::atan2(2 * sxy / n, (sxx - syy) / n);
  axis1 = {static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta))};
  axis2 = {-axis1.y, axis1.x};

  float p1min = INFINITY, p1max = -INFINITY, p2min = INFINITY, p2max = -INFINITY;
  for (size_t i = 0; i < pointCount; ++i) {
    const float x = p[2 * i], y = p[2 * i + 1];
    const float d1 = x * axis1.x + y * axis1.y, d2 = x * axis2.x + y * axis2.y;
    p1min = std::min(p1min, d1), p1max = std::max(p1max, d1);
    p2min = std::min(p2min, d2), p2max = std::max(p2max, d2);
  }
  // Back from the axes' coordinates: the axes are orthonormal, so the
  // inverse of the matrix of rows axis1, axis2 is its transpose.
  const float c1 = (p1min + p1max) / 2, c2 = (p2min + p2max) / 2;
  centre = {c1 * axis1.x + c2 * axis2.x, c1 * axis1.y + c2 * axis2.y};
  size = {p1max - p1min, p2max - p2min};
  if (size.x < size.y) {
    axis1 = axis2;
    axis2 = {-axis1.y, axis1.x};
    std::swap(size.x, size.y);
  }
  for (int k = 0; k < 4; ++k) {
    const float s1 = (k == 0 || k == 3) ? -0.5f : 0.5f, s2 = k < 2 ? -0.5f : 0.5f;
    corners[k] = {centre.x + axis1.x * size.x * s1 + axis2.x * size.y * s2,
                  centre.y + axis1.y * size.x * s1 + axis2.y * size.y * s2};
  }
  angle = std::fabs(axis1.x) >= 0.0001f ? static_cast<float>(DegRATan(axis1.y / axis1.x)) : 90.0f;
  return true;
}

bool CAABBRectangle::Compute() {
  if (minX == INT_MAX && maxX == INT_MIN && minY == INT_MAX && maxY == INT_MIN) return false;
  corners[0] = {float(minX), float(minY)};
  corners[1] = {float(maxX), float(minY)};
  corners[2] = {float(maxX), float(maxY)};
  corners[3] = {float(minX), float(maxY)};
  axis1 = {1, 0};
  axis2 = {0, 1};
  size = {float(maxX - minX), float(maxY - minY)};
  centre = {minX + size.x / 2, minY + size.y / 2};
  angle = 0;
  return true;
}

}  // namespace rombek
