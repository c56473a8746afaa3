#include <cstring>
#include <vector>

#include "color_stat.h"

namespace gantrel {

namespace {

enum { kFrameIn, kMaskIn, kThresholdIn, kNegativeIn, kShowIn };
enum { kExcessOut, kMissingOut, kFrameOut };

// Frames below this many pixels run on one thread.
constexpr long kParallelPixels = 32768;

void Put(uint8_t* p, uint8_t b, uint8_t g, uint8_t r) {
  p[0] = b;
  p[1] = g;
  p[2] = r;
  p[3] = 255;
}

}  // namespace

bool CMaskCompare::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  Frame* mask = InputFrame(a, kMaskIn);
  if (!mask) return a.fail(kNoInputFrame);
  const FrameRows in(frame), m(mask);
  if (m.width != in.width || m.depth != in.depth) {
    return a.fail(u"error: Input image and mask image must be of the same size");
  }
  if (m.bpp != 32) return a.fail(u"error: Mask must have 32-bit color depth (32 bits per pixel)");

  int level = 127;
  if (const double* p = NumberInput(a, kThresholdIn)) {
    level = Level(*p);
    const ParamName n = InputName(a, kThresholdIn);
    if (level >= 256) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
      level = 255;
    } else if (level < 0) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.0f);
      level = 0;
    }
  }
  WarnArray(a, kThresholdIn);
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  const bool negative = negativeIn && *negativeIn;
  WarnArray(a, kNegativeIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);

  // Marks go into the overlay only when the host gave one of the right size.
  FrameRows overlay;
  if (show) {
    Frame* o = nullptr;
    if (GetOutputFrame(a.ctx, 63, u"overlay", &o, in.width, in.depth, 32) && o && GetFrameWidth(o) == in.width &&
        GetFrameDepth(o) == in.depth && GetFrameBPP(o) == 32) {
      overlay = FrameRows(o);
    }
  }
  FrameRows out;
  frame::OutputRows(a, kFrameOut, in.width, in.depth, 32, &out);

  // Object map: 1 where the frame has object; other depths have none.
  const int w = in.width, d = in.depth;
  std::vector<uint8_t> object(static_cast<size_t>(w) * d, 0);
  if (in.bpp == 8 || in.bpp == 32) {
#pragma omp parallel for schedule(static) if (static_cast <long>(w) * d >= kParallelPixels)
    for (int y = 0; y < d; ++y) {
      const uint8_t* row = in.row(y);
      uint8_t* o = &object[static_cast<size_t>(y) * w];
      for (int x = 0; x < w; ++x) {
        const bool dark = in.bpp == 8 ? row[x] < level : row[4 * x] + row[4 * x + 1] + row[4 * x + 2] < 3 * level;
        o[x] = dark != negative;
      }
    }
  }

  long long excess = 0, missing = 0;
#pragma omp parallel for schedule(static) reduction(+ : excess, missing) if (static_cast <long>(w) * d >= kParallelPixels)
  for (int y = 0; y < d; ++y) {
    const uint8_t* mrow = m.row(y);
    const uint8_t* rows[3] = {y > 0 ? &object[static_cast<size_t>(y - 1) * w] : nullptr,
                              &object[static_cast<size_t>(y) * w],
                              y + 1 < d ? &object[static_cast<size_t>(y + 1) * w] : nullptr};
    uint8_t* orow = out.frame ? out.row(y) : nullptr;
    uint8_t* vrow = overlay.frame ? overlay.row(y) : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint8_t g = mrow[4 * x + 1], r = mrow[4 * x + 2];
      const bool forbidden = r >= 128 && g <= 126, required = r <= 126 && g >= 128;
      bool isObject = false;
      if ((forbidden || required) && rows[1][x]) {
        // The pixel itself and at least 4 object pixels of its 3 x 3 block,
        // cut at the frame border.
        int n = 0;
        for (const uint8_t* row : rows) {
          if (!row) continue;
          n += row[x] + (x > 0 ? row[x - 1] : 0) + (x + 1 < w ? row[x + 1] : 0);
        }
        isObject = n >= 4;
      }
      uint8_t* op = orow ? orow + 4 * x : nullptr;
      if (forbidden && isObject) {
        ++excess;
        if (op) Put(op, 0, 0, 255);
        if (vrow) Put(vrow + 4 * x, 0, 0, 255);
      } else if (required && !isObject) {
        ++missing;
        if (op) Put(op, 0, 255, 0);
        if (vrow) Put(vrow + 4 * x, 0, 255, 0);
      } else if (op) {
        Put(op, 0, 0, 0);
      }
    }
  }

  if (double* p = OutputElement<double>(a, kExcessOut, GetNumber, 0)) *p = static_cast<double>(excess);
  SetOutputMaxIndex(a, kExcessOut, 0);
  if (double* p = OutputElement<double>(a, kMissingOut, GetNumber, 0)) *p = static_cast<double>(missing);
  SetOutputMaxIndex(a, kMissingOut, 0);
  return true;
}

}  // namespace gantrel
