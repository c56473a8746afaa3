// Running jorvel filters through the module's exported interface: one filter
// object per run helper, frames with reproducible contents, and the thread
// check.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace jorvel_test {

inline talvix::Module& Jorvel() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("jorvel", &error);
    if (!loaded) ADD_FAILURE() << "cannot load jorvel: " << error;
    return loaded;
  }();
  return *m;
}

// One filter object and its run context; the object lives as long as this.
struct Filter {
  explicit Filter(const std::string& id)
      : index(Jorvel().findMethod(id)), ctx(Jorvel(), index), handle(Jorvel().create(index)) {}
  ~Filter() { Jorvel().destroy(handle); }
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;

  talvix::RunResult run(int errLen = 255) { return ctx.run(handle, errLen); }
  const talvix::FrameBuffer& out() const {
    const talvix::FrameBuffer* f = ctx.frame(u"Output frame");
    if (!f) throw std::runtime_error("no output frame");
    return *f;
  }
  void input(talvix::FrameBuffer f) { ctx.setFrame(u"Input frame", std::move(f)); }
  void number(const std::u16string& name, double v) { ctx.setNumbers(name, {v}); }
  // Sets the numbers when the method has that input; shared setups use it.
  void numbersIfAny(const std::u16string& name, const std::vector<double>& v) {
    try {
      ctx.setNumbers(name, v);
    } catch (const std::invalid_argument&) {
    }
  }

  int index;
  talvix::RunContext ctx;
  intptr_t handle;
};

// Bytes (alpha included, padding excluded) from a fixed hash of position,
// channel and seed.
inline talvix::FrameBuffer Pattern(int w, int d, int bpp, uint32_t seed) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, bpp);
  const int n = bpp / 8;
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < n; ++c) {
        uint32_t h = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^
                     (static_cast<uint32_t>(c) * 83492791u) ^ (seed * 2654435761u);
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        f.pixel(x, y)[c] = static_cast<uint8_t>(h);
      }
    }
  }
  return f;
}

// A frame whose pixel (x, y) has every colour byte f(x, y) (alpha 255).
template <class F>
talvix::FrameBuffer Fill(int w, int d, int bpp, F f) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(w, d, bpp);
  const int n = bpp / 8;
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < (n == 4 ? 3 : n); ++c) fb.pixel(x, y)[c] = static_cast<uint8_t>(f(x, y));
    }
  }
  return fb;
}

// The pixel bytes of a frame, row padding left out.
inline std::vector<uint8_t> Pixels(const talvix::FrameBuffer& f) {
  std::vector<uint8_t> out;
  const int n = f.bpp() / 8;
  for (int y = 0; y < f.depth(); ++y) out.insert(out.end(), f.row(y), f.row(y) + f.width() * n);
  return out;
}

// The output pixels of one run with the given thread count.
inline std::vector<uint8_t> OutputWithThreads(const std::string& id, int threads,
                                              const std::function<void(Filter&)>& setup) {
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
  Filter f(id);
  setup(f);
  const talvix::RunResult r = f.run();
  omp_set_num_threads(before);
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? Pixels(f.out()) : std::vector<uint8_t>{};
}

inline void ExpectThreadsAgree(const std::string& id, const std::function<void(Filter&)>& setup) {
  SCOPED_TRACE(id);
  const auto one = OutputWithThreads(id, 1, setup);
  const auto eight = OutputWithThreads(id, 8, setup);
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one == eight) << id << ": 1 and 8 threads differ";
}

}  // namespace jorvel_test
