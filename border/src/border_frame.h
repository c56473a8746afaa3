// Direct access to the pixels of a frame: the header (biSize bytes) followed
// by bottom-up rows padded to 4 bytes.
#pragma once

#include <cstdint>

#include "talvix.h"

namespace border {

inline int FrameWidth(const Frame* f) { return f ? f->biWidth : 0; }
inline int FrameHeight(const Frame* f) { return f ? f->biHeight : 0; }
inline int FrameBpp(const Frame* f) { return f ? f->biBitCount : 0; }

inline bool InFrame(const Frame* f, int x, int y) { return f && x >= 0 && y >= 0 && x < f->biWidth && y < f->biHeight; }

inline int FrameStride(const Frame* f) { return ((f->biWidth * f->biBitCount + 31) / 32) * 4; }

inline const uint8_t* PixelAt(const Frame* f, int x, int y) {
  // Pixels start biSize bytes in, as the host's GetFrameDataAddr has it.
  const uint8_t* data = reinterpret_cast<const uint8_t*>(f) + f->biSize;
  return data + static_cast<std::ptrdiff_t>(y) * FrameStride(f) + static_cast<std::ptrdiff_t>(x) * (f->biBitCount / 8);
}

inline uint8_t* PixelAt(Frame* f, int x, int y) {
  return const_cast<uint8_t*>(PixelAt(static_cast<const Frame*>(f), x, y));
}

// Mark of a pixel; off the frame counts as free, so that tests near the frame
// edge never read outside it.
inline int MarkAt(const Frame* mark, int x, int y) {
  if (!InFrame(mark, x, y)) return 255;
  if (mark->biBitCount == 8) return *PixelAt(mark, x, y);
  if (mark->biBitCount == 24 || mark->biBitCount == 32) {
    const uint8_t* p = PixelAt(mark, x, y);
    return (p[0] + p[1] + p[2]) / 3;
  }
  return 255;
}

// Neighbour order W, NW, N, NE, E, SE, S, SW (y in memory rows).
inline constexpr int kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
inline constexpr int kDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};

}  // namespace border
