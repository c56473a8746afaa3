// Frames with reproducible busy contents for tests and benchmarks (no test
// framework needed).
#pragma once

#include <cstdint>

#include "talvix/host.hpp"

namespace test_frames {

// Every pixel byte (alpha included) follows a fixed hash of position, channel
// and seed, so every value range is hit; row padding stays 0 unless
// `padding` is set, when it is hashed too.
inline talvix::FrameBuffer Pattern(int w, int d, int bpp, uint32_t seed, bool padding = false) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, bpp);
  const int rowBytes = padding ? f.stride() : w * (bpp / 8);
  for (int y = 0; y < d; ++y) {
    uint8_t* row = f.row(y);
    for (int i = 0; i < rowBytes; ++i) {
      uint32_t h = (static_cast<uint32_t>(i) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^
                   (seed * 2654435761u);
      h ^= h >> 13;
      h *= 0x5bd1e995u;
      h ^= h >> 15;
      row[i] = static_cast<uint8_t>(h);
    }
  }
  return f;
}

}  // namespace test_frames
