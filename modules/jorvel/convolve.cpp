#include "convolve.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/row_kernel.h"
#include "frame/run_args.h"

namespace jorvel {

namespace {

ptrdiff_t Stride(int width, int bpp) { return static_cast<ptrdiff_t>((static_cast<int64_t>(width) * bpp + 31) / 32 * 4); }

// body(y, buffer) for every row over the threads, each thread with its own
// buffer of `floats` floats.
template <class Body>
void RowsWithBuffer(int depth, int width, size_t floats, const Body& body) {
#pragma omp parallel if (static_cast <long>(depth) * width >= frame::kParallelPixels)
  {
    std::vector<float> buffer(floats);
#pragma omp for schedule(static)
    for (int y = 0; y < depth; ++y) body(y, buffer.data());
  }
}

// A float sum as a byte held to 0..255; NaN gives 0.
inline uint8_t Clamped(float s) { return !(s >= 0.0f) ? 0 : s > 255.0f ? 255 : static_cast<uint8_t>(s); }

// The low eight bits of a truncated quotient (the passes do not clamp).
inline uint8_t LowByte(float s, float w) {
  if (w == 0.0f) return 0;
  const float v = s / w;
  return std::isfinite(v) ? static_cast<uint8_t>(static_cast<int>(std::clamp(v, -1e9f, 1e9f))) : 0;
}


// acc[i] += k * s[i]: one tap for a run of pixels.
VISION_ROW_KERNEL void MulAdd(float* __restrict acc, const uint8_t* __restrict s, float k, size_t n) {
  for (size_t i = 0; i < n; ++i) acc[i] += k * static_cast<float>(s[i]);
}

VISION_ROW_KERNEL void MulAdd(float* __restrict acc, const float* __restrict s, float k, size_t n) {
  for (size_t i = 0; i < n; ++i) acc[i] += k * s[i];
}

VISION_ROW_KERNEL void StoreClamped(uint8_t* __restrict out, const float* __restrict acc, size_t n) {
  for (size_t i = 0; i < n; ++i) out[i] = Clamped(acc[i]);
}

VISION_ROW_KERNEL void StoreClampedDivided(uint8_t* __restrict out, const float* __restrict acc, size_t n, float w) {
  for (size_t i = 0; i < n; ++i) out[i] = Clamped(acc[i] / w);
}

// The passes' kernels are non-negative and their quotients lie in 0..255;
// a zero weight sum gives 0.
VISION_ROW_KERNEL void StoreQuotient(uint8_t* __restrict out, const float* __restrict acc, size_t n, float w) {
  if (w == 0.0f) {
    for (size_t i = 0; i < n; ++i) out[i] = 0;
    return;
  }
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(static_cast<int>(acc[i] / w));
}

// sqrt(x^2 + y^2): squares and sum in single precision, root in double.
VISION_ROW_KERNEL void Magnitudes(float* __restrict m, const float* __restrict x, const float* __restrict y, size_t n) {
  for (size_t i = 0; i < n; ++i) m[i] = static_cast<float>(std::sqrt(static_cast<double>(x[i] * x[i] + y[i] * y[i])));
}

VISION_ROW_KERNEL void GreyToFloat(float* __restrict out, const uint8_t* __restrict in, size_t n) {
  for (size_t i = 0; i < n; ++i) out[i] = in[i];
}

// One row of the suppression, pixels 1..width-2 of an inner row; m, x and y
// point at the row's first such pixel, w is the plane's row length. Every
// candidate is loaded and the choice made by selection, so that the row runs
// without branches; the values compared are those of the definition.
VISION_ROW_KERNEL void SuppressRow(uint8_t* __restrict out, const float* __restrict m, const float* __restrict x,
                                   const float* __restrict y, ptrdiff_t w, size_t n, float t) {
  for (size_t j = 0; j < n; ++j) {
    const float* p = m + j;
    const float up = p[w], down = p[-w], right = p[1], left = p[-1];
    const float upRight = p[w + 1], upLeft = p[w - 1], downRight = p[-w + 1], downLeft = p[-w - 1];
    const float ax = std::fabs(x[j]), ay = std::fabs(y[j]);
    // "Below 0.01" in double: no float lies between 0.01f and 0.01.
    const bool flat = (ax <= 0.01f) & (ay <= 0.01f);
    const bool steep = ay > ax;
    const bool same = x[j] * y[j] > 0.0f;
    const float tt = (steep ? ax : ay) / (steep ? ay : ax);
    const float a = steep ? up : right;
    const float b = steep ? down : left;
    const float cSide = steep ? upLeft : downRight, dSide = steep ? downRight : upLeft;
    const float c = same ? upRight : cSide;
    const float d = same ? downLeft : dSide;
    const float p1 = (1.0f - tt) * a + tt * c;
    const float p2 = (1.0f - tt) * b + tt * d;
    const float mm = p[0];
    const int keep = !flat & (mm > p1) & (mm > p2) & (mm * 20.0f > t);
    out[j] = static_cast<uint8_t>(keep * 255);
  }
}

struct Geometry {
  uint8_t* src;
  uint8_t* dst;
  ptrdiff_t stride;
  int n;       // bytes per pixel
  int colour;  // colour channels: 1 or 3
};

bool Describe(Frame* src, Frame* dst, Geometry* g) {
  const int bpp = GetFrameBPP(src);
  if (bpp != 8 && bpp != 24 && bpp != 32) return false;
  g->src = GetFrameDataAddr(src);
  g->dst = GetFrameDataAddr(dst);
  g->stride = Stride(GetFrameWidth(src), bpp);
  g->n = bpp / 8;
  g->colour = bpp == 8 ? 1 : 3;
  return true;
}

}  // namespace

void ConvolveKernel(Frame* src, const float* kernel, int kh, int kw, Frame* dst, int depth, int width,
                    bool normalise) {
  Geometry g;
  if (!Describe(src, dst, &g) || depth <= 0 || width <= 0) return;
  const int halfH = (kh - 1) / 2, halfW = (kw - 1) / 2;
  const int n = g.n;
  // Columns whose taps all lie inside the frame.
  const int x0 = std::min(halfW, width), x1 = std::max(x0, width - (kw - 1 - halfW));
  RowsWithBuffer(depth, width, static_cast<size_t>(width) * n, [&](int y, float* acc) {
    const int r0 = std::max(0, y + halfH - (depth - 1)), r1 = std::min(kh - 1, y + halfH);  // rows inside
    uint8_t* out = g.dst + y * g.stride;
    const uint8_t* in = g.src + y * g.stride;
    // Interior: every pixel's sum gathered tap after tap, across the row at once.
    if (x1 > x0) {
      float w = 0.0f;
      const size_t lo = static_cast<size_t>(x0) * n, hi = static_cast<size_t>(x1) * n;
      std::fill(acc + lo, acc + hi, 0.0f);
      for (int r = r0; r <= r1; ++r) {
        const uint8_t* row = g.src + (y + halfH - r) * g.stride;
        for (int c = 0; c < kw; ++c) {
          const float k = kernel[r * kw + c];
          w += k;
          MulAdd(acc + lo, row + (c - halfW) * n + lo, k, hi - lo);
        }
      }
      if (normalise && w != 0.0f) {
        StoreClampedDivided(out + lo, acc + lo, hi - lo, w);
      } else {
        StoreClamped(out + lo, acc + lo, hi - lo);
      }
    }
    // Border columns: taps clipped per pixel.
    auto edge = [&](int x) {
      float s[3] = {0.0f, 0.0f, 0.0f};
      float w = 0.0f;
      const int c0 = std::max(0, halfW - x), c1 = std::min(kw - 1, width - 1 - x + halfW);
      for (int r = r0; r <= r1; ++r) {
        const uint8_t* row = g.src + (y + halfH - r) * g.stride;
        for (int c = c0; c <= c1; ++c) {
          const float k = kernel[r * kw + c];
          w += k;
          const uint8_t* p = row + (x - halfW + c) * n;
          for (int ch = 0; ch < g.colour; ++ch) s[ch] += k * static_cast<float>(p[ch]);
        }
      }
      const bool divide = normalise && w != 0.0f;
      for (int ch = 0; ch < g.colour; ++ch) out[x * n + ch] = Clamped(divide ? s[ch] / w : s[ch]);
    };
    if (x1 > x0) {
      for (int x = 0; x < x0; ++x) edge(x);
      for (int x = x1; x < width; ++x) edge(x);
    } else {
      for (int x = 0; x < width; ++x) edge(x);
    }
    if (n == 4) {
      for (int x = 0; x < width; ++x) out[x * 4 + 3] = in[x * 4 + 3];
    }
  });
}

void ConvolveRows(Frame* src, const float* kernel, int nk, Frame* dst, int depth, int width) {
  Geometry g;
  if (!Describe(src, dst, &g) || depth <= 0 || width <= 0) return;
  const int half = (nk - 1) / 2, n = g.n;
  const int x0 = std::min(half, width), x1 = std::max(x0, width - (nk - 1 - half));
  float wAll = 0.0f;
  for (int k = 0; k < nk; ++k) wAll += kernel[k];
  RowsWithBuffer(depth, width, static_cast<size_t>(width) * n, [&](int y, float* acc) {
    const uint8_t* in = g.src + y * g.stride;
    uint8_t* out = g.dst + y * g.stride;
    if (x1 > x0) {
      const size_t lo = static_cast<size_t>(x0) * n, hi = static_cast<size_t>(x1) * n;
      std::fill(acc + lo, acc + hi, 0.0f);
      for (int k = 0; k < nk; ++k) {
        const float kv = kernel[k];
        MulAdd(acc + lo, in + (k - half) * n + lo, kv, hi - lo);
      }
      StoreQuotient(out + lo, acc + lo, hi - lo, wAll);
    }
    auto edge = [&](int x) {
      float s[3] = {0.0f, 0.0f, 0.0f};
      float w = 0.0f;
      const int k0 = std::max(0, half - x), k1 = std::min(nk - 1, width - 1 - x + half);
      for (int k = k0; k <= k1; ++k) {
        w += kernel[k];
        const uint8_t* p = in + (x - half + k) * n;
        for (int ch = 0; ch < g.colour; ++ch) s[ch] += kernel[k] * static_cast<float>(p[ch]);
      }
      for (int ch = 0; ch < g.colour; ++ch) out[x * n + ch] = LowByte(s[ch], w);
    };
    if (x1 > x0) {
      for (int x = 0; x < x0; ++x) edge(x);
      for (int x = x1; x < width; ++x) edge(x);
    } else {
      for (int x = 0; x < width; ++x) edge(x);
    }
    if (n == 4) {
      for (int x = 0; x < width; ++x) out[x * 4 + 3] = in[x * 4 + 3];
    }
  });
}

void ConvolveColumns(Frame* src, const float* kernel, int nk, Frame* dst, int depth, int width) {
  Geometry g;
  if (!Describe(src, dst, &g) || depth <= 0 || width <= 0) return;
  const int half = (nk - 1) / 2, n = g.n;
  const size_t bytes = static_cast<size_t>(width) * n;
  RowsWithBuffer(depth, width, bytes, [&](int y, float* acc) {
    const int k0 = std::max(0, y + half - (depth - 1)), k1 = std::min(nk - 1, y + half);
    float w = 0.0f;
    std::fill(acc, acc + bytes, 0.0f);
    for (int k = k0; k <= k1; ++k) {
      const float kv = kernel[k];
      w += kv;
      MulAdd(acc, g.src + (y + half - k) * g.stride, kv, bytes);
    }
    const uint8_t* in = g.src + y * g.stride;
    uint8_t* out = g.dst + y * g.stride;
    StoreQuotient(out, acc, bytes, w);
    if (n == 4) {
      for (int x = 0; x < width; ++x) out[x * 4 + 3] = in[x * 4 + 3];
    }
  });
}

void FrameToFloat(Frame* f, float* plane, int depth, int width) {
  const int bpp = GetFrameBPP(f);
  if (bpp != 8 && bpp != 24 && bpp != 32) return;
  const uint8_t* data = GetFrameDataAddr(f);
  const ptrdiff_t stride = Stride(GetFrameWidth(f), bpp);
  const int n = bpp / 8;
  for (int y = 0; y < depth; ++y) {
    const uint8_t* row = data + y * stride;
    float* out = plane + static_cast<ptrdiff_t>(y) * width;
    if (n == 1) {
      GreyToFloat(out, row, static_cast<size_t>(width));
    } else {
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = row + x * n;
        out[x] = static_cast<float>((p[0] + p[1] + p[2]) / 3);
      }
    }
  }
}

void ConvolveRowsFloat(const float* src, const float* kernel, int nk, float* dst, int depth, int width) {
  if (depth <= 0 || width <= 0) return;
  const int half = (nk - 1) / 2;
  const int x0 = std::min(half, width), x1 = std::max(x0, width - (nk - 1 - half));
  frame::ForRows(depth, width, [&](int y) {
    const float* in = src + static_cast<ptrdiff_t>(y) * width;
    float* out = dst + static_cast<ptrdiff_t>(y) * width;
    if (x1 > x0) {
      std::fill(out + x0, out + x1, 0.0f);
      for (int k = 0; k < nk; ++k) {
        const float kv = kernel[k];
        MulAdd(out + x0, in + (k - half) + x0, kv, static_cast<size_t>(x1 - x0));
      }
    }
    auto edge = [&](int x) {
      float s = 0.0f;
      const int k0 = std::max(0, half - x), k1 = std::min(nk - 1, width - 1 - x + half);
      for (int k = k0; k <= k1; ++k) s += kernel[k] * in[x - half + k];
      out[x] = s;
    };
    if (x1 > x0) {
      for (int x = 0; x < x0; ++x) edge(x);
      for (int x = x1; x < width; ++x) edge(x);
    } else {
      for (int x = 0; x < width; ++x) edge(x);
    }
  });
}

void ConvolveColumnsFloat(const float* src, const float* kernel, int nk, float* dst, int depth, int width) {
  if (depth <= 0 || width <= 0) return;
  const int half = (nk - 1) / 2;
  frame::ForRows(depth, width, [&](int y) {
    const int k0 = std::max(0, y + half - (depth - 1)), k1 = std::min(nk - 1, y + half);
    float* out = dst + static_cast<ptrdiff_t>(y) * width;
    std::fill(out, out + width, 0.0f);
    for (int k = k0; k <= k1; ++k) {
      const float kv = kernel[k];
      MulAdd(out, src + static_cast<ptrdiff_t>(y + half - k) * width, kv, static_cast<size_t>(width));
    }
  });
}

void SuppressNonMaxima(const float* gx, const float* gy, Frame* dst, int depth, int width, int t, float* magnitude) {
  if (depth <= 0 || width <= 0) return;
  uint8_t* data = GetFrameDataAddr(dst);
  const ptrdiff_t stride = Stride(width, 8);
  const ptrdiff_t w = width;
  // The outermost rows and columns have no full neighbourhood: 0.
  std::fill(data, data + width, 0);
  std::fill(data + (depth - 1) * stride, data + (depth - 1) * stride + width, 0);
  for (int y = 0; y < depth; ++y) {
    data[y * stride] = 0;
    data[y * stride + width - 1] = 0;
  }
  if (depth < 3 || width < 3) return;
  frame::ForRows(depth, width, [&](int y) {
    const ptrdiff_t i = y * w;
    Magnitudes(magnitude + i, gx + i, gy + i, static_cast<size_t>(w));
  });
  frame::ForRows(depth - 2, width, [&](int row) {
    const ptrdiff_t i = (row + 1) * w + 1;
    SuppressRow(data + (row + 1) * stride + 1, magnitude + i, gx + i, gy + i, w, static_cast<size_t>(width - 2),
                static_cast<float>(t));
  });
}

}  // namespace jorvel
