// Running forvik methods through the module's exported interface, and drawn
// test frames.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "module_run.h"
#include "talvix/host.hpp"

namespace forvik_test {

// The module, loaded once per test process.
inline talvix::Module& Forvik() { return module_test::Load("forvik"); }

// One method object and a run context for it; the object lives as long as
// this, so consecutive runs reuse its buffers.
struct MethodRun {
  explicit MethodRun(const std::string& id, talvix::Inspection* inspection = nullptr)
      : index(Forvik().findMethod(id)), ctx(Forvik(), index, inspection), handle(Forvik().create(index)) {}
  ~MethodRun() { Forvik().destroy(handle); }
  MethodRun(const MethodRun&) = delete;
  MethodRun& operator=(const MethodRun&) = delete;
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(handle, errLen); }
  int index;
  talvix::RunContext ctx;
  intptr_t handle;
};

// A grey frame whose memory row y, column x holds f(x, y).
template <class F>
talvix::FrameBuffer Grey(int w, int d, F f) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) fb.pixel(x, y)[0] = static_cast<uint8_t>(f(x, y));
  return fb;
}

// A disc of radius r at (cx, cy), anti-aliased by 4x4 supersampling.
inline talvix::FrameBuffer Disc(int w, int d, double cx, double cy, double r, int inside, int outside) {
  return Grey(w, d, [&](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const double px = x + (sx + 0.5) / 4 - 0.5, py = y + (sy + 0.5) / 4 - 0.5;
        hits += std::hypot(px - cx, py - cy) <= r ? 1 : 0;
      }
    return (inside * hits + outside * (16 - hits)) / 16;
  });
}

// A grey frame at 24 or 32 bits: B = G = R = the grey byte, alpha 255, so
// that every depth reads the same grey.
inline talvix::FrameBuffer AtDepth(const talvix::FrameBuffer& grey, int bpp) {
  if (bpp == 8) return grey;
  talvix::FrameBuffer f = talvix::FrameBuffer::make(grey.width(), grey.depth(), bpp, 255);
  for (int y = 0; y < grey.depth(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      for (int c = 0; c < 3; ++c) f.pixel(x, y)[c] = grey.pixel(x, y)[0];
  return f;
}

// The drawing calls of one function name.
inline std::vector<talvix::DrawCall> Calls(const talvix::RunContext& ctx, const std::string& fn) {
  std::vector<talvix::DrawCall> out;
  for (const talvix::DrawCall& c : ctx.drawList())
    if (c.fn == fn) out.push_back(c);
  return out;
}

// The same line, end for end.
inline void ExpectSameLine(const TLine& got, const TLine& want) {
  EXPECT_DOUBLE_EQ(got.x0, want.x0);
  EXPECT_DOUBLE_EQ(got.y0, want.y0);
  EXPECT_DOUBLE_EQ(got.x1, want.x1);
  EXPECT_DOUBLE_EQ(got.y1, want.y1);
}

}  // namespace forvik_test
