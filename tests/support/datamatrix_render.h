// Data Matrix symbols for the reader tests and benchmarks: module matrices
// from an outside encoder (libzint), their data codewords, and frames with
// the symbol drawn upright, turned, mirrored, blurred or noised, rows stored
// bottom-up so that the displayed picture is the symbol as printed.
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

// Modules of a symbol, row 0 at the top as printed: 1 dark, 0 light.
struct DmMatrix {
  int rows = 0, cols = 0;
  std::vector<uint8_t> dark;
  bool at(int r, int c) const { return dark[static_cast<size_t>(r) * cols + c] != 0; }
};

struct DmOptions {
  int size = 0;        // zint's version: 1..24 squares 10x10..144x144, 25..30 the rectangles
  int inputMode = 0;   // DATA_MODE, GS1_MODE ...
  int eci = 0;
  int appendIndex = 0, appendCount = 0;
  bool square = false;
};

inline DmMatrix ZintDataMatrix(const std::string& data, const DmOptions& o = {}) {
  std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
  s->symbology = BARCODE_DATAMATRIX;
  s->input_mode = o.inputMode;
  s->option_2 = o.size;
  if (o.square) s->option_3 = DM_SQUARE;
  s->eci = o.eci;
  s->structapp.index = o.appendIndex;
  s->structapp.count = o.appendCount;
  const int rc =
      ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
  if (rc >= ZINT_ERROR) throw std::runtime_error(std::string("zint: ") + s->errtxt);
  DmMatrix m;
  m.rows = s->rows;
  m.cols = s->width;
  m.dark.resize(static_cast<size_t>(m.rows) * m.cols);
  for (int r = 0; r < m.rows; ++r)
    for (int c = 0; c < m.cols; ++c)
      m.dark[static_cast<size_t>(r) * m.cols + c] = (s->encoded_data[r][c >> 3] >> (c & 7)) & 1;
  return m;
}

// Left-right mirror image of a matrix.
inline DmMatrix Mirrored(const DmMatrix& m) {
  DmMatrix out = m;
  for (int r = 0; r < m.rows; ++r)
    for (int c = 0; c < m.cols; ++c) out.dark[static_cast<size_t>(r) * m.cols + c] = m.at(r, m.cols - 1 - c);
  return out;
}

struct DmRender {
  int width = 200, depth = 200;
  double module = 4.0;      // pixels per module
  double angle = 0.0;       // degrees, turning the symbol counter-clockwise as displayed
  double cx = -1, cy = -1;  // centre as displayed; -1: the frame's centre
  double blur = 0.0;        // box blur radius in pixels, applied twice
  double noise = 0.0;       // amplitude of uniform noise in grey levels
  bool negative = false;    // light modules on a dark ground
  int dark = 40, light = 210;
  uint32_t seed = 1;
};

// Draws matrices into one displayed picture (4 x 4 supersampled), each with
// its own placement, and stores it bottom-up.
struct DmPlaced {
  const DmMatrix* matrix;
  DmRender at;
};

inline std::vector<double> DrawPicture(const std::vector<DmPlaced>& symbols, const DmRender& frame) {
  const double ground = frame.negative ? frame.dark : frame.light, ink = frame.negative ? frame.light : frame.dark;
  std::vector<double> pic(static_cast<size_t>(frame.width) * frame.depth, ground);
  for (const DmPlaced& p : symbols) {
    const DmMatrix& m = *p.matrix;
    const DmRender& r = p.at;
    const double a = r.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    const double cx = r.cx < 0 ? frame.width / 2.0 : r.cx, cy = r.cy < 0 ? frame.depth / 2.0 : r.cy;
    const double halfW = m.cols * r.module / 2, halfH = m.rows * r.module / 2;
    const double reach = std::hypot(halfW, halfH) + 2;
    const int x0 = std::max(0, static_cast<int>(cx - reach)), x1 = std::min(frame.width - 1, static_cast<int>(cx + reach));
    const int y0 = std::max(0, static_cast<int>(cy - reach)), y1 = std::min(frame.depth - 1, static_cast<int>(cy + reach));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        int hits = 0, inside = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
            // Displayed y grows downwards; a counter-clockwise turn as seen.
            const double u = (c * px - s * py + halfW) / r.module, v = (s * px + c * py + halfH) / r.module;
            if (u < 0 || v < 0 || u >= m.cols || v >= m.rows) continue;
            ++inside;
            if (m.at(static_cast<int>(v), static_cast<int>(u))) ++hits;
          }
        }
        if (inside == 0) continue;
        double& px = pic[static_cast<size_t>(y) * frame.width + x];
        px = px + (ink - ground) * hits / 16.0;
      }
    }
  }
  return pic;
}

inline talvix::FrameBuffer StorePicture(std::vector<double> pic, const DmRender& r) {
  const int rad = static_cast<int>(std::lround(r.blur));
  for (int pass = 0; pass < 2 * (rad > 0); ++pass) {
    for (int dir = 0; dir < 2; ++dir) {
      std::vector<double> tmp(pic.size());
      for (int y = 0; y < r.depth; ++y)
        for (int x = 0; x < r.width; ++x) {
          double sum = 0;
          int n = 0;
          for (int k = -rad; k <= rad; ++k) {
            const int xx = dir == 0 ? x + k : x, yy = dir == 0 ? y : y + k;
            if (xx < 0 || yy < 0 || xx >= r.width || yy >= r.depth) continue;
            sum += pic[static_cast<size_t>(yy) * r.width + xx];
            ++n;
          }
          tmp[static_cast<size_t>(y) * r.width + x] = sum / n;
        }
      pic.swap(tmp);
    }
  }
  talvix::FrameBuffer f = talvix::FrameBuffer::make(r.width, r.depth, 8);
  uint32_t h = r.seed * 2654435761u + 12345u;
  for (int y = 0; y < r.depth; ++y)
    for (int x = 0; x < r.width; ++x) {
      double v = pic[static_cast<size_t>(y) * r.width + x];
      if (r.noise > 0) {
        h = h * 1664525u + 1013904223u;
        v += ((h >> 8) / 16777216.0 * 2 - 1) * r.noise;
      }
      f.pixel(x, r.depth - 1 - y)[0] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  return f;
}

// One symbol drawn as r says, in a frame of r's size.
inline talvix::FrameBuffer RenderDataMatrix(const DmMatrix& m, const DmRender& r) {
  return StorePicture(DrawPicture({{&m, r}}, r), r);
}

}  // namespace dunsel_test
