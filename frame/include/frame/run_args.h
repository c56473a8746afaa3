// Run conventions every CPU module shares: the arguments of one run, inputs
// and outputs named by position, the pixel rows of a frame and the row loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frame/module_frame.h"
#include "talvix.h"

namespace frame {

struct RunArgs {
  void* ctx;
  intptr_t inputList;
  const void* inputNames;
  intptr_t outputList;
  const void* outputNames;
  int errLen;
  char16_t* errBuf;

  bool fail(std::u16string_view text) const { return Fail(errLen, errBuf, text); }
};

// The refusal of an input number that is not finite; the input's name follows.
inline constexpr std::u16string_view kNotFiniteInput = u"error: Input is not a finite number: ";

// A parameter name fetched by position (highest index 63, or 127 where a
// module names its parameters with 128 characters).
struct ParamName {
  char16_t text[128] = {};
  bool ok = false;
  const char16_t* c_str() const { return text; }
};

inline ParamName InputName(const RunArgs& a, int i, int hi = 63) {
  ParamName n;
  n.ok = GetParameterName(a.inputList, a.inputNames, i, hi, n.text);
  return n;
}

inline ParamName OutputName(const RunArgs& a, int i, int hi = 63) {
  ParamName n;
  n.ok = GetParameterName(a.outputList, a.outputNames, i, hi, n.text);
  return n;
}

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

// Frames below this many pixels run on one thread: starting a team costs
// more than the work.
inline constexpr long kParallelPixels = 32768;

// body(y) for every row, over the OpenMP threads; each row is written by one
// thread only. Rows go out in runs of 8 as threads come free, so that a
// thread the system holds back does not hold up the whole frame.
template <class Body>
void ForRows(int depth, int width, const Body& body) {
#pragma omp parallel for schedule(dynamic, 8) if (static_cast <long>(depth) * width >= kParallelPixels)
  for (int y = 0; y < depth; ++y) body(y);
}

}  // namespace frame
