#include "plate/plate_edges.h"

#include <cmath>

namespace kelmar::plate {
namespace {

inline int SignedSquare(int d) { return d > 0 ? d * d : -d * d; }

// Grey byte (8 bpp) or B + G + R (32 bpp): both on the scale of three bytes
// once 8-bit values are tripled.
inline int Level(const frame::FrameRows& f, int x, int y) {
  const uint8_t* p = f.row(y) + static_cast<ptrdiff_t>(x) * (f.bpp / 8);
  return f.bpp == 8 ? 3 * p[0] : p[0] + p[1] + p[2];
}

inline bool Inner(const frame::FrameRows& f, int x, int y) {
  return (f.bpp == 8 || f.bpp == 32) && x >= 1 && x <= f.width - 2 && y >= 1 && y <= f.depth - 2;
}

}  // namespace

int EdgeResponseDown(const frame::FrameRows& f, int x, int y) {
  if (!Inner(f, x, y)) return kOutsideResponse;
  int sum = 0;
  for (int c = x - 1; c <= x + 1; ++c) sum += SignedSquare(Level(f, c, y + 1) - Level(f, c, y - 1));
  return sum;
}

int EdgeResponseUp(const frame::FrameRows& f, int x, int y) {
  if (!Inner(f, x, y) || y < 2 || y > f.depth - 3) return kOutsideResponse;
  int sum = 0;
  for (int c = x - 1; c <= x + 1; ++c) {
    int d;
    if (f.bpp == 8) {
      const uint8_t* col = f.row(0) + c;
      const auto at = [&](int r) { return int{col[static_cast<ptrdiff_t>(r) * f.stride]}; };
      d = static_cast<int>(std::trunc(-1.5 * (2 * at(y + 1) - at(y - 1) - at(y - 2))));
    } else {
      d = (Level(f, c, y) + Level(f, c, y - 1) - Level(f, c, y + 1) - Level(f, c, y + 2)) / 2;
    }
    sum += SignedSquare(d);
  }
  return sum;
}

int EdgeResponseRight(const frame::FrameRows& f, int x, int y) {
  if (!Inner(f, x, y)) return kOutsideResponse;
  int sum = 0;
  for (int r = y - 1; r <= y + 1; ++r) sum += SignedSquare(Level(f, x + 1, r) - Level(f, x - 1, r));
  return sum;
}

int EdgeResponseLeft(const frame::FrameRows& f, int x, int y) {
  if (!Inner(f, x, y)) return kOutsideResponse;
  int sum = 0;
  for (int r = y - 1; r <= y + 1; ++r) sum += SignedSquare(Level(f, x - 1, r) - Level(f, x + 1, r));
  return sum;
}

}  // namespace kelmar::plate
