// Shared pieces of the geometry tests of ilvant: frame helpers and the
// expected warning texts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ilvant_run.h"

namespace ilvant_geometry {

using talvix::FrameBuffer;

using ilvant_test::ExpectThreadsAgree;

// A frame of w x d pixels with every colour byte `v` (alpha 255 at 32 bpp).
inline FrameBuffer Constant(int w, int d, int bpp, uint8_t v) { return FrameBuffer::make(w, d, bpp, v); }

// Pixel bytes without the row padding, for whole-frame comparisons.
inline std::vector<uint8_t> Pixels(const FrameBuffer& f) {
  std::vector<uint8_t> out;
  const int n = f.width() * f.bpp() / 8;
  for (int y = 0; y < f.depth(); ++y) out.insert(out.end(), f.row(y), f.row(y) + n);
  return out;
}

inline std::u16string Corrected(const std::u16string& name, int oldValue, int newValue) {
  return u"Not acceptable value of the parameter " + name + u" (" + talvix::ToU16(std::to_string(oldValue)) +
         u"). It will be used new value " + talvix::ToU16(std::to_string(newValue)) + u".";
}

inline std::u16string ArrayWarning(const std::u16string& name) {
  return u"Only the first element of the array would be evaluated in the input data object " + name;
}

}  // namespace ilvant_geometry
