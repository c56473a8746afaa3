// Plain per-pixel convolutions written from the filter definitions, one tap
// after another, as the references the module must match byte for byte.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "talvix/host.hpp"

namespace jorvel_test {

inline uint8_t ClampByte(float s) { return !(s >= 0.0f) ? 0 : s > 255.0f ? 255 : static_cast<uint8_t>(s); }

// Kernel row r reads stored row y + halfH - r, column c reads x - halfW + c.
inline talvix::FrameBuffer RefKernel(const talvix::FrameBuffer& in, const std::vector<float>& k, int kh, int kw,
                                     bool normalise) {
  talvix::FrameBuffer out = talvix::FrameBuffer::make(in.width(), in.depth(), in.bpp());
  const int n = in.bpp() / 8, colour = n == 1 ? 1 : 3;
  const int halfH = (kh - 1) / 2, halfW = (kw - 1) / 2;
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      float s[3] = {0, 0, 0}, w = 0;
      for (int r = 0; r < kh; ++r) {
        const int yy = y + halfH - r;
        if (yy < 0 || yy >= in.depth()) continue;
        for (int c = 0; c < kw; ++c) {
          const int xx = x - halfW + c;
          if (xx < 0 || xx >= in.width()) continue;
          w += k[r * kw + c];
          for (int ch = 0; ch < colour; ++ch) s[ch] += k[r * kw + c] * in.pixel(xx, yy)[ch];
        }
      }
      for (int ch = 0; ch < colour; ++ch) {
        if (normalise && w != 0) s[ch] /= w;
        out.pixel(x, y)[ch] = ClampByte(s[ch]);
      }
      if (n == 4) out.pixel(x, y)[3] = in.pixel(x, y)[3];
    }
  }
  return out;
}

// One pass along rows (alongRows) or stored columns, divided by the weight
// of the taps inside, kept as the low byte.
inline talvix::FrameBuffer RefPass(const talvix::FrameBuffer& in, const std::vector<float>& k, bool alongRows) {
  talvix::FrameBuffer out = talvix::FrameBuffer::make(in.width(), in.depth(), in.bpp());
  const int n = in.bpp() / 8, colour = n == 1 ? 1 : 3, half = (static_cast<int>(k.size()) - 1) / 2;
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      float s[3] = {0, 0, 0}, w = 0;
      for (int t = 0; t < static_cast<int>(k.size()); ++t) {
        const int xx = alongRows ? x - half + t : x, yy = alongRows ? y : y + half - t;
        if (xx < 0 || xx >= in.width() || yy < 0 || yy >= in.depth()) continue;
        w += k[t];
        for (int ch = 0; ch < colour; ++ch) s[ch] += k[t] * in.pixel(xx, yy)[ch];
      }
      for (int ch = 0; ch < colour; ++ch) out.pixel(x, y)[ch] = static_cast<uint8_t>(static_cast<int>(s[ch] / w));
      if (n == 4) out.pixel(x, y)[3] = in.pixel(x, y)[3];
    }
  }
  return out;
}

inline talvix::FrameBuffer RefSeparable(const talvix::FrameBuffer& in, const std::vector<float>& k) {
  return RefPass(RefPass(in, k, true), k, false);
}

inline std::vector<float> Normalised(std::vector<float> k) {
  float sum = 0;
  for (float v : k) sum += v;
  if (sum != 0) {
    for (float& v : k) v /= sum;
  }
  return k;
}

// The Gaussian of radius r: sigma = (r - 0.33) / 3.35.
inline std::vector<float> GaussianKernel(int r) {
  const float sigma = static_cast<float>(static_cast<double>(static_cast<float>(r - 0.33)) / 3.35);
  std::vector<float> k;
  for (int x = -r; x <= r; ++x) k.push_back(static_cast<float>(std::exp(x * x / (-2.0 * sigma * sigma))));
  return Normalised(k);
}

}  // namespace jorvel_test
