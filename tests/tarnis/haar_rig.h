// Runs of "gpu_haar" through the module's exports, and the gradient picture
// computed on the CPU from an integral image of the same frame.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "gl_test_util.h"
#include "module_run.h"
#include "talvix/host.hpp"

namespace tarnis_test {

using module_test::MethodRun;

inline const std::string kModule = "tarnis";
inline const std::string kMethod = "gpu_haar";

inline std::string Utf8(const std::u16string& s) { return talvix::ToUtf8(s); }

// A frame whose pixel (x, y) (memory row y) is bright where inside(x, y).
template <class Inside>
talvix::FrameBuffer EdgeFrame(int w, int h, int bpp, Inside inside) {
  auto f = talvix::FrameBuffer::make(w, h, bpp, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t v = inside(x, y) ? 200 : 40;
      uint8_t* px = f.pixel(x, y);
      for (int c = 0; c < bpp / 8; ++c) px[c] = v;
    }
  }
  return f;
}

// The luminance the pipeline sums, in double.
inline double Luminance(const talvix::FrameBuffer& f, int x, int y) {
  const uint8_t* p = f.pixel(x, y);
  if (f.bpp() == 8) return p[0] * 0.001307189 * 3;
  return p[2] * 0.001172549 + p[1] * 0.00230196 + p[0] * 0.000447058;
}

// The Haar responses of every pixel: boxes of half side r = max(1,
// floor(size / 2)) on each side of the pixel, divided by one box's area;
// pixels past the frame count as 0.
struct Gradients {
  int w = 0, h = 0;
  std::vector<double> dx, dy;
};

inline Gradients Haar(const talvix::FrameBuffer& f, double size) {
  const int w = f.width(), h = f.depth();
  std::vector<double> s(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    double row = 0;
    for (int x = 0; x < w; ++x) {
      row += Luminance(f, x, y);
      s[static_cast<size_t>(y) * w + x] = row + (y > 0 ? s[static_cast<size_t>(y - 1) * w + x] : 0);
    }
  }
  auto at = [&](int x, int y) {
    if (x < 0 || y < 0) return 0.0;
    return s[static_cast<size_t>(std::min(y, h - 1)) * w + std::min(x, w - 1)];
  };
  auto box = [&](int x0, int y0, int x1, int y1) {
    return at(x1, y1) - at(x0 - 1, y1) - at(x1, y0 - 1) + at(x0 - 1, y0 - 1);
  };
  const int r = std::max(1, static_cast<int>(std::floor(size / 2)));
  const double area = r * (2.0 * r + 1);
  Gradients g{w, h, std::vector<double>(s.size()), std::vector<double>(s.size())};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      g.dx[i] = (box(x + 1, y - r, x + r, y + r) - box(x - r, y - r, x - 1, y + r)) / area;
      g.dy[i] = (box(x - r, y + 1, x + r, y + r) - box(x - r, y - r, x + r, y - 1)) / area;
    }
  }
  return g;
}

// What a pixel shows, as three values 0..1 (red, green, blue); angle modes
// are grey.
inline void Shown(double dx, double dy, int mode, bool negative, double out[3]) {
  bool used[3] = {true, true, true};
  if (mode <= 1) {
    // A dy below 1/128 of dx counts as 0 (the bound from the integral's rounding
    // lies far below any gradient of these small frames).
    const double ay = std::abs(dy) < std::abs(dx) / 128 ? 0.0 : dy;
    double a = (std::abs(dx) >= 1e-4 || std::abs(dy) >= 1e-4) ? std::atan2(ay, dx) : 0.0;
    const double turn = mode == 0 ? M_PI : 2 * M_PI;
    if (a < 0) a += turn;
    if (a >= turn) a -= turn;
    out[0] = out[1] = out[2] = a / turn;
  } else if (mode == 2 || mode == 3) {
    out[0] = out[1] = out[2] = 0.5 + 0.5 * (mode == 2 ? dx : dy);
  } else {
    out[0] = 0.5 + 0.5 * (mode == 4 ? dx : dy);
    out[1] = 0.5 + 0.5 * (mode == 4 ? dy : dx);
    out[2] = 0;
    used[2] = false;
  }
  for (int c = 0; c < 3; ++c) {
    out[c] = std::clamp(out[c], 0.0, 1.0);
    if (negative && used[c]) out[c] = 1 - out[c];
  }
}

// Channel c (0 red, 1 green, 2 blue) of a 32-bit picture pixel.
inline int Channel(const talvix::FrameBuffer& f, int x, int y, int c) { return f.pixel(x, y)[2 - c]; }

// Compares the picture at the pixels keep(x, y) accepts with the reference of
// the mode, within two grey levels (angles around the circle). Pixels whose
// gradient is too close to "none" to call are skipped.
template <class Keep>
void ExpectGradientPicture(const talvix::FrameBuffer& picture, const talvix::FrameBuffer& src, double size, int mode,
                           bool negative, Keep keep) {
  ASSERT_EQ(picture.width(), src.width());
  ASSERT_EQ(picture.depth(), src.depth());
  const Gradients g = Haar(src, size);
  int bad = 0, compared = 0;
  for (int y = 0; y < g.h; ++y) {
    for (int x = 0; x < g.w; ++x) {
      if (!keep(x, y)) continue;
      const size_t i = static_cast<size_t>(y) * g.w + x;
      const double m = std::max(std::abs(g.dx[i]), std::abs(g.dy[i]));
      if (mode <= 1 && m > 1e-5 && m < 1e-3) continue;
      ++compared;
      double want[3];
      Shown(g.dx[i], g.dy[i], mode, negative, want);
      for (int c = 0; c < 3; ++c) {
        const int expected = static_cast<int>(std::lround(want[c] * 255));
        int d = std::abs(Channel(picture, x, y, c) - expected);
        if (mode <= 1) d = std::min(d, 255 - d);
        if (d > 2 && bad++ < 8) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": " << Channel(picture, x, y, c)
                        << " expected " << expected;
        }
      }
    }
  }
  EXPECT_EQ(bad, 0);
  EXPECT_GT(compared, 0);
}

inline std::vector<std::string> RequestNames(const talvix::Inspection& in) {
  std::vector<std::string> out;
  for (const auto& r : in.requests()) out.push_back(Utf8(r.name));
  return out;
}

}  // namespace tarnis_test
