// Directional edge responses of a frame and the falling-step rule of the
// plate search.
#pragma once

#include <cstdint>

#include "frame/run_args.h"

namespace kelmar::plate {

inline constexpr int kOutsideResponse = -1000;

// Signed-square sums over three columns (rows) of a pixel difference across
// (x, y). Positive where the frame gets lighter towards larger rows (Down),
// larger columns (Right) or smaller columns (Left), and where it gets darker
// towards larger rows (Up). 8 bpp differences are grey bytes times 3, 32 bpp
// the sums over B, G and R. kOutsideResponse where the stencil leaves the
// allowed area or for other depths.
int EdgeResponseDown(const frame::FrameRows& f, int x, int y);   // rows y - 1 to y + 1
int EdgeResponseUp(const frame::FrameRows& f, int x, int y);     // light above (smaller rows)
int EdgeResponseRight(const frame::FrameRows& f, int x, int y);  // columns x - 1 to x + 1
int EdgeResponseLeft(const frame::FrameRows& f, int x, int y);

// A falling step at index j of the samples p[0 .. count): light at j, dark
// after, around the plate's mid level m.
inline bool FallingStep(const uint8_t* p, int count, int j, int m) {
  if (j < 1 || j + 2 >= count) return false;
  return p[j] > m - 30 && p[j + 2] < m + 30 && p[j] - p[j + 1] > 9 &&
         (p[j - 1] - p[j + 1] > 20 || p[j - 1] - p[j + 2] > 29);
}

using EdgeResponse = int (*)(const frame::FrameRows&, int, int);

// Moves (x, y) by (dx, dy) while the response at the next position is larger.
inline void ClimbResponse(const frame::FrameRows& f, EdgeResponse response, int dx, int dy, int* x, int* y) {
  int here = response(f, *x, *y);
  for (int guard = 0; guard < f.width + f.depth; ++guard) {
    const int next = response(f, *x + dx, *y + dy);
    if (next <= here) break;
    here = next;
    *x += dx;
    *y += dy;
  }
}

}  // namespace kelmar::plate
