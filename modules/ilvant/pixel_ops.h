// Helpers shared by the per-pixel methods (arith.cpp, blend.cpp, mask.cpp):
// frame access by input position, number inputs with their warnings, and the
// row loop.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "run.h"

namespace ilvant::px {

inline constexpr std::u16string_view kSameDimensions = u"error: Frames must have the same dimensions";
inline constexpr std::u16string_view kNotMonochromatic = u"error: Frame with mask is not monochromatic ";

// Pixel rows of one frame.
struct View {
  uint8_t* data = nullptr;
  int width = 0;
  int depth = 0;
  int bpp = 0;
  int stride = 0;
  uint8_t* row(int y) const { return data + static_cast<size_t>(y) * stride; }
};

inline View ViewOf(Frame* f) {
  View v;
  v.data = GetFrameDataAddr(f);
  v.width = GetFrameWidth(f);
  v.depth = GetFrameDepth(f);
  v.bpp = GetFrameBPP(f);
  v.stride = Stride(v.width, v.bpp);
  return v;
}

// Frame input i, named by position; false when it cannot be named or had.
inline bool InputFrame(const RunArgs& a, int i, Frame** f) {
  const ParamName n = InputName(a, i);
  *f = nullptr;
  return n.ok && GetInputFrame(a.ctx, 63, n.c_str(), f) && *f;
}

// Output 0 with the given geometry. A frame of any other geometry counts as
// not had: the pixel bodies index it by the input's rows.
inline bool OutputFrame(const RunArgs& a, int w, int d, int bpp, Frame** f) {
  const ParamName n = OutputName(a, 0);
  *f = nullptr;
  if (!n.ok || !GetOutputFrame(a.ctx, 63, n.c_str(), f, w, d, bpp) || !*f) return false;
  return GetFrameWidth(*f) == w && GetFrameDepth(*f) == d && GetFrameBPP(*f) == bpp;
}

// "error: Cannot get input frame " followed by the input's catalogue name.
inline bool FailInput(const RunArgs& a, std::u16string_view name) {
  std::u16string text(kNoInputFrame);
  text += name;
  return a.fail(text);
}

// A number input read at element 0; an array gets the usual warning.
struct NumberInput {
  ParamName name;
  double value = 0.0;
  bool ok = false;
};

inline NumberInput ReadNumber(const RunArgs& a, int i) {
  NumberInput n;
  n.name = InputName(a, i);
  double* p = nullptr;
  if (!n.name.ok || !GetNumber(a.ctx, 63, n.name.c_str(), 0, &p) || !p) return n;
  frame::WarnArrayInput(a.ctx, 63, n.name.c_str());
  n.value = *p;
  n.ok = true;
  return n;
}

// trunc(v x scale) kept in a double, so that the range checks run before any
// conversion to int (a huge input must not overflow it); NaN counts as 0.
inline double Scaled(double v, double scale) {
  const double s = std::trunc(v * scale);
  return std::isnan(s) ? 0.0 : s;
}

// The old value as the warning prints it; values past float range print as infinity.
inline float WarnValue(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

inline void WarnCorrected(const RunArgs& a, const NumberInput& n, double newValue) {
  frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), WarnValue(n.value), static_cast<float>(newValue));
}

// A colour component as a byte: trunc(c x 255), held to 0..255 so that
// components outside 0..1 cannot wrap.
inline double ClampUnit(double c) { return std::isnan(c) ? 0.0 : c < 0.0 ? 0.0 : c > 1.0 ? 1.0 : c; }
inline uint8_t ColorByte(double c) { return static_cast<uint8_t>(ClampUnit(c) * 255.0); }

// The whole input frame, header included, into an output of the same geometry.
inline void CopyFrame(Frame* out, const Frame* in) { std::memcpy(out, in, static_cast<size_t>(GetFrameSize(out))); }

// Frames below this many pixels run on one thread: starting a team costs
// more than the work.
inline constexpr long kParallelPixels = 32768;

// Runs body(y) for every row of a frame, split statically over the OpenMP threads.
template <class Body>
void ForRows(int depth, int width, const Body& body) {
#pragma omp parallel for schedule(static) if (static_cast <long>(depth) * width >= kParallelPixels)
  for (int y = 0; y < depth; ++y) body(y);
}

}  // namespace ilvant::px
