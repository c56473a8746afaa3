// Test rig for the colour methods of ilvant: frame builders.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ilvant_run.h"
#include "talvix/host.hpp"

namespace color_rig {

using talvix::FrameBuffer;

using ilvant_test::Grey;
using ilvant_test::MethodRun;

struct Bgra {
  uint8_t b, g, r, a;
};

// The four bytes of a 32-bit pixel (B, G, R, A), comparable in one expectation.
using Quad = std::array<int, 4>;
inline Quad Px(const uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }

// A 24- or 32-bit frame whose pixel (x, y) is f(x, y); alpha is dropped at 24 bits.
template <class F>
FrameBuffer Colour(int w, int d, int bpp, F f) {
  FrameBuffer fb = FrameBuffer::make(w, d, bpp);
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      const Bgra c = f(x, y);
      uint8_t* p = fb.pixel(x, y);
      p[0] = c.b, p[1] = c.g, p[2] = c.r;
      if (bpp == 32) p[3] = c.a;
    }
  }
  return fb;
}

using test_frames::Pattern;

}  // namespace color_rig
