// Masks: paste_mask (a grey frame becomes the alpha channel) and masking
// (pixels under a dark mask take a background colour).
#include <cstring>

#include "pixel_ops.h"
#include "run.h"

namespace ilvant {
namespace {

// Input 0 and the "Mask frame" of the same size.
bool OpenWithMask(const RunArgs& a, Frame** in, Frame** mask) {
  if (!InputFrame(a, 0, in)) return FailInput(a, u"Input frame");
  if (!InputFrame(a, 1, mask)) return FailInput(a, u"Mask frame");
  if (GetFrameWidth(*in) != GetFrameWidth(*mask) || GetFrameDepth(*in) != GetFrameDepth(*mask)) {
    return a.fail(px::kSameDimensions);
  }
  return true;
}

}  // namespace

bool RunPasteMask(const RunArgs& a) {
  Frame* in = nullptr;
  Frame* mask = nullptr;
  if (!OpenWithMask(a, &in, &mask)) return false;
  const FrameRows src = FrameRows(in);
  const FrameRows msk = FrameRows(mask);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, src.width, src.depth, src.bpp, &out)) return a.fail(kNoOutputFrame);
  const FrameRows dst = FrameRows(out);
  if (src.bpp == 8) return a.fail(u"error: Input frame must be 32 bit/pixel");
  if (src.bpp != 32) return a.fail(kNo24Bit);
  if (msk.bpp != 8) return a.fail(px::kNotMonochromatic);
  const int w = src.width;
  ForRows(src.depth, src.width, [&](int y) {
    const uint8_t* s = src.row(y);
    const uint8_t* m = msk.row(y);
    uint8_t* d = dst.row(y);
#pragma omp simd
    for (int x = 0; x < w; ++x) {
      d[4 * x] = s[4 * x];
      d[4 * x + 1] = s[4 * x + 1];
      d[4 * x + 2] = s[4 * x + 2];
      d[4 * x + 3] = m[x];
    }
  });
  return true;
}

bool RunMasking(const RunArgs& a) {
  Frame* in = nullptr;
  Frame* mask = nullptr;
  if (!OpenWithMask(a, &in, &mask)) return false;
  // Without a background colour the masked pixels become transparent black.
  TColor bg{0.0, 0.0, 0.0, 0.0};
  const ParamName colorName = InputName(a, 2);
  TColor* c = nullptr;
  if (colorName.ok && GetColor(a.ctx, 63, colorName.c_str(), 0, &c) && c) {
    frame::WarnArrayInput(a.ctx, 63, colorName.c_str());
    bg = *c;
  }
  const FrameRows src = FrameRows(in);
  const FrameRows msk = FrameRows(mask);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, src.width, src.depth, src.bpp, &out)) return a.fail(kNoOutputFrame);
  const FrameRows dst = FrameRows(out);
  const int w = src.width;
  // A 24-bit input has no pixel body; a mask must be grey whatever the input.
  if (src.bpp == 24) return a.fail(kNo24Bit);
  if ((src.bpp == 8 || src.bpp == 32) && msk.bpp != 8) return a.fail(px::kNotMonochromatic);

  if (src.bpp == 32 && msk.bpp == 8) {
    const uint8_t back[4] = {ColorByte(bg.B), ColorByte(bg.G), ColorByte(bg.R), ColorByte(bg.A)};
    uint32_t backPixel;
    std::memcpy(&backPixel, back, 4);
    ForRows(src.depth, src.width, [&](int y) {
      const uint8_t* s = src.row(y);
      const uint8_t* m = msk.row(y);
      uint8_t* d = dst.row(y);
      const uint32_t background = backPixel;  // a local, so that the loop need not reload it
      const int n = w;
#pragma omp simd
      for (int x = 0; x < n; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, s + 4 * x, 4);
        const uint32_t keep = 0u - static_cast<uint32_t>(m[x] > 127);  // all ones or none, without a branch
        pixel = (pixel & keep) | (background & ~keep);
        std::memcpy(d + 4 * x, &pixel, 4);
      }
    });
  } else if (src.bpp == 8 && msk.bpp == 8) {
    const double sum = ClampUnit(bg.R) + ClampUnit(bg.G) + ClampUnit(bg.B);
    const uint8_t grey = static_cast<uint8_t>(sum * 255.0 / 3.0);
    ForRows(src.depth, src.width, [&](int y) {
      const uint8_t* s = src.row(y);
      const uint8_t* m = msk.row(y);
      uint8_t* d = dst.row(y);
      const uint8_t g = grey;
      const int n = w;
#pragma omp simd
      for (int x = 0; x < n; ++x) {
        const uint8_t keep = static_cast<uint8_t>(0u - static_cast<unsigned>(m[x] > 127));
        d[x] = static_cast<uint8_t>((s[x] & keep) | (g & ~keep));
      }
    });
  }
  return true;
}

}  // namespace ilvant
