// Helpers for the scan tests: a recording callback and patterned frames.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "talvix/host.hpp"

namespace scantest {

struct Sample {
  int x, y;
  unsigned v;
  bool operator==(const Sample&) const = default;
};

// Records every sample; stops after `limit` samples when limit >= 0.
struct Recorder {
  std::vector<Sample> got;
  int limit = -1;
  static bool Cb(void* user, int x, int y, unsigned v) {
    auto* r = static_cast<Recorder*>(user);
    r->got.push_back({x, y, v});
    return r->limit < 0 || static_cast<int>(r->got.size()) < r->limit;
  }
  std::vector<std::pair<int, int>> points() const {
    std::vector<std::pair<int, int>> p;
    for (const Sample& s : got) p.emplace_back(s.x, s.y);
    return p;
  }
};

// A frame whose pixel (x, y) holds recognisable bytes: B = x, G = y, R = x + y
// (mod 256), A = 255 - x (mod 256); 8-bit frames hold (x + 3y) mod 256.
inline talvix::FrameBuffer Patterned(int w, int d, int bpp) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, bpp);
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = f.pixel(x, y);
      if (bpp == 8) {
        p[0] = static_cast<uint8_t>(x + 3 * y);
        continue;
      }
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x + y);
      if (bpp == 32) p[3] = static_cast<uint8_t>(255 - x);
    }
  }
  return f;
}

}  // namespace scantest
