// Pixel functions and mark-frame tests of CBorderDetection.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "border/border_detection.h"
#include "border_frame.h"

using border::kDx;
using border::kDy;
using border::MarkAt;

void CBorderDetection::GetPixelValue(const Frame* frame, int x, int y, int* value) {
  *value = -1;
  if (!border::InFrame(frame, x, y)) return;
  const uint8_t* p = border::PixelAt(frame, x, y);
  if (frame->biBitCount == 8) {
    *value = p[0];
  } else if (frame->biBitCount == 24 || frame->biBitCount == 32) {
    *value = (p[0] + p[1] + p[2]) / 3;
  }
}

void CBorderDetection::GetSurroundedPixelValues(const Frame* frame, int x, int y, int values[8]) {
  for (int k = 0; k < 8; ++k) GetPixelValue(frame, x + kDx[k], y + kDy[k], &values[k]);
}

void CBorderDetection::AddPixelValue(Frame* frame, int x, int y, unsigned value) {
  if (!border::InFrame(frame, x, y)) return;
  uint8_t* p = border::PixelAt(frame, x, y);
  if (frame->biBitCount == 8) {
    p[0] = static_cast<uint8_t>(value);
  } else if (frame->biBitCount == 24 || frame->biBitCount == 32) {
    const uint32_t v = value;
    std::memcpy(p, &v, frame->biBitCount / 8);  // little-endian: B, G, R(, A)
  }
}

namespace {

// Truncated roots of the small sums, which flat and noisy ground gives at
// nearly every pixel. Below 2^24 the float root truncates to the integer
// root (no root of a non-square comes within half a float step of the next
// integer), so the table and the float root agree.
struct SmallRoots {
  static constexpr int kSize = 16384;
  uint8_t root[kSize];
  constexpr SmallRoots() : root() {
    int r = 0;
    for (int n = 0; n < kSize; ++n) {
      if ((r + 1) * (r + 1) <= n) ++r;
      root[n] = static_cast<uint8_t>(r);
    }
  }
};
constexpr SmallRoots kSmallRoots;

inline int TruncatedRoot(int sumOfSquares) {
  if (sumOfSquares < SmallRoots::kSize) return kSmallRoots.root[sumOfSquares];
  return static_cast<int>(std::sqrt(static_cast<float>(sumOfSquares)));
}

// The two gradients of the pixel at c, whose rows above and below in memory
// lie at up and down: the larger sum of squares (the root is monotonic, so
// the larger truncated root is the truncated root of the larger sum).
template <int Bytes>
inline int LargerSquaredGradient(const uint8_t* down, const uint8_t* c, const uint8_t* up) {
  const auto grey = [](const uint8_t* p) { return Bytes == 1 ? p[0] : (p[0] + p[1] + p[2]) / 3; };
  const int ax = grey(c - Bytes) - grey(c + Bytes);
  const int ay = grey(up) - grey(down);
  const int b1 = grey(down + Bytes) - grey(up - Bytes);
  const int b2 = grey(up + Bytes) - grey(down - Bytes);
  const int a = ax * ax + ay * ay;
  const int b = b1 * b1 + b2 * b2;
  return a > b ? a : b;
}

}  // namespace

bool CBorderDetection::CountEdgeContrast(const Frame* frame, int x, int y, int* contrast) {
  *contrast = -1;
  if (!frame || (frame->biBitCount != 8 && frame->biBitCount != 24 && frame->biBitCount != 32)) return false;
  if (x <= 0 || y <= 0 || x >= frame->biWidth - 1 || y >= frame->biHeight - 1) return false;
  // Row pointers once, then the neighbours by offset.
  const std::ptrdiff_t stride = border::FrameStride(frame);
  const uint8_t* c = border::PixelAt(frame, x, y);
  const int bpp = frame->biBitCount;
  const int squared = bpp == 8    ? LargerSquaredGradient<1>(c - stride, c, c + stride)
                      : bpp == 24 ? LargerSquaredGradient<3>(c - stride, c, c + stride)
                                  : LargerSquaredGradient<4>(c - stride, c, c + stride);
  *contrast = TruncatedRoot(squared);
  return true;
}

bool CBorderDetection::NeighbourPixel(int x1, int y1, int x2, int y2) {
  return std::abs(x1 - x2) + std::abs(y1 - y2) != 1;
}

bool CBorderDetection::NeighbourPixelB(int x1, int y1, int x2, int y2) {
  return std::abs(x1 - x2) > 1 || std::abs(y1 - y2) > 1;
}

bool CBorderDetection::CheckNeighbourPixels(const Frame* mark, int x, int y, int* count) {
  const int w = border::FrameWidth(mark), h = border::FrameHeight(mark);
  if (x < 1 || x > w - 2 || y < 1 || y > h - 2) {
    *count = 8;
    return false;
  }
  int n = 0;
  if (mark->biBitCount == 8) {
    // Every neighbour lies in the frame: read the three rows directly.
    const std::ptrdiff_t stride = border::FrameStride(mark);
    const uint8_t* c = border::PixelAt(mark, x, y);
    for (int k = 0; k < 8; ++k) n += c[kDy[k] * stride + kDx[k]] != kFree;
  } else {
    for (int k = 0; k < 8; ++k) n += MarkAt(mark, x + kDx[k], y + kDy[k]) != kFree;
  }
  *count = n;
  return n == 0;
}

namespace {

// Bit k set when neighbour k is labelled.
unsigned LabelledMask(const Frame* mark, int x, int y) {
  unsigned bits = 0;
  if (mark && mark->biBitCount == 8 && x > 0 && y > 0 && x < mark->biWidth - 1 && y < mark->biHeight - 1) {
    // Every neighbour lies in the frame: read the three rows directly.
    const std::ptrdiff_t stride = border::FrameStride(mark);
    const uint8_t* c = border::PixelAt(mark, x, y);
    for (int k = 0; k < 8; ++k) {
      if (c[kDy[k] * stride + kDx[k]] != CBorderDetection::kFree) bits |= 1u << k;
    }
    return bits;
  }
  for (int k = 0; k < 8; ++k) {
    if (MarkAt(mark, x + kDx[k], y + kDy[k]) != CBorderDetection::kFree) bits |= 1u << k;
  }
  return bits;
}

// Sides of the neighbourhood as masks over the neighbour order
// (0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW).
constexpr unsigned kLeft = (1u << 0) | (1u << 1) | (1u << 7);
constexpr unsigned kTop = (1u << 1) | (1u << 2) | (1u << 3);
constexpr unsigned kRight = (1u << 3) | (1u << 4) | (1u << 5);
constexpr unsigned kBottom = (1u << 5) | (1u << 6) | (1u << 7);

int SideScore(unsigned labelled, unsigned side) { return 2 + 3 - __builtin_popcount(labelled & side); }

}  // namespace

bool CBorderDetection::CheckBorderEndPxs(const Frame* mark, int x, int y) {
  const unsigned m = LabelledMask(mark, x, y);
  const bool topAndBottom = (m & kTop) && (m & kBottom);
  const bool leftAndRight = (m & kLeft) && (m & kRight);
  return !(topAndBottom || leftAndRight);
}

bool CBorderDetection::CheckProjectingPx(const Frame* mark, int x, int y) {
  const unsigned m = LabelledMask(mark, x, y);
  const int product = SideScore(m, kLeft) * SideScore(m, kTop) * SideScore(m, kRight) * SideScore(m, kBottom);
  return product != 160 && product != 300;
}
