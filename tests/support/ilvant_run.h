// Running ilvant methods through the module's exported interface, and frames
// with reproducible contents for them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "talvix/host.hpp"

namespace ilvant_test {

// The module, loaded once per test process.
inline talvix::Module& Ilvant() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("ilvant", &error);
    if (!loaded) ADD_FAILURE() << "cannot load ilvant: " << error;
    return loaded;
  }();
  return *m;
}

// One run context for a method by id; the handle of a stateless method is its index.
struct MethodRun {
  explicit MethodRun(const std::string& id) : index(Ilvant().findMethod(id)), ctx(Ilvant(), index) {}
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(Ilvant().create(index), errLen); }
  const talvix::FrameBuffer& out() const {
    const talvix::FrameBuffer* f = ctx.frame(u"Output frame");
    if (!f) throw std::runtime_error("no output frame");
    return *f;
  }
  int index;
  talvix::RunContext ctx;
};

// A frame whose bytes (alpha included, padding excluded) follow a fixed hash
// of position, channel and seed, so every value range is hit.
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

// The canary that the host writes into new output frames in these tests.
inline constexpr uint8_t kCanary = 0xCD;

}  // namespace ilvant_test
