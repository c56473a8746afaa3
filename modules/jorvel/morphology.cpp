#include "morphology.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame/row_kernel.h"
#include "frame/run_args.h"

namespace jorvel {

namespace {

// pred[x] = 1 where pixel x of the row lies on the tested side of t: above
// it (bright) or below it (dark).
VISION_ROW_KERNEL void Classify(uint8_t* __restrict pred, const uint8_t* __restrict row, int width, int n, int t,
                                bool bright) {
  if (n == 1) {
    if (bright) {
      for (int x = 0; x < width; ++x) pred[x] = row[x] > t;
    } else {
      for (int x = 0; x < width; ++x) pred[x] = row[x] < t;
    }
    return;
  }
  const int t3 = 3 * t;
  if (bright) {
    for (int x = 0; x < width; ++x) pred[x] = row[x * n] + row[x * n + 1] + row[x * n + 2] > t3;
  } else {
    for (int x = 0; x < width; ++x) pred[x] = row[x * n] + row[x * n + 1] + row[x * n + 2] < t3;
  }
}

// h[x] = pred[x - 1] & pred[x] & pred[x + 1], clipped to the row.
VISION_ROW_KERNEL void AcrossRow(uint8_t* __restrict h, const uint8_t* __restrict pred, int width) {
  if (width == 1) {
    h[0] = pred[0];
    return;
  }
  h[0] = pred[0] & pred[1];
  for (int x = 1; x < width - 1; ++x) h[x] = pred[x - 1] & pred[x] & pred[x + 1];
  h[width - 1] = pred[width - 2] & pred[width - 1];
}

// out[x] = all(rows) ? yes : no.
VISION_ROW_KERNEL void Decide(uint8_t* __restrict out, const uint8_t* __restrict a, const uint8_t* __restrict b,
                              const uint8_t* __restrict c, int width, uint8_t yes, uint8_t no) {
  for (int x = 0; x < width; ++x) out[x] = (a[x] & b[x] & c[x]) ? yes : no;
}

// One pass: out = `yes` where every clipped neighbour is on the tested side.
bool Pass(Frame* in, Frame* out, int depth, int width, int t, bool bright, uint8_t yes, uint8_t no) {
  const int bpp = GetFrameBPP(in);
  if (bpp != 8 && bpp != 24 && bpp != 32) return false;
  if (depth <= 0 || width <= 0) return true;
  const frame::FrameRows src(in), dst(out);
  const int n = bpp / 8;
  const size_t w = static_cast<size_t>(width);
#pragma omp parallel if (static_cast <long>(depth) * width >= frame::kParallelPixels)
  {
    // Three classified rows across (y - 1, y, y + 1) and a row of ones for
    // rows outside the frame.
    std::vector<uint8_t> buffer(5 * w);
    uint8_t* pred = buffer.data();
    uint8_t* h[3] = {pred + w, pred + 2 * w, pred + 3 * w};
    uint8_t* ones = pred + 4 * w;
    std::fill(ones, ones + w, 1);
    int have = -3;  // the row held in h[2]; rows run upward within a thread
#pragma omp for schedule(static)
    for (int y = 0; y < depth; ++y) {
      for (int yy = std::max({0, y - 1, have + 1}); yy <= std::min(y + 1, depth - 1); ++yy) {
        std::rotate(h, h + 1, h + 3);
        Classify(pred, src.row(yy), width, n, t, bright);
        AcrossRow(h[2], pred, width);
        have = yy;
      }
      // h[2] holds the lowest row present: y + 1, or y at the last row.
      const uint8_t* below = y + 1 < depth ? h[2] : ones;
      const uint8_t* here = y + 1 < depth ? h[1] : h[2];
      const uint8_t* above = y == 0 ? ones : y + 1 < depth ? h[0] : h[1];
      Decide(dst.row(y), above, here, below, width, yes, no);
    }
  }
  return true;
}

}  // namespace

bool MorphDilate(Frame* in, Frame* out, int depth, int width, int t) {
  return Pass(in, out, depth, width, t, true, 255, 0);
}

bool MorphErode(Frame* in, Frame* out, int depth, int width, int t) {
  return Pass(in, out, depth, width, t, false, 0, 255);
}

}  // namespace jorvel
