// Frame access shared by every ilvant method: frames fetched by position,
// their pixel rows, whole-frame copies, colour bytes and the row loop.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "run.h"

namespace ilvant {

// Geometry and pixel rows of one frame (memory row 0 first).
struct FrameRows {
  Frame* frame = nullptr;
  uint8_t* data = nullptr;
  int width = 0;
  int depth = 0;
  int bpp = 0;
  ptrdiff_t stride = 0;

  FrameRows() = default;
  explicit FrameRows(Frame* f)
      : frame(f),
        data(GetFrameDataAddr(f)),
        width(GetFrameWidth(f)),
        depth(GetFrameDepth(f)),
        bpp(GetFrameBPP(f)),
        // Computed wide: width x bpp can pass the int range for very wide frames.
        stride(static_cast<ptrdiff_t>((static_cast<int64_t>(width) * bpp + 31) / 32 * 4)) {}
  uint8_t* row(int y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// Input frame i by position; false when it cannot be named or had.
inline bool InputFrame(const RunArgs& a, int i, Frame** f) {
  const ParamName name = InputName(a, i);
  *f = nullptr;
  return name.ok && GetInputFrame(a.ctx, 63, name.c_str(), f) && *f;
}

// Output frame j by position with the given geometry. A frame of any other
// geometry counts as not had: the pixel bodies index it by the requested rows.
inline bool OutputFrame(const RunArgs& a, int j, int w, int d, int bpp, Frame** f) {
  const ParamName name = OutputName(a, j);
  *f = nullptr;
  if (!name.ok || !GetOutputFrame(a.ctx, 63, name.c_str(), f, w, d, bpp) || !*f) return false;
  return GetFrameWidth(*f) == w && GetFrameDepth(*f) == d && GetFrameBPP(*f) == bpp;
}

inline bool InputRows(const RunArgs& a, int i, FrameRows* rows) {
  Frame* f = nullptr;
  if (!InputFrame(a, i, &f)) return false;
  *rows = FrameRows(f);
  return true;
}

inline bool OutputRows(const RunArgs& a, int j, int w, int d, int bpp, FrameRows* rows) {
  Frame* f = nullptr;
  if (!OutputFrame(a, j, w, d, bpp, &f)) return false;
  *rows = FrameRows(f);
  return true;
}

// "error: Cannot get input frame " followed by the input's catalogue name.
inline bool FailInput(const RunArgs& a, std::u16string_view name) {
  std::u16string text(kNoInputFrame);
  text += name;
  return a.fail(text);
}

// The whole input frame, header included, into an output of the same geometry.
inline void CopyFrame(Frame* out, const Frame* in) {
  const int n = std::min(GetFrameSize(out), GetFrameSize(in));
  if (n > 0) std::memcpy(out, in, static_cast<size_t>(n));
}

// A colour component as a byte: trunc(c x 255), held to 0..255 so that
// components outside 0..1 cannot wrap.
inline double ClampUnit(double c) { return std::isnan(c) ? 0.0 : std::clamp(c, 0.0, 1.0); }
inline uint8_t ColorByte(double c) { return static_cast<uint8_t>(ClampUnit(c) * 255.0); }

// Frames below this many pixels run on one thread: starting a team costs
// more than the work.
// Truncation toward zero that stays defined for any double: NaN gives 0 and
// values beyond the int range saturate.
inline int TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v <= -2147483648.0) return INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(v);
}

inline constexpr long kParallelPixels = 32768;

// body(y) for every row, split statically over the OpenMP threads; each row
// is written by one thread only.
template <class Body>
void ForRows(int depth, int width, const Body& body) {
#pragma omp parallel for schedule(static) if (static_cast <long>(depth) * width >= kParallelPixels)
  for (int y = 0; y < depth; ++y) body(y);
}

}  // namespace ilvant
