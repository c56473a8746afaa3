// blend_frame (a fixed weight) and blend_frame_alpha (the weight is the blend
// frame's alpha): the blend frame is laid over a copy of the input at a
// sub-pixel offset, turned by the run's coordinate-system angle.
#include <algorithm>
#include <climits>
#include <cmath>

#include "pixel_ops.h"
#include "run.h"

namespace ilvant {
namespace {

struct BlendJob {
  FrameRows dst;    // the output, already a copy of the input
  FrameRows blend;  // the frame laid over it
  double ox = 0.0;
  double oy = 0.0;
  float cs = 1.0f;
  float sn = 0.0f;
  int weight = 256;  // blend_frame: 0..256, in 1/256
};

inline uint8_t Mix(int c, int s, int a) { return static_cast<uint8_t>((c * (256 - a) + s * a) >> 8); }
inline uint8_t AlphaMix(int c, int s, int alpha) { return static_cast<uint8_t>((s * alpha + c * (255 - alpha)) / 255); }

// No rotation: whole pixels, output row y over blend row trunc(y - oy).
template <bool ByAlpha, int OutBpp, int BlendBpp>
void BlendStraight(const BlendJob& j) {
  constexpr int ob = OutBpp / 8;
  constexpr int bb = BlendBpp / 8;
  const int x0 = std::max(frame::TruncateToInt(j.ox), 0);
  const int bx0 = std::max(frame::TruncateToInt(-j.ox), 0);
  const int count = std::min(j.dst.width - x0, j.blend.width - bx0);
  if (count <= 0) return;
  const int weight = j.weight;
  ForRows(j.dst.depth, j.dst.width, [&](int y) {
    const double r = y - j.oy;
    int by;
    if constexpr (ByAlpha) {
      // This variant tests the real row position.
      if (!(r >= 0.0 && r < j.blend.depth)) return;
      by = static_cast<int>(r);
    } else {
      by = frame::TruncateToInt(r);
      if (by < 0 || by >= j.blend.depth) return;
    }
    uint8_t* o = j.dst.row(y) + static_cast<size_t>(x0) * ob;
    const uint8_t* b = j.blend.row(by) + static_cast<size_t>(bx0) * bb;
    const int a = weight;  // locals, so that the loops need not reload them
    const int n = count;
    if constexpr (OutBpp == 8) {
#pragma omp simd
      for (int i = 0; i < n; ++i) {
        const uint8_t* q = b + bb * i;
        const int s = BlendBpp == 8 ? q[0] : (q[0] + q[1] + q[2]) / 3;
        if constexpr (ByAlpha) {
          o[i] = AlphaMix(o[i], s, q[3]);
        } else {
          o[i] = a == 256 ? static_cast<uint8_t>(s) : Mix(o[i], s, a);
        }
      }
    } else if (!ByAlpha && BlendBpp == 32 && a == 256) {
      std::copy_n(b, 4 * n, o);  // whole blend pixels, alpha included
    } else {
      constexpr int cb = BlendBpp == 8 ? 0 : 1;  // an 8-bit blend frame gives its grey to B, G and R
#pragma omp simd
      for (int i = 0; i < n; ++i) {
        const int s0 = b[bb * i], s1 = b[bb * i + cb], s2 = b[bb * i + 2 * cb];
        if constexpr (ByAlpha) {
          const int alpha = b[bb * i + 3];
          o[4 * i] = AlphaMix(o[4 * i], s0, alpha);
          o[4 * i + 1] = AlphaMix(o[4 * i + 1], s1, alpha);
          o[4 * i + 2] = AlphaMix(o[4 * i + 2], s2, alpha);
        } else {
          o[4 * i] = Mix(o[4 * i], s0, a);
          o[4 * i + 1] = Mix(o[4 * i + 1], s1, a);
          o[4 * i + 2] = Mix(o[4 * i + 2], s2, a);
        }
        o[4 * i + 3] = 255;
      }
    }
  });
}

// Columns first..last of an output row (empty when last < first).
struct Span {
  int first, last;
};

// Narrows the span to the columns x where 256 <= slope * x + offset < end may
// hold, with two columns to spare for rounding; the caller still tests each.
void NarrowToBand(Span* span, double slope, double offset, double end) {
  if (span->last < span->first) return;
  if (std::abs(slope) * (std::abs(static_cast<double>(span->last)) + 1.0) < 0.5) {
    // The value changes by less than half a step along the row: all columns or none.
    if (!(offset >= 255.0 && offset < end + 1.0)) span->last = span->first - 1;
    return;
  }
  double lo = (256.0 - offset) / slope;
  double hi = (end - offset) / slope;
  if (lo > hi) std::swap(lo, hi);
  if (!(hi >= span->first - 2.0 && lo <= span->last + 2.0)) {  // also catches NaN
    span->last = span->first - 1;
    return;
  }
  // Compared as doubles: a far bound must not overflow an int.
  span->first = static_cast<int>(std::max<double>(span->first, std::floor(lo) - 2.0));
  span->last = static_cast<int>(std::min<double>(span->last, std::ceil(hi) + 2.0));
}

// Rotation: each output pixel maps into the blend frame in 1/256 pixel and
// takes a bilinear sample with 8-bit fractions. The output is walked in
// tiles, so that a turned footprint reads blend rows that are still cached;
// bands of rows are split statically over the threads.
template <bool ByAlpha, int OutBpp, int BlendBpp>
void BlendRotated(const BlendJob& j) {
  constexpr int bb = BlendBpp / 8;
  constexpr int ob = OutBpp / 8;
  constexpr int kTile = 64;
  const double uEnd = 256.0 * (j.blend.width - 1);
  const double vEnd = 256.0 * (j.blend.depth - 1);
  const int a = j.weight;
  const int width = j.dst.width;
  const int depth = j.dst.depth;

  const auto pixel = [&](int x, int y, double dy) {
    const double dx = 256.0 * x - 256.0 * j.ox;
    const double u = dx * j.cs + dy * j.sn;
    const double v = dy * j.cs - dx * j.sn;
    if (!(u >= 256.0 && u < uEnd && v >= 256.0 && v < vEnd)) return;
    // 64-bit: a blend frame wider or deeper than 2^23 pixels puts u or v past the int range.
    const int64_t iu = static_cast<int64_t>(u);
    const int64_t iv = static_cast<int64_t>(v);
    const int fx = static_cast<int>(iu & 255);
    const int fy = static_cast<int>(iv & 255);
    const int w00 = (256 - fy) * (256 - fx);
    const int w10 = (256 - fy) * fx;
    const int w01 = (256 - fx) * fy;
    const int w11 = 65536 - w00 - w10 - w01;
    const int iy = static_cast<int>(iv >> 8);
    const uint8_t* p0 = j.blend.row(iy) + static_cast<size_t>(iu >> 8) * bb;  // (ix, iy), (ix + 1, iy)
    const uint8_t* p1 = j.blend.row(iy + 1) + static_cast<size_t>(iu >> 8) * bb;
    const auto channel = [&](int c) { return (p0[c] * w00 + p0[bb + c] * w10 + p1[c] * w01 + p1[bb + c] * w11) >> 16; };
    uint8_t* o = j.dst.row(y) + static_cast<size_t>(x) * ob;
    if constexpr (OutBpp == 8) {
      int s;
      if constexpr (BlendBpp == 8) {
        s = channel(0);
      } else {
        const auto sum = [](const uint8_t* p) { return p[0] + p[1] + p[2]; };
        s = (sum(p0) * w00 / 3 + sum(p0 + 4) * w10 / 3 + sum(p1) * w01 / 3 + sum(p1 + 4) * w11 / 3) >> 16;
      }
      if constexpr (ByAlpha) {
        o[0] = AlphaMix(o[0], s, p0[3]);
      } else {
        o[0] = Mix(o[0], s, a);
      }
    } else {
      const int grey = BlendBpp == 8 ? channel(0) : 0;
      for (int c = 0; c < 3; ++c) {
        const int s = BlendBpp == 8 ? grey : channel(c);
        if constexpr (ByAlpha) {
          o[c] = AlphaMix(o[c], s, p0[3]);
        } else {
          o[c] = Mix(o[c], s, a);
        }
      }
      o[3] = 255;
    }
  };

  const int bands = (depth + kTile - 1) / kTile;
#pragma omp parallel for schedule(dynamic) if (static_cast <long>(depth) * width >= kParallelPixels)
  for (int band = 0; band < bands; ++band) {
    const int y0 = band * kTile;
    const int y1 = std::min(depth, y0 + kTile);
    Span spans[kTile];
    for (int y = y0; y < y1; ++y) {
      // Only columns near the blend frame's footprint can pass the exact test.
      const double dy = 256.0 * y - 256.0 * j.oy;
      Span& span = spans[y - y0];
      span = {0, width - 1};
      NarrowToBand(&span, 256.0 * j.cs, dy * j.sn - 256.0 * j.ox * j.cs, uEnd);
      NarrowToBand(&span, -256.0 * j.sn, dy * j.cs + 256.0 * j.ox * j.sn, vEnd);
    }
    for (int x0 = 0; x0 < width; x0 += kTile) {
      for (int y = y0; y < y1; ++y) {
        const Span& span = spans[y - y0];
        const int first = std::max(x0, span.first);
        const int last = std::min(x0 + kTile - 1, span.last);
        const double dy = 256.0 * y - 256.0 * j.oy;
        for (int x = first; x <= last; ++x) pixel(x, y, dy);
      }
    }
  }
}

template <bool ByAlpha, int OutBpp, int BlendBpp>
void BlendAt(const BlendJob& j) {
  if (j.sn == 0.0f) {
    BlendStraight<ByAlpha, OutBpp, BlendBpp>(j);
  } else {
    BlendRotated<ByAlpha, OutBpp, BlendBpp>(j);
  }
}

// Only 8- and 32-bit frames reach here; the alpha variant has a 32-bit
// blend frame by now.
template <bool ByAlpha>
void Blend(const BlendJob& j) {
  const int out = j.dst.bpp;
  const int in = j.blend.bpp;
  if (out == 8 && in == 32) BlendAt<ByAlpha, 8, 32>(j);
  if (out == 32 && in == 32) BlendAt<ByAlpha, 32, 32>(j);
  if constexpr (!ByAlpha) {
    if (out == 8 && in == 8) BlendAt<false, 8, 8>(j);
    if (out == 32 && in == 8) BlendAt<false, 32, 8>(j);
  }
}

template <bool ByAlpha>
bool RunBlend(const RunArgs& a) {
  Frame* in = nullptr;
  Frame* over = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  if (!InputFrame(a, 1, &over)) return FailInput(a, u"Blend frame");
  BlendJob j;
  j.blend = FrameRows(over);
  if (ByAlpha && j.blend.bpp != 32) return a.fail(u"error: Blend frame must be 32 bit/pix");
  // Only 8- and 32-bit pixels are blended; a 24-bit frame would come back a plain copy.
  if (GetFrameBPP(in) == 24 || j.blend.bpp == 24) return a.fail(kNo24Bit);

  const ParamName offsetName = InputName(a, ByAlpha ? 2 : 3);
  TPoint* offset = nullptr;
  if (offsetName.ok && GetPoint(a.ctx, 63, offsetName.c_str(), 0, &offset) && offset) {
    frame::WarnArrayInput(a.ctx, 63, offsetName.c_str());
    // A NaN offset would leave the row and column tests undefined.
    j.ox = std::isnan(offset->x) ? 0.0 : offset->x;
    j.oy = std::isnan(offset->y) ? 0.0 : offset->y;
  }

  double angle = 0.0;
  TransformAngle(a.ctx, 0.0, &angle);
  const float radians = static_cast<float>(angle * 0.017453292519943295);
  j.cs = std::cos(radians);
  j.sn = std::sin(radians);

  if constexpr (!ByAlpha) {
    const px::NumberInput n = px::ReadNumber(a, 2);
    if (n.ok) {
      double w = px::Scaled(n.value, 256.0);
      if (w < 0.0) {
        px::WarnCorrected(a, n, 0.0);
        w = 0.0;
      } else if (w > 256.0) {
        px::WarnCorrected(a, n, 1.0);
        w = 256.0;
      }
      j.weight = static_cast<int>(w);
    }
  }

  const int width = GetFrameWidth(in);
  const int depth = GetFrameDepth(in);
  const int bpp = GetFrameBPP(in);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, width, depth, bpp, &out)) return a.fail(kNoOutputFrame);
  CopyFrame(out, in);
  j.dst = FrameRows(out);
  if (j.weight == 0) return true;
  Blend<ByAlpha>(j);
  return true;
}

}  // namespace

bool RunBlendFrame(const RunArgs& a) { return RunBlend<false>(a); }
bool RunBlendFrameAlpha(const RunArgs& a) { return RunBlend<true>(a); }

}  // namespace ilvant
