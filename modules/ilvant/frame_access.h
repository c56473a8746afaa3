// Frame access shared by every ilvant method: frames fetched by position,
// their pixel rows, whole-frame copies, colour bytes and the row loop.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/input_params.h"
#include "run.h"

namespace ilvant {

using frame::FrameRows;
using frame::InputFrame;
using frame::InputRows;
using frame::OutputFrame;
using frame::OutputRows;

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

using frame::ForRows;
using frame::kParallelPixels;

}  // namespace ilvant
