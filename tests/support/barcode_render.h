// Barcode symbols for the reader tests and benchmarks: module rows from an
// outside encoder (libzint), edited element by element where a test needs a
// fault, rendered into frames turned, blurred and noised, with rows stored
// bottom-up so that the displayed picture is the upright symbol.
#pragma once

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace dunsel_test {

// Module row 0 of a zint symbol: 1 dark, 0 light.
inline std::vector<int> ZintRow(int symbology, const std::string& data, int inputMode = 0, int option2 = 0) {
  std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
  s->symbology = symbology;
  s->input_mode = inputMode;
  s->option_2 = option2;
  const int rc =
      ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
  if (rc >= ZINT_ERROR) throw std::runtime_error(std::string("zint: ") + s->errtxt);
  std::vector<int> bits(static_cast<size_t>(s->width));
  for (int x = 0; x < s->width; ++x) bits[x] = (s->encoded_data[0][x >> 3] >> (x & 7)) & 1;
  return bits;
}

// Element widths (runs of equal modules) of a module row, and back.
inline std::vector<int> Runs(const std::vector<int>& bits) {
  std::vector<int> runs;
  for (size_t i = 0; i < bits.size(); ++i) {
    if (i == 0 || bits[i] != bits[i - 1]) runs.push_back(0);
    ++runs.back();
  }
  return runs;
}
inline std::vector<int> FromRuns(const std::vector<int>& runs) {
  std::vector<int> bits;
  for (size_t r = 0; r < runs.size(); ++r) bits.insert(bits.end(), static_cast<size_t>(runs[r]), r % 2 == 0 ? 1 : 0);
  return bits;
}

struct Render {
  int width = 420, depth = 140;
  double module = 3.0;      // pixels per module
  double angle = 0.0;       // degrees, turning the symbol in the displayed picture
  double blur = 0.0;        // box blur radius in pixels, applied twice
  double noise = 0.0;       // amplitude of uniform noise in grey levels
  bool whiteBars = false;   // light bars on a dark ground
  double height = 100.0;    // bar height in pixels
  double cx = -1, cy = -1;  // centre; -1: the frame's centre
  uint32_t seed = 1;
  int dark = 40, light = 210;
};

// Element widths in modules, a bar first, drawn centred (or at cx, cy),
// 4 x 4 supersampled.
inline talvix::FrameBuffer RenderRuns(const std::vector<double>& widths, const Render& r) {
  std::vector<double> edges(1, 0.0);  // cumulative element edges in modules
  for (double w : widths) edges.push_back(edges.back() + w);
  std::vector<double> pic(static_cast<size_t>(r.width) * r.depth);
  const double c = std::cos(r.angle * M_PI / 180.0), s = std::sin(r.angle * M_PI / 180.0);
  const double cx = r.cx < 0 ? r.width / 2.0 : r.cx, cy = r.cy < 0 ? r.depth / 2.0 : r.cy;
  const double half = edges.back() * r.module / 2.0;
  for (int y = 0; y < r.depth; ++y) {
    for (int x = 0; x < r.width; ++x) {
      int darkHits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
          const double u = (c * px + s * py + half) / r.module, v = -s * px + c * py;
          if (u < 0 || u >= edges.back() || std::abs(v) > r.height / 2) continue;
          const size_t e = static_cast<size_t>(std::upper_bound(edges.begin(), edges.end(), u) - edges.begin()) - 1;
          if (e % 2 == 0) ++darkHits;
        }
      }
      const double cover = darkHits / 16.0;
      const double barValue = r.whiteBars ? r.light : r.dark, ground = r.whiteBars ? r.dark : r.light;
      pic[static_cast<size_t>(y) * r.width + x] = ground + (barValue - ground) * cover;
    }
  }
  const int rad = static_cast<int>(std::lround(r.blur));
  for (int pass = 0; pass < 2 * (rad > 0); ++pass) {
    std::vector<double> tmp(pic.size());
    for (int y = 0; y < r.depth; ++y)
      for (int x = 0; x < r.width; ++x) {
        double sum = 0;
        int n = 0;
        for (int k = -rad; k <= rad; ++k) {
          const int xx = x + k;
          if (xx < 0 || xx >= r.width) continue;
          sum += pic[static_cast<size_t>(y) * r.width + xx];
          ++n;
        }
        tmp[static_cast<size_t>(y) * r.width + x] = sum / n;
      }
    for (int y = 0; y < r.depth; ++y)
      for (int x = 0; x < r.width; ++x) {
        double sum = 0;
        int n = 0;
        for (int k = -rad; k <= rad; ++k) {
          const int yy = y + k;
          if (yy < 0 || yy >= r.depth) continue;
          sum += tmp[static_cast<size_t>(yy) * r.width + x];
          ++n;
        }
        pic[static_cast<size_t>(y) * r.width + x] = sum / n;
      }
  }
  talvix::FrameBuffer f = talvix::FrameBuffer::make(r.width, r.depth, 8);
  uint32_t h = r.seed * 2654435761u + 12345u;
  for (int y = 0; y < r.depth; ++y) {
    for (int x = 0; x < r.width; ++x) {
      double v = pic[static_cast<size_t>(y) * r.width + x];
      if (r.noise > 0) {
        h = h * 1664525u + 1013904223u;
        v += ((h >> 8) / 16777216.0 * 2 - 1) * r.noise;
      }
      f.pixel(x, r.depth - 1 - y)[0] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  return f;
}

// The module row of a symbol drawn as RenderRuns draws its elements.
inline talvix::FrameBuffer RenderRow(const std::vector<int>& bits, const Render& r) {
  std::vector<double> widths;
  for (int w : Runs(bits)) widths.push_back(w);
  return RenderRuns(widths, r);
}

}  // namespace dunsel_test
