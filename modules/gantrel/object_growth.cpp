// The seed step, the pixel tests and the column scan-line growth of the
// object detection, and the pass over each accepted object.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "frame/hsl.h"
#include "objects.h"

namespace gantrel {

// Grey value as the host's intensity reads it: 8 bpp the byte, 32 bpp
// (R + G + B) / 3. Callers keep (x, y) inside the frame.
inline int GreyAt(const FrameRows& in, int x, int y) {
  const uint8_t* row = in.row(y);
  if (in.bpp == 8) return row[x];
  const uint8_t* p = row + 4 * x;
  return (p[0] + p[1] + p[2]) / 3;
}

struct CSpotCentroid::ThresholdTest {
  const FrameRows& in;
  int level;
  bool negative;

  bool In(int x, int y) const {
    const int g = GreyAt(in, x, y);
    return negative ? g > level : g < level;
  }
  double Weight(int x, int y) const { return std::abs(GreyAt(in, x, y) - level); }
};

struct CSpotCentroid::ColorTest {
  const CSpotCentroid& o;

  static bool Grey(int r, int g, int b) { return std::abs(r - g) < 4 && std::abs(r - b) < 4 && std::abs(b - g) < 4; }
  bool Brightness(int r, int g, int b) const { return o.greyTolerance_ >= std::fabs(r + g + b - o.greyTarget_); }
  bool InHslRange(int r, int g, int b) const {
    double h = 0, s = 0, l = 0;
    frame::RgbToHsl(r, g, b, &h, &s, &l);
    const auto within = [](double v, const double range[2]) { return range[0] <= v && v <= range[1]; };
    return within(l, o.lightnessRange_) && within(s, o.saturationRange_) &&
           (within(h, o.hueRange1_) || within(h, o.hueRange2_));
  }
  // The seed test: in grey mode the brightness alone.
  bool Seed(unsigned packed) const {
    const int r = (packed >> 16) & 0xFF, g = (packed >> 8) & 0xFF, b = packed & 0xFF;
    return o.greyMode_ ? Brightness(r, g, b) : InHslRange(r, g, b);
  }
  bool In(int x, int y) const {
    const uint8_t* p = o.in_.row(y) + 4 * x;
    const int r = p[2], g = p[1], b = p[0];
    return o.greyMode_ ? Grey(r, g, b) && Brightness(r, g, b) : InHslRange(r, g, b);
  }
  double Weight(int, int) const { return 1.0; }
};

struct CSpotCentroid::TextureTest {
  const FrameRows& in;
  float deviation;

  // The spread of the grey values of the 5 x 5 block's pixels inside the frame.
  bool In(int x, int y) const {
    int values[25];
    int n = 0;
    for (int by = std::max(y - 2, 0); by <= std::min(y + 2, in.depth - 1); ++by)
      for (int bx = std::max(x - 2, 0); bx <= std::min(x + 2, in.width - 1); ++bx) values[n++] = GreyAt(in, bx, by);
    float sum = 0.0f;
    for (int k = 0; k < n; ++k) sum += static_cast<float>(values[k]);
    const float mean = sum / static_cast<float>(n);
    float squares = 0.0f;
    for (int k = 0; k < n; ++k) {
      const float d = static_cast<float>(values[k]) - mean;
      squares += d * d;
    }
    return std::sqrt(squares / static_cast<float>(n)) > deviation;
  }
  double Weight(int, int) const { return 1.0; }
};

bool CSpotCentroid::InClip(int x, int y) const {
  const double dx = x - region_->cx, dy = y - region_->cy;
  const double u = cosine_ * dx + sine_ * dy, v = cosine_ * dy - sine_ * dx;
  return std::fabs(u) <= region_->width / 2 && std::fabs(v) <= region_->height / 2;
}

// A 4-neighbour outside the region, or exactly on its edge.
bool CSpotCentroid::TouchesRegionEdge(int x, int y) const {
  static constexpr int kSteps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (const auto& s : kSteps) {
    const double dx = x + s[0] - region_->cx, dy = y + s[1] - region_->cy;
    const double u = cosine_ * dx + sine_ * dy, v = cosine_ * dy - sine_ * dx;
    if (std::fabs(u) >= region_->width / 2 || std::fabs(v) >= region_->height / 2) return true;
  }
  return false;
}

template <class Test>
void CSpotCentroid::Grow(int x0, int y0, const Test& test) {
  const int w = width_, d = depth_;
  uint32_t* labels = labels_.data();
  // Pixels outside the frame are never in an object.
  const auto open = [&](int x, int y) {
    return labels[static_cast<size_t>(y) * w + x] == 0 && (!clipToRegion_ || InClip(x, y)) && test.In(x, y);
  };
  int top = 0;
  stack_[top++] = {x0, y0};
  while (top > 0) {
    const StackEntry e = stack_[--top];
    const int x = e.x;
    int y = e.y;
    while (y >= 0 && open(x, y)) --y;
    ++y;
    bool leftRun = false, rightRun = false;
    for (; y < d && open(x, y); ++y) {
      labels[static_cast<size_t>(y) * w + x] = label_;
      if (borderMode_ == 0 && !touchesBorder_) {
        touchesBorder_ = region_ ? TouchesRegionEdge(x, y) : x == 0 || y == 0 || x == w - 1 || y == d - 1;
      }
      if (!touchesBorder_) {
        const double weight = test.Weight(x, y);
        ++pixels_;
        weightedX_ += weight * x;
        weightedY_ += weight * y;
        plainX_ += x;
        plainY_ += y;
        weightSum_ += weight;
        minX_ = std::min(minX_, x);
        maxX_ = std::max(maxX_, x);
        minY_ = std::min(minY_, y);
        maxY_ = std::max(maxY_, y);
      }
      for (int side = 0; side < 2; ++side) {
        const int nx = side == 0 ? x - 1 : x + 1;
        bool& inRun = side == 0 ? leftRun : rightRun;
        if (nx < 0 || nx >= w || !open(nx, y)) {
          inRun = false;
          continue;
        }
        if (inRun) continue;
        // A new run in the neighbouring column.
        if (top >= kStackSize) {
          tooComplicated_ = true;
          return;
        }
        stack_[top++] = {nx, y};
        inRun = true;
      }
    }
  }
}

void CSpotCentroid::Seed(int x, int y, unsigned value) {
  if (x < 0 || y < 0 || x >= width_ || y >= depth_) return;
  if (labels_[static_cast<size_t>(y) * width_ + x] != 0) return;
  const ThresholdTest byThreshold{in_, level_, negative_};
  const ColorTest byColor{*this};
  const TextureTest byTexture{in_, deviation_};
  bool seed = false;
  switch (kind_) {
    case kByThreshold: {
      const int v = static_cast<int>(value);
      seed = negative_ ? v > level_ : v < level_;
      break;
    }
    case kByColor: seed = byColor.Seed(value); break;
    case kByTexture: seed = byTexture.In(x, y); break;
  }
  if (!seed) return;

  ++label_;
  touchesBorder_ = false;
  pixels_ = 0;
  weightedX_ = weightedY_ = plainX_ = plainY_ = weightSum_ = 0;
  minX_ = minY_ = INT_MAX;
  maxX_ = maxY_ = 0;
  switch (kind_) {
    case kByThreshold: Grow(x, y, byThreshold); break;
    case kByColor: Grow(x, y, byColor); break;
    case kByTexture: Grow(x, y, byTexture); break;
  }
  FinishObject();
}

void CSpotCentroid::FinishObject() {
  // A dropped object keeps its labels, so its pixels seed nothing more.
  if (touchesBorder_) return;
  if (gaps_ ? pixels_ > maxPixels_ : pixels_ < minPixels_) return;
  if (kind_ == kByThreshold && !(weightSum_ > 0)) return;
  if (pixels_ == 0) return;

  ObjectRecord r{};
  if (kind_ == kByColor) {
    r.cx = static_cast<float>(plainX_ / pixels_);
    r.cy = static_cast<float>(plainY_ / pixels_);
  } else {
    r.cx = static_cast<float>(weightedX_ / weightSum_);
    r.cy = static_cast<float>(weightedY_ / weightSum_);
  }
  r.count = pixels_;
  r.minX = minX_;
  r.maxX = maxX_;
  r.minY = minY_;
  r.maxY = maxY_;

  // Only the object's bounding box can hold its label.
  const float cx = static_cast<float>(r.cx), cy = static_cast<float>(r.cy);
  const uint32_t label = label_;
  const int x0 = minX_, x1 = maxX_, y0 = minY_, y1 = maxY_;
  const int w = width_;
  const uint32_t* labels = labels_.data();
  const bool paintOverlay = paintOverlay_, paintOutput = output_.frame != nullptr;
  const bool colored = objectColorGiven_;
  double squares = 0;
  const long area = static_cast<long>(x1 - x0 + 1) * (y1 - y0 + 1);
#pragma omp parallel for schedule(static) reduction(+ : squares) if (area >= frame::kParallelPixels)
  for (int y = y0; y <= y1; ++y) {
    const uint32_t* row = labels + static_cast<size_t>(y) * w;
    const float dy = static_cast<float>(y) - cy;
    for (int x = x0; x <= x1; ++x) {
      if (row[x] != label) continue;
      const float dx = static_cast<float>(x) - cx;
      squares += dx * dx + dy * dy;
      if (paintOverlay) std::memcpy(overlay_.row(y) + 4 * x, drawColor_, 4);
      if (!paintOutput) continue;
      uint8_t* out = output_.row(y) + 4 * x;
      if (colored) {
        std::memcpy(out, objectColor_, 4);
      } else if (bpp_ == 32) {
        std::memcpy(out, in_.row(y) + 4 * x, 4);
      } else {
        out[0] = out[1] = out[2] = in_.row(y)[x];
        out[3] = 255;
      }
    }
  }
  const double n = pixels_;
  r.character = pixels_ > 1 ? std::max(0.0, (squares / n / (n - 1) - 0.1592) * 10) : 0.0;
  records_.push_back(r);
}

}  // namespace gantrel
