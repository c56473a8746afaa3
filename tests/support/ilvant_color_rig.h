// Test rig for the colour methods of ilvant: the loaded module, one run of a
// method by id, and frame builders.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace color_rig {

using talvix::FrameBuffer;

inline talvix::Module& Ilvant() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("ilvant", &error);
    if (!loaded) ADD_FAILURE() << error;
    return loaded;
  }();
  return *m;
}

// One run of a method by id.
struct MethodRun {
  explicit MethodRun(const char* id) : index(Ilvant().findMethod(std::string(id))), ctx(Ilvant(), index) {}
  talvix::RunResult operator()() { return ctx.run(index); }
  int index;
  talvix::RunContext ctx;
};

struct Bgra {
  uint8_t b, g, r, a;
};

// The four bytes of a 32-bit pixel (B, G, R, A), comparable in one expectation.
using Quad = std::array<int, 4>;
inline Quad Px(const uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }

// A grey frame whose memory row y, column x holds f(x, y).
template <class F>
FrameBuffer Grey(int w, int d, F f) {
  FrameBuffer fb = FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) fb.pixel(x, y)[0] = static_cast<uint8_t>(f(x, y));
  return fb;
}

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

// Seeded noise in every pixel byte (padding left 0).
inline FrameBuffer Noise(int w, int d, int bpp, unsigned seed) {
  std::mt19937 rng(seed);
  FrameBuffer fb = FrameBuffer::make(w, d, bpp);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w * bpp / 8; ++x) fb.row(y)[x] = static_cast<uint8_t>(rng());
  return fb;
}

// Every output frame's bytes after one run with the given thread count.
inline std::vector<std::vector<uint8_t>> OutputsWithThreads(const char* id, int threads,
                                                            const std::function<void(talvix::RunContext&)>& setup) {
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
  MethodRun run(id);
  setup(run.ctx);
  const talvix::RunResult r = run();
  omp_set_num_threads(before);
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  std::vector<std::vector<uint8_t>> out;
  for (const std::u16string& name : run.ctx.outputFrameNames()) out.push_back(run.ctx.frame(name)->bytes());
  return out;
}

// 1 and 8 threads must write identical bytes.
inline void ExpectSameWithThreads(const char* id, const std::function<void(talvix::RunContext&)>& setup) {
  SCOPED_TRACE(id);
  const auto one = OutputsWithThreads(id, 1, setup);
  const auto eight = OutputsWithThreads(id, 8, setup);
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one == eight);
}

}  // namespace color_rig
