#include "plate/plate_blobs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/image_stats.h"
#include "talvix.h"

namespace kelmar::plate {

// The local window stops one short of the frame's last row and column.
bool PlateBlobs::IsPlatePixel(int x, int y, int v) const {
  const double t = ink_.threshold;
  if (!ink_.negative) {
    if (v < 0.8 * t) return true;
    if (v > 1.2 * t) return false;
  } else {
    if (v > 1.2 * t) return true;
    if (v < 0.8 * t) return false;
  }
  const int r = ink_.radius;
  const int xa = std::max(x - r, 0), xb = std::min(in_.width - 1, x + r);
  const int ya = std::max(y - r, 0), yb = std::min(in_.depth - 1, y + r);
  int64_t sum = 0;
  for (int yy = ya; yy < yb; ++yy) {
    const uint8_t* p = in_.row(yy);
    for (int xx = xa; xx < xb; ++xx)
      sum += in_.bpp == 8 ? p[xx] : p[4 * xx] + p[4 * xx + 1] + p[4 * xx + 2];
  }
  const int64_t count = static_cast<int64_t>(std::max(0, xb - xa)) * std::max(0, yb - ya) * (in_.bpp == 8 ? 1 : 3);
  const int mean = count > 0 ? static_cast<int>(sum / count) : 0;
  const int local = 2 * ink_.threshold * mean / 255;
  if (static_cast<float>(std::abs(v - local)) < ink_.margin) return ink_.negative ? v > ink_.threshold : v < ink_.threshold;
  return ink_.negative ? v > local : v < local;
}

bool PlateBlobs::SegmentPixel(int x, int y, unsigned value) {
  const int w = in_.width;
  if (labels_[static_cast<size_t>(y) * w + x] != 0 || !IsPlatePixel(x, y, static_cast<int>(value))) return true;
  ++label_;
  touch_ = false;
  count_ = 0;
  pixels_.clear();
  const uint16_t current = static_cast<uint16_t>(label_);
  const double cx = g_.region.cx, cy = g_.region.cy;
  const float halfW = static_cast<float>(g_.region.width / 2), halfH = static_cast<float>(g_.region.height / 2);
  const float margin = g_.y1 - g_.y0 < 31 ? 1.0f : 2.0f;
  auto at = [&](int px, int py) -> uint16_t& { return labels_[static_cast<size_t>(py) * w + px]; };
  auto foreign = [&](int px, int py) {
    const uint16_t l = at(px, py);
    return l != 0 && l != kMarginLabel && l != current;
  };
  // The stack grows as the blob needs; a large blob is filled whole.
  SpanFill(
      x, y, FillBounds{g_.x0, g_.y0, g_.x1, g_.y1}, stack_, [&](int px, int py) { return at(px, py) == 0; },
      [&](int px, int py) { return IsPlatePixel(px, py, static_cast<int>(frame::GetPixelIntensity(in_.frame, px, py))); },
      [&](int px, int py) {
        const double dx = px - cx, dy = py - cy;
        const float v = static_cast<float>(g_.c2 * dy - g_.s1 * dx);
        const float u = static_cast<float>(g_.c1 * dx + g_.s2 * dy);
        if (v >= halfH - margin || v <= margin - halfH || !(-(halfW - 2) < u && u < halfW - 2)) {
          at(px, py) = kMarginLabel;
        } else {
          at(px, py) = current;
          ++count_;
          pixels_.push_back({px, py});
        }
        if ((px > 0 && foreign(px - 1, py)) || (px < g_.x1 - 1 && foreign(px + 1, py))) touch_ = true;
      });
  if (touch_ || count_ < 31) return true;
  pixelCounts_.push_back(count_);

  const float fcx = static_cast<float>(cx), fcy = static_cast<float>(cy);
  const float width = static_cast<float>(g_.region.width), height = static_cast<float>(g_.region.height);
  float u0 = width, v0 = height, u1 = 0, v1 = 0;
  const int imageW = g_.x1 - g_.x0 + 1, imageH = g_.y1 - g_.y0 + 1;
  for (const FillPoint& p : pixels_) {
    if (p.y - g_.y0 >= imageH || p.x - g_.x0 >= imageW) continue;
    const float fx = static_cast<float>(p.x) - fcx, fy = static_cast<float>(p.y) - fcy;
    const float u = (g_.c2 * fx + g_.s2 * fy) / g_.k + width / 2;
    const float v = (g_.c1 * fy - g_.s1 * fx) / g_.k + height / 2;
    u0 = std::min(u0, u), u1 = std::max(u1, u), v0 = std::min(v0, v), v1 = std::max(v1, v);
  }
  const float bw = std::trunc(u1 - u0 + 1), bh = std::trunc(v1 - v0 + 1);
  const float left = u0 + fcx - width / 2;
  if (bw < 10 && (left + bw > g_.x1 - 3 || left < g_.x0 + 5)) {
    pixelCounts_.pop_back();
    return true;
  }
  boxes_.push_back({u0, v0, bw, bh, label_});
  return true;
}

void PlateBlobs::Segment(const frame::FrameRows& input, const PlateInk& ink, const PlateGeometry& g,
                         std::vector<uint16_t>& labels) {
  in_ = input;
  ink_ = ink;
  g_ = g;
  labels_ = labels.data();
  label_ = 0;
  boxes_.clear();
  pixelCounts_.clear();
  const double mid = (g.y0 + g.y1) / 2;
  TLine line{static_cast<double>(g.x0), mid, static_cast<double>(g.x1), mid};
  // A turned plate is seeded along its own middle line: the window's
  // middle row passes above or below the characters at the plate's ends
  // once the turn lifts them by half a character over half the plate.
  if (g.s1 != 0) {
    const double hw = g.region.width / 2;
    line = {g.region.cx - hw * g.c1, g.region.cy - hw * g.s1, g.region.cx + hw * g.c1, g.region.cy + hw * g.s1};
  }
  ScanLine(input.frame, &g.region, &line, 1, this, [](void* self, int x, int y, unsigned v) {
    return self && static_cast<PlateBlobs*>(self)->SegmentPixel(x, y, v);
  });
}

}  // namespace kelmar::plate
