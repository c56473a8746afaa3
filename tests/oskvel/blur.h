// A Gaussian blur of an 8-bit frame, as a lens out of focus gives.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "talvix/host.hpp"

namespace oskvel_test {

inline talvix::FrameBuffer Blurred(const talvix::FrameBuffer& f, double sigma) {
  const int w = f.width(), d = f.depth(), r = static_cast<int>(std::ceil(3 * sigma));
  std::vector<double> k(static_cast<size_t>(2 * r + 1));
  double sum = 0;
  for (int i = -r; i <= r; ++i) sum += k[static_cast<size_t>(i + r)] = std::exp(-i * i / (2 * sigma * sigma));
  for (double& v : k) v /= sum;
  std::vector<double> rows(static_cast<size_t>(w) * d);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      double acc = 0;
      for (int i = -r; i <= r; ++i) acc += k[static_cast<size_t>(i + r)] * *f.pixel(std::clamp(x + i, 0, w - 1), y);
      rows[static_cast<size_t>(y) * w + x] = acc;
    }
  talvix::FrameBuffer out = talvix::FrameBuffer::make(w, d, 8, 0);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      double acc = 0;
      for (int i = -r; i <= r; ++i)
        acc += k[static_cast<size_t>(i + r)] * rows[static_cast<size_t>(std::clamp(y + i, 0, d - 1)) * w + x];
      *out.pixel(x, y) = static_cast<uint8_t>(std::lround(acc));
    }
  return out;
}

}  // namespace oskvel_test
