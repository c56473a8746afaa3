// Rank filters over the clipped (2r + 1) square window, and the flat-field
// correction. 8, 24 and 32 bpp; other depths write nothing. Output rows are
// split over the OpenMP threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "talvix.h"

namespace jorvel {

// Per channel, the (n / 2)-th smallest of the window's n values (255 for a
// one-pixel window); alpha copied.
void RankMedian(Frame* in, Frame* out, int depth, int width, int r);

// Working rows of the minimum, maximum and extreme, kept by the filter so
// that a run allocates nothing frame-sized.
struct RankPlanes {
  std::vector<uint8_t> rings8;  // 8 bits: per thread, the window rows' row pass
  std::vector<uint16_t> rings;  // colour: per thread, the window rows' keys
};

// The window's darkest (minimum) or brightest (maximum) value blended with
// the input: in * (1 - i) + chosen * i, truncated. Colour pixels are chosen
// whole by B + G + R, the first in raster order winning ties; a 32-bit output
// pixel's fourth byte is 1. r is at most 15.
void RankMinimum(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes);
void RankMaximum(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes);
// The minimum or the maximum, whichever lies farther from the input (a tie
// takes the maximum), blended as above.
void RankExtreme(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes);

// The white frame's mean: over its pixels (8 bpp) or over B + G + R / 3
// (32 bpp); 0 for other depths.
float WhiteMean(Frame* white, int depth, int width);
// out = in * mean / white per pixel, truncated and limited to 255 (8 bpp;
// all three frames share `stride`).
void FlatFieldGrey(const unsigned char* white, ptrdiff_t stride, unsigned char* out, const unsigned char* in, int depth,
                   int width, float mean);
// Each channel scaled by 3 * mean / (B + G + R of white); a black white pixel
// copies the input pixel.
void FlatFieldColor(const unsigned char* white, unsigned char* out, const unsigned char* in, int depth, int width,
                    float mean);

}  // namespace jorvel
