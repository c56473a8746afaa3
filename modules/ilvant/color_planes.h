// The split of a frame into three planes and a mask, and the combine of three
// 8-bit planes and an optional mask into a 32-bit frame; the per-pixel colour
// model (RGB or HSL) is a function argument.
#pragma once

#include <cstring>

#include "frame_access.h"
#include "row_kernels.h"

namespace ilvant::color {

inline constexpr std::u16string_view kCombineNotMonochrome = u"error: Combine RGB requires monochrome input frame";
inline constexpr std::u16string_view kCombineSizes = u"error: Combine RGB requires the same size input frames";

// Outputs 0..2 take row(src, bytes per pixel, p0, p1, p2, width) of every
// colour row; output 3 (optional) takes the alpha, 255 when the input has
// none. An 8-bit input copies into all three planes, or with hslGrey into the
// lightness only (hue and saturation of a grey are 0).
template <typename Row>
bool Split(const RunArgs& a, bool hslGrey, Row row) {
  Frame* in = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  const FrameRows src(in);
  Frame* out[4] = {};
  for (int j = 0; j < 3; ++j) {
    if (!OutputFrame(a, j, src.width, src.depth, 8, &out[j])) return a.fail(kNoOutputFrame);
  }
  if (!OutputFrame(a, 3, src.width, src.depth, 8, &out[3])) out[3] = nullptr;
  if (src.bpp != 8 && src.bpp != 24 && src.bpp != 32) return true;

  const FrameRows p0(out[0]), p1(out[1]), p2(out[2]);
  const bool hasMask = out[3] != nullptr;
  const FrameRows mask(hasMask ? out[3] : out[0]);
  if (src.bpp == 8) {
    const int size = GetFrameSize(in);
    if (hslGrey) {
      ForRows(src.depth, src.width, [&](int y) {
        std::memset(p0.row(y), 0, src.width);
        std::memset(p1.row(y), 0, src.width);
      });
    } else {
      std::memcpy(out[0], in, size);
      std::memcpy(out[1], in, size);
    }
    std::memcpy(out[2], in, size);
    if (hasMask) ForRows(src.depth, src.width, [&](int y) { std::memset(mask.row(y), 255, src.width); });
    return true;
  }
  const int bytes = src.bpp / 8;
  ForRows(src.depth, src.width, [&](int y) {
    row(src.row(y), bytes, p0.row(y), p1.row(y), p2.row(y), src.width);
    if (hasMask) {
      if (bytes == 4) {
        rows::Alpha(src.row(y), mask.row(y), src.width);
      } else {
        std::memset(mask.row(y), 255, src.width);
      }
    }
  });
  return true;
}

// A combine input must be an 8-bit plane of the size of `first` (any size when
// first is null). Answers the failure text, empty when the plane fits.
inline std::u16string_view CheckPlane(Frame* f, const Frame* first) {
  if (GetFrameBPP(f) != 8) return kCombineNotMonochrome;
  if (first && (GetFrameWidth(f) != GetFrameWidth(first) || GetFrameDepth(f) != GetFrameDepth(first))) {
    return kCombineSizes;
  }
  return {};
}

// pixel(c0, c1, c2, px) writes B, G, R of one output pixel from the three
// plane bytes; A is the mask byte, or noMaskAlpha without a mask. `planes`
// are the catalogue's names of the three plane inputs.
template <typename Pixel>
bool Combine(const RunArgs& a, const std::u16string_view (&planes)[3], uint8_t noMaskAlpha, Pixel pixel) {
  Frame* in[4] = {};
  for (int i = 0; i < 3; ++i) {
    if (!InputFrame(a, i, &in[i])) return FailInput(a, planes[i]);
    const std::u16string_view bad = CheckPlane(in[i], i ? in[0] : nullptr);
    if (!bad.empty()) return a.fail(bad);
  }
  if (InputFrame(a, 3, &in[3])) {
    const std::u16string_view bad = CheckPlane(in[3], in[0]);
    if (!bad.empty()) return a.fail(bad);
  } else {
    in[3] = nullptr;
  }
  const FrameRows c0(in[0]), c1(in[1]), c2(in[2]);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, c0.width, c0.depth, 32, &out)) return a.fail(kNoOutputFrame);
  const FrameRows dst(out);
  const bool hasMask = in[3] != nullptr;
  const FrameRows mask(hasMask ? in[3] : in[0]);
  ForRows(c0.depth, c0.width, [&](int y) {
    const uint8_t *s0 = c0.row(y), *s1 = c1.row(y), *s2 = c2.row(y);
    const uint8_t* m = hasMask ? mask.row(y) : nullptr;
    uint8_t* d = dst.row(y);
    for (int x = 0; x < c0.width; ++x, d += 4) {
      pixel(s0[x], s1[x], s2[x], d);
      d[3] = m ? m[x] : noMaskAlpha;
    }
  });
  return true;
}

}  // namespace ilvant::color
