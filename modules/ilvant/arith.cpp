// Per-channel arithmetic: simple_threshold, inverse, add_const, mult_const,
// add_frame and sub_frame.
#include <algorithm>
#include <cstring>

#include "pixel_ops.h"
#include "run.h"

namespace ilvant {
namespace {

// 0xFF at the alpha byte of each of 16 BGRA pixels.
constexpr int kBlock = 64;
struct AlphaLanes {
  alignas(64) uint8_t bytes[kBlock];
};
constexpr AlphaLanes MakeAlphaLanes() {
  AlphaLanes l{};
  for (int j = 0; j < kBlock; ++j) l.bytes[j] = (j & 3) == 3 ? 0xFF : 0;
  return l;
}
constexpr AlphaLanes kAlphaLanes = MakeAlphaLanes();

// Applies op to every colour channel (grey; B, G, R) of a 8-, 24- or 32-bit
// frame. The 32-bit alpha byte is copied from the source when CopyAlpha,
// otherwise left as the host made it. Other depths are left alone. Input and
// output are distinct frames, so the row loops may run as SIMD.
template <bool CopyAlpha, class Op>
void ForEachChannel(const FrameRows& src, const FrameRows& dst, const Op& op) {
  if (src.bpp == 8 || src.bpp == 24) {
    const int n = src.width * (src.bpp / 8);
    ForRows(src.depth, src.width, [&](int y) {
      const uint8_t* s = src.row(y);
      uint8_t* d = dst.row(y);
      const Op f = op;  // locals, so that the loop need not reload them
      const int count = n;
#pragma omp simd
      for (int i = 0; i < count; ++i) d[i] = f(s[i]);
    });
  } else if (src.bpp == 32) {
    // Blocks of 16 pixels as 64 plain bytes, the alpha lanes chosen by a
    // constant mask: wide loads and stores instead of shuffling pixel quads.
    const int nb = src.width * 4;
    ForRows(src.depth, src.width, [&](int y) {
      const uint8_t* s = src.row(y);
      uint8_t* d = dst.row(y);
      const Op f = op;
      int i = 0;
      for (; i + kBlock <= nb; i += kBlock) {
        const uint8_t* bs = s + i;
        uint8_t* bd = d + i;
#pragma omp simd
        for (int j = 0; j < kBlock; ++j) {
          const uint8_t m = kAlphaLanes.bytes[j];
          const uint8_t alpha = CopyAlpha ? bs[j] : bd[j];
          bd[j] = static_cast<uint8_t>((alpha & m) | (f(bs[j]) & ~m));
        }
      }
      for (; i < nb; ++i) {
        if ((i & 3) != 3) {
          d[i] = f(s[i]);
        } else if (CopyAlpha) {
          d[i] = s[i];
        }
      }
    });
  }
}

// The steps every one-frame method shares: input 0, then the output with the
// input's geometry.
struct OneFrame {
  Frame* in = nullptr;
  Frame* out = nullptr;
  FrameRows src, dst;
};

bool OpenOneFrame(const RunArgs& a, OneFrame* f) {
  if (!InputFrame(a, 0, &f->in)) return FailInput(a, u"Input frame");
  f->src = FrameRows(f->in);
  if (!OutputFrame(a, 0, f->src.width, f->src.depth, f->src.bpp, &f->out)) return a.fail(kNoOutputFrame);
  f->dst = FrameRows(f->out);
  return true;
}

struct AddOp {
  static uint8_t apply(int a, int b) { return static_cast<uint8_t>(std::min(a + b, 255)); }
};
struct SubOp {
  static uint8_t apply(int a, int b) { return static_cast<uint8_t>(std::max(a - b, 0)); }
};

// 16 grey bytes as 16 pixels of four equal bytes.
inline void Spread(const uint8_t* grey, uint8_t* out) {
  for (int p = 0; p < kBlock / 4; ++p) {
    const uint32_t v = grey[p] * 0x01010101u;
    std::memcpy(out + 4 * p, &v, 4);
  }
}

// One 32-bit output row from operands of NA and NB bytes per pixel (4 or 1):
// a grey operand takes part in each of B, G, R; the alpha comes from input 0
// when it has one, else from input 1. Blocks of 16 pixels run as 64 plain
// bytes (a grey operand spread out first), the rest pixel by pixel.
template <class Op, int NA, int NB>
void ColourRow(const uint8_t* pa, const uint8_t* pb, uint8_t* po, int w) {
  alignas(64) uint8_t spreadA[kBlock];
  alignas(64) uint8_t spreadB[kBlock];
  int x = 0;
  for (; x + kBlock / 4 <= w; x += kBlock / 4) {
    const uint8_t* a = pa + NA * x;
    const uint8_t* b = pb + NB * x;
    if constexpr (NA == 1) {
      Spread(a, spreadA);
      a = spreadA;
    }
    if constexpr (NB == 1) {
      Spread(b, spreadB);
      b = spreadB;
    }
    uint8_t* o = po + 4 * x;
#pragma omp simd
    for (int j = 0; j < kBlock; ++j) {
      const uint8_t m = kAlphaLanes.bytes[j];
      const uint8_t alpha = NA == 4 ? a[j] : b[j];
      o[j] = static_cast<uint8_t>((alpha & m) | (Op::apply(a[j], b[j]) & ~m));
    }
  }
  constexpr int ca = NA == 4 ? 1 : 0;
  constexpr int cb = NB == 4 ? 1 : 0;
  for (; x < w; ++x) {
    po[4 * x] = Op::apply(pa[NA * x], pb[NB * x]);
    po[4 * x + 1] = Op::apply(pa[NA * x + ca], pb[NB * x + cb]);
    po[4 * x + 2] = Op::apply(pa[NA * x + 2 * ca], pb[NB * x + 2 * cb]);
    po[4 * x + 3] = NA == 4 ? pa[4 * x + 3] : pb[4 * x + 3];
  }
}

// add_frame and sub_frame: channel by channel, a from input 0, b from input 1.
template <class Op>
bool RunFrameOp(const RunArgs& a, std::u16string_view secondName) {
  Frame* first = nullptr;
  Frame* second = nullptr;
  if (!InputFrame(a, 0, &first)) return FailInput(a, u"Input frame");
  if (!InputFrame(a, 1, &second)) return FailInput(a, secondName);
  const FrameRows fa = FrameRows(first);
  const FrameRows fb = FrameRows(second);
  if (fa.width != fb.width || fa.depth != fb.depth) return a.fail(px::kSameDimensions);
  if (fa.bpp == 24 || fb.bpp == 24) return a.fail(kNo24Bit);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, fa.width, fa.depth, std::max(fa.bpp, fb.bpp), &out)) return a.fail(kNoOutputFrame);
  const FrameRows fo = FrameRows(out);
  const int w = fa.width;

  if (fa.bpp == 8 && fb.bpp == 8) {
    ForRows(fa.depth, fa.width, [&](int y) {
      const uint8_t* pa = fa.row(y);
      const uint8_t* pb = fb.row(y);
      uint8_t* po = fo.row(y);
#pragma omp simd
      for (int x = 0; x < w; ++x) po[x] = Op::apply(pa[x], pb[x]);
    });
  } else if (fa.bpp == 32 && fb.bpp == 32) {
    ForRows(fa.depth, fa.width, [&](int y) { ColourRow<Op, 4, 4>(fa.row(y), fb.row(y), fo.row(y), w); });
  } else if (fa.bpp == 32 && fb.bpp == 8) {
    ForRows(fa.depth, fa.width, [&](int y) { ColourRow<Op, 4, 1>(fa.row(y), fb.row(y), fo.row(y), w); });
  } else if (fa.bpp == 8 && fb.bpp == 32) {
    ForRows(fa.depth, fa.width, [&](int y) { ColourRow<Op, 1, 4>(fa.row(y), fb.row(y), fo.row(y), w); });
  }
  return true;
}

}  // namespace

bool RunSimpleThreshold(const RunArgs& a) {
  OneFrame f;
  if (!OpenOneFrame(a, &f)) return false;
  int t = 128;
  const px::NumberInput n = px::ReadNumber(a, 1);
  if (n.ok) {
    if (n.value > 1.0) {
      px::WarnCorrected(a, n, 1.0);
      t = 255;
    } else if (n.value < 0.0) {
      px::WarnCorrected(a, n, 0.0);
      t = 0;
    } else {
      t = static_cast<int>(px::Scaled(n.value, 255.0));
    }
  }
  ForEachChannel<false>(f.src, f.dst, [t](int c) { return static_cast<uint8_t>(c < t ? 0 : 255); });
  return true;
}

bool RunInverse(const RunArgs& a) {
  OneFrame f;
  if (!OpenOneFrame(a, &f)) return false;
  ForEachChannel<true>(f.src, f.dst, [](int c) { return static_cast<uint8_t>(255 - c); });
  return true;
}

bool RunAddConst(const RunArgs& a) {
  OneFrame f;
  if (!OpenOneFrame(a, &f)) return false;
  double k = 0.0;
  const px::NumberInput n = px::ReadNumber(a, 1);
  if (n.ok) {
    k = px::Scaled(n.value, 255.0);
    if (k < -255.0) {
      px::WarnCorrected(a, n, -1.0);
      k = -255.0;
    } else if (k > 255.0) {
      px::WarnCorrected(a, n, 1.0);
      k = 255.0;
    }
  }
  const int add = static_cast<int>(k);
  if (add == 0) {
    CopyFrame(f.out, f.in);
    return true;
  }
  ForEachChannel<true>(f.src, f.dst, [add](int c) { return static_cast<uint8_t>(std::clamp(c + add, 0, 255)); });
  return true;
}

bool RunMultConst(const RunArgs& a) {
  OneFrame f;
  if (!OpenOneFrame(a, &f)) return false;
  // An absent multiplier is the catalogue's default 1, an unchanged frame.
  double m = 256.0;
  const px::NumberInput n = px::ReadNumber(a, 1);
  if (n.ok) {
    m = px::Scaled(n.value, 256.0);
    if (m < 0.0) {
      px::WarnCorrected(a, n, 0.0);
      m = 0.0;
    }
  }
  // Any factor from 65536 on already saturates every non-zero channel; the
  // cap keeps c x m within int.
  const int mult = static_cast<int>(std::min(m, 65536.0));
  if (mult == 256) {
    CopyFrame(f.out, f.in);
    return true;
  }
  if (f.src.bpp == 24) return a.fail(kNo24Bit);
  ForEachChannel<true>(f.src, f.dst, [mult](int c) { return static_cast<uint8_t>(std::min((c * mult) >> 8, 255)); });
  return true;
}

bool RunAddFrame(const RunArgs& a) { return RunFrameOp<AddOp>(a, u"Added frame"); }
bool RunSubFrame(const RunArgs& a) { return RunFrameOp<SubOp>(a, u"Substract frame"); }

}  // namespace ilvant
