// Frame access shared by the colour methods: frames fetched by position and
// a row loop split over the processors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "run.h"

namespace ilvant::color {

// Input frame i by position; false when it cannot be named or fetched.
inline bool InputFrame(const RunArgs& a, int i, Frame** f) {
  const ParamName name = InputName(a, i);
  return name.ok && GetInputFrame(a.ctx, 63, name.c_str(), f);
}

// Output frame j by position with the given geometry.
inline bool OutputFrame(const RunArgs& a, int j, int w, int d, int bpp, Frame** f) {
  const ParamName name = OutputName(a, j);
  return name.ok && GetOutputFrame(a.ctx, 63, name.c_str(), f, w, d, bpp);
}

// Geometry and pixel rows of one frame.
struct Rows {
  uint8_t* data;
  int width, depth, bpp, stride;
  explicit Rows(Frame* f)
      : data(GetFrameDataAddr(f)),
        width(GetFrameWidth(f)),
        depth(GetFrameDepth(f)),
        bpp(GetFrameBPP(f)),
        stride(Stride(width, bpp)) {}
  uint8_t* row(int y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// body(y) for every row; rows split statically, each written by one thread.
template <typename Body>
void ForRows(int depth, const Body& body) {
#pragma omp parallel for schedule(static)
  for (int y = 0; y < depth; ++y) body(y);
}

}  // namespace ilvant::color
