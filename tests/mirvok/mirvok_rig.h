// Runs of the GPU filter module through its exports: frames in, the picture
// read back at "*_POF" out, and small helpers for reference pictures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "gl_test_util.h"
#include "module_run.h"
#include "talvix/host.hpp"

namespace mirvok_test {

// The module with its real shaders, and the same code beside probe shaders.
inline const std::string kModule = "mirvok";
inline const std::string kProbe = VISION_BINARY_DIR "/gpu-fixtures/mirvok-probe/mirvok_probe.so";

// A picture as floats 0..1 per channel (r, g, b), row-major by memory row.
struct Picture {
  int w = 0, h = 0;
  std::vector<double> v;  // 3 per pixel
  Picture(int w_, int h_) : w(w_), h(h_), v(static_cast<size_t>(w_) * h_ * 3, 0.0) {}
  double& at(int x, int y, int c) { return v[(static_cast<size_t>(y) * w + x) * 3 + c]; }
  double at(int x, int y, int c) const { return v[(static_cast<size_t>(y) * w + x) * 3 + c]; }
  // Clamped to the edge, as the textures sample.
  double edge(int x, int y, int c) const {
    x = x < 0 ? 0 : x >= w ? w - 1 : x;
    y = y < 0 ? 0 : y >= h ? h - 1 : y;
    return at(x, y, c);
  }
};

// Random pixels; smooth > 0 blends each with its left and lower neighbours so
// that the frame has gradients as well as noise.
inline talvix::FrameBuffer RandomFrame(int w, int h, int bpp, unsigned seed, int smooth = 0) {
  auto f = talvix::FrameBuffer::make(w, h, bpp, 0);
  std::mt19937 rng(seed);
  const int channels = bpp / 8 == 4 ? 3 : bpp / 8;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < channels; ++c) {
        int v = static_cast<int>(rng() % 256);
        if (smooth && x > 0 && y > 0) v = (v + smooth * (f.pixel(x - 1, y)[c] + f.pixel(x, y - 1)[c])) / (1 + 2 * smooth);
        f.pixel(x, y)[c] = static_cast<uint8_t>(v);
      }
    }
  }
  return f;
}

// A frame's pixels as a picture (8-bit frames are grey).
inline Picture ToPicture(const talvix::FrameBuffer& f) {
  Picture p(f.width(), f.depth());
  for (int y = 0; y < f.depth(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      const uint8_t* px = f.pixel(x, y);
      for (int c = 0; c < 3; ++c) p.at(x, y, c) = (f.bpp() == 8 ? px[0] : px[2 - c]) / 255.0;
    }
  }
  return p;
}

// Channel c (0 red, 1 green, 2 blue) of a 32-bit output pixel.
inline int Channel(const talvix::FrameBuffer& f, int x, int y, int c) { return f.pixel(x, y)[2 - c]; }

// Compares an output frame with a reference, channel by channel, within `tol`
// grey levels; pixels the mask marks are not compared.
inline void ExpectNear(const talvix::FrameBuffer& out, const Picture& ref, int tol,
                       const std::vector<bool>* skip = nullptr) {
  ASSERT_EQ(out.width(), ref.w);
  ASSERT_EQ(out.depth(), ref.h);
  int bad = 0, compared = 0;
  for (int y = 0; y < ref.h; ++y) {
    for (int x = 0; x < ref.w; ++x) {
      if (skip && (*skip)[static_cast<size_t>(y) * ref.w + x]) continue;
      ++compared;
      for (int c = 0; c < 3; ++c) {
        const double r = std::round(std::clamp(ref.at(x, y, c), 0.0, 1.0) * 255);
        const int got = Channel(out, x, y, c);
        if (std::abs(got - r) > tol && bad++ < 8) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": " << got << " expected " << r;
        }
      }
    }
  }
  EXPECT_EQ(bad, 0);
  // Too-close-to-call pixels are rare; most of the picture is compared.
  EXPECT_GT(compared, ref.w * ref.h * 3 / 4);
}

inline std::string Utf8(const std::u16string& s) { return talvix::ToUtf8(s); }

// The names of the requests an inspection saw, in order.
inline std::vector<std::string> RequestNames(const talvix::Inspection& in) {
  std::vector<std::string> out;
  for (const auto& r : in.requests()) out.push_back(Utf8(r.name));
  return out;
}

}  // namespace mirvok_test
