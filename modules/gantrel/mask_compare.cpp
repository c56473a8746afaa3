#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "color_stat.h"
#include "frame/row_kernel.h"

namespace gantrel {

namespace {

enum { kFrameIn, kMaskIn, kThresholdIn, kNegativeIn, kShowIn };
enum { kExcessOut, kMissingOut, kFrameOut };

// Frames below this many pixels run on one thread.
constexpr long kParallelPixels = 32768;

// Rows go to the threads in blocks, each block reading one row of the frame
// above and below it again.
constexpr int kBlockRows = 32;

constexpr uint32_t Bgra(uint8_t b, uint8_t g, uint8_t r) { return std::bit_cast<uint32_t>(std::array<uint8_t, 4>{b, g, r, 255}); }
constexpr uint32_t kRed = Bgra(0, 0, 255), kGreen = Bgra(0, 255, 0), kBlack = Bgra(0, 0, 0);

// 1 where the pixel is object: dark below the level, light with "Negative".
VISION_ROW_KERNEL
void ObjectRow(const uint8_t* row, int bpp, int w, int level, bool negative, uint8_t* o) {
  const uint8_t flip = negative ? 1 : 0;
  if (bpp == 8) {
    for (int x = 0; x < w; ++x) o[x] = static_cast<uint8_t>((row[x] < level ? 1 : 0) ^ flip);
  } else {
    for (int x = 0; x < w; ++x) {
      o[x] = static_cast<uint8_t>((row[4 * x] + row[4 * x + 1] + row[4 * x + 2] < 3 * level ? 1 : 0) ^ flip);
    }
  }
}

// What each pixel of a row is: 1 excess (forbidden where there is object),
// 2 missing (required where there is none), else 0. An object pixel needs at
// least 4 object pixels in its 3 x 3 block (itself included, cut at the frame
// border); up, mid and down are object rows with a 0 before and after.
VISION_ROW_KERNEL
void CompareRow(const uint8_t* mask, const uint8_t* up, const uint8_t* mid, const uint8_t* down, int w,
                uint8_t* kind, int* excess, int* missing) {
  int e = 0, m = 0;
  for (int x = 0; x < w; ++x) {
    const uint8_t g = mask[4 * x + 1], r = mask[4 * x + 2];
    const int forbidden = r >= 128 && g <= 126, required = r <= 126 && g >= 128;
    const int n = up[x - 1] + up[x] + up[x + 1] + mid[x - 1] + mid[x] + mid[x + 1] + down[x - 1] + down[x] + down[x + 1];
    const int object = mid[x] & (n >= 4);
    const int ex = forbidden & object, mi = required & (object ^ 1);
    e += ex;
    m += mi;
    kind[x] = static_cast<uint8_t>(ex | mi << 1);
  }
  *excess += e;
  *missing += m;
}

VISION_ROW_KERNEL
void PaintRow(const uint8_t* kind, int w, uint8_t* out) {
  for (int x = 0; x < w; ++x) {
    const uint32_t v = kind[x] == 1 ? kRed : kind[x] == 2 ? kGreen : kBlack;
    std::memcpy(out + 4 * x, &v, 4);
  }
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

  // Other depths have no object pixels.
  const int w = in.width, d = in.depth;
  const bool readable = in.bpp == 8 || in.bpp == 32;
  long long excess = 0, missing = 0;
#pragma omp parallel reduction(+ : excess, missing) if (static_cast <long>(w) * d >= kParallelPixels)
  {
    // Three object rows (y - 1, y, y + 1), each with a 0 on either side.
    const size_t span = static_cast<size_t>(w) + 2;
    std::vector<uint8_t> objects(3 * span, 0), kind(static_cast<size_t>(w));
    uint8_t* slot[3] = {&objects[1], &objects[span + 1], &objects[2 * span + 1]};
    const auto load = [&](uint8_t* o, int y) {
      if (readable && y >= 0 && y < d) {
        ObjectRow(in.row(y), in.bpp, w, level, negative, o);
      } else {
        std::memset(o, 0, static_cast<size_t>(w));
      }
    };
#pragma omp for schedule(dynamic)
    for (int y0 = 0; y0 < d; y0 += kBlockRows) {
      load(slot[0], y0 - 1);
      load(slot[1], y0);
      for (int y = y0; y < std::min(y0 + kBlockRows, d); ++y) {
        load(slot[2], y + 1);
        int rowExcess = 0, rowMissing = 0;
        CompareRow(m.row(y), slot[0], slot[1], slot[2], w, kind.data(), &rowExcess, &rowMissing);
        excess += rowExcess;
        missing += rowMissing;
        if (out.frame) PaintRow(kind.data(), w, out.row(y));
        if (overlay.frame) {
          uint8_t* v = overlay.row(y);
          for (int x = 0; x < w; ++x) {
            if (kind[x]) std::memcpy(v + 4 * x, kind[x] == 1 ? &kRed : &kGreen, 4);
          }
        }
        std::rotate(slot, slot + 1, slot + 3);
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
