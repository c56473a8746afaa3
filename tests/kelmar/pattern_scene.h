// Scenes for the pattern search: smooth random texture, and a pattern pasted
// into a frame turned by a known angle at a known place.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "talvix/host.hpp"

namespace kelmar_test {

// Smooth texture in 0..255: value noise on a grid of `cell` pixels,
// bilinearly interpolated, one channel per seed.
inline std::vector<float> Texture(int w, int h, int cell, uint32_t seed) {
  const int gw = w / cell + 2, gh = h / cell + 2;
  std::vector<float> grid(static_cast<size_t>(gw) * gh);
  uint32_t s = seed * 2654435761u + 12345u;
  for (float& g : grid) {
    s = s * 1664525u + 1013904223u;
    g = static_cast<float>((s >> 8) & 0xff);
  }
  std::vector<float> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float fx = static_cast<float>(x) / cell, fy = static_cast<float>(y) / cell;
      const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
      const float tx = fx - ix, ty = fy - iy;
      const float a = grid[iy * gw + ix], b = grid[iy * gw + ix + 1], c = grid[(iy + 1) * gw + ix],
                  d = grid[(iy + 1) * gw + ix + 1];
      out[static_cast<size_t>(y) * w + x] = (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
    }
  }
  return out;
}

// A frame (8 or 32 bpp) from one texture per channel (grey: channel 0 only).
inline talvix::FrameBuffer FromTextures(int w, int h, int bpp, const std::vector<std::vector<float>>& ch) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, h, bpp);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = f.pixel(x, y);
      const size_t i = static_cast<size_t>(y) * w + x;
      if (bpp == 8) {
        p[0] = static_cast<uint8_t>(ch[0][i]);
      } else {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(ch[ch.size() > 1 ? c : 0][i]);
        p[3] = 255;
      }
    }
  }
  return f;
}

// Pastes `pattern` turned by `degrees` (x towards memory rows, as the matches
// report it) with its centre (width / 2, height / 2) at (cx, cy).
inline void Paste(talvix::FrameBuffer& dst, const talvix::FrameBuffer& pattern, double cx, double cy,
                  double degrees) {
  const int pw = pattern.width(), ph = pattern.depth(), bytes = dst.bpp() / 8;
  const double r = degrees * M_PI / 180, c = std::cos(r), s = std::sin(r);
  const int reach = static_cast<int>(std::hypot(pw, ph) / 2) + 2;
  for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y) {
    for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
      if (x < 0 || y < 0 || x >= dst.width() || y >= dst.depth()) continue;
      const double dx = x - cx, dy = y - cy;
      const double px = c * dx + s * dy + pw / 2, py = -s * dx + c * dy + ph / 2;
      // The last row and column too, so that an unturned copy is exact.
      if (px < 0 || py < 0 || px > pw - 1 || py > ph - 1) continue;
      const int ix = static_cast<int>(std::floor(px)), iy = static_cast<int>(std::floor(py));
      const double tx = px - ix, ty = py - iy;
      for (int k = 0; k < bytes && k < 3; ++k) {
        const auto at = [&](int xx, int yy) {
          return pattern.pixel(std::min(xx, pw - 1), std::min(yy, ph - 1))[pattern.bpp() == 8 ? 0 : k];
        };
        const double v = (at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx) * (1 - ty) +
                         (at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx) * ty;
        dst.pixel(x, y)[k] = static_cast<uint8_t>(v + 0.5);
      }
      if (bytes == 4) dst.pixel(x, y)[3] = 255;
    }
  }
}

// The w x h block of `f` whose centre (w / 2, h / 2) is the pixel (cx, cy).
inline talvix::FrameBuffer Cut(const talvix::FrameBuffer& f, int cx, int cy, int w, int h) {
  talvix::FrameBuffer out = talvix::FrameBuffer::make(w, h, f.bpp());
  const int bytes = f.bpp() / 8;
  for (int y = 0; y < h; ++y) {
    std::copy_n(f.pixel(cx - w / 2, cy - h / 2 + y), static_cast<size_t>(w) * bytes, out.row(y));
  }
  return out;
}

}  // namespace kelmar_test
