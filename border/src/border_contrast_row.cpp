// CountEdgeContrastRow: the contrast of a whole row in one pass over three
// row pointers, in a loop the compiler turns into vector code (this file is
// built without errno from the root, whose argument is never negative, and
// without trapping conversions, whose values are small integers).
#include <algorithm>
#include <cmath>
#include <vector>

#include "border/border_detection.h"
#include "border_frame.h"

namespace {

// out[x] for 0 < x < width - 1 from the grey rows below (down), at (c) and
// above (up) in memory. The float root truncates to the integer root of these
// sums, as CountEdgeContrast has it.
template <typename Grey>
void ContrastKernel(const Grey* __restrict down, const Grey* __restrict c, const Grey* __restrict up, int width,
                    int16_t* __restrict out) {
  for (int x = 1; x < width - 1; ++x) {
    const int ax = c[x - 1] - c[x + 1];
    const int ay = up[x] - down[x];
    const int b1 = down[x + 1] - up[x - 1];
    const int b2 = up[x + 1] - down[x - 1];
    const int a = ax * ax + ay * ay;
    const int b = b1 * b1 + b2 * b2;
    out[x] = static_cast<int16_t>(static_cast<int>(std::sqrt(static_cast<float>(a > b ? a : b))));
  }
}

}  // namespace

void CBorderDetection::CountEdgeContrastRow(const Frame* frame, int y, int16_t* out) {
  const int width = border::FrameWidth(frame);
  if (width <= 0) return;
  std::fill(out, out + width, int16_t{-1});
  const int bpp = border::FrameBpp(frame);
  if ((bpp != 8 && bpp != 24 && bpp != 32) || y <= 0 || y >= border::FrameHeight(frame) - 1 || width < 3) return;
  const uint8_t* c = border::PixelAt(frame, 0, y);
  const std::ptrdiff_t stride = border::FrameStride(frame);
  if (bpp == 8) {
    ContrastKernel(c - stride, c, c + stride, width, out);
    return;
  }
  // 24 and 32 bpp: the grey rows first, (R + G + B) / 3 per pixel.
  const int bytes = bpp / 8;
  std::vector<int> grey(static_cast<size_t>(width) * 3);
  for (int r = 0; r < 3; ++r) {
    const uint8_t* p = c + (r - 1) * stride;
    int* g = grey.data() + static_cast<size_t>(r) * width;
    for (int x = 0; x < width; ++x, p += bytes) g[x] = (p[0] + p[1] + p[2]) / 3;
  }
  ContrastKernel(grey.data(), grey.data() + width, grey.data() + 2 * width, width, out);
}
