// Running lomber's methods through the module's exported interface, and
// 32-bit frames for them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "module_run.h"
#include "talvix/host.hpp"

namespace lomber_test {

// The module, loaded once per test process.
inline talvix::Module& Lomber() { return module_test::Load("lomber"); }

// One method instance and its run context; the instance lives as long as
// this object, so state carries over between runs.
struct Step {
  explicit Step(const std::string& id)
      : index(Lomber().findMethod(id)), handle(Lomber().create(index)), ctx(Lomber(), index) {}
  ~Step() { Lomber().destroy(handle); }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(handle, errLen); }
  int index;
  intptr_t handle;
  talvix::RunContext ctx;
};

struct Bgra {
  uint8_t b, g, r, a;
};

// A 32-bit frame whose memory row y, column x holds f(x, y).
template <class F>
talvix::FrameBuffer Colour(int w, int d, F f) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(w, d, 32);
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      const Bgra c = f(x, y);
      uint8_t* p = fb.pixel(x, y);
      p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = c.a;
    }
  }
  return fb;
}

// Hash noise over every byte; alpha below 128 on about a quarter of the pixels.
inline talvix::FrameBuffer Noise(int w, int d, uint32_t seed) {
  return Colour(w, d, [seed](int x, int y) {
    uint32_t h = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^ (seed * 2654435761u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    const uint8_t a = (h >> 24) < 64 ? static_cast<uint8_t>(h >> 24) : 255;
    return Bgra{static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h >> 16), a};
  });
}

inline TColor Rgb(double r, double g, double b, double a = 1.0) { return TColor{r, g, b, a}; }

}  // namespace lomber_test
