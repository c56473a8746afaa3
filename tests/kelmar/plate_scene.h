// Scenes for the plate reader: a cluttered 640 x 480 picture of text lines,
// stripes and noise in which no plate stands.
#pragma once

#include <random>

#include "talvix/host.hpp"
#include "text_render.h"

namespace kelmar_test {

inline talvix::FrameBuffer ToColour(const talvix::FrameBuffer& grey) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(grey.width(), grey.depth(), 32, 255);
  for (int y = 0; y < grey.depth(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      for (int c = 0; c < 3; ++c) f.pixel(x, y)[c] = grey.pixel(x, y)[0];
  return f;
}

inline talvix::FrameBuffer PlateClutter(int bpp) {
  TextLayout t;
  t.lines = {"QUICK 1234 FOX JUMPS", "over the lazy dog 5678", "HELLO WORLD 90"};
  t.size = 30;
  t.lineStep = 60;
  t.y = 120;
  talvix::FrameBuffer grey = RenderText(640, 480, t);
  std::mt19937 rng(7);
  for (int y = 300; y < 480; ++y)
    for (int x = 0; x < 640; ++x) grey.pixel(x, y)[0] = (x / 13 + y / 17) % 3 ? 180 + rng() % 40 : 40;
  return bpp == 8 ? grey : ToColour(grey);
}

}  // namespace kelmar_test
