// Shared pieces of the border-detection tests: drawn bottom-up frames, the
// edge-point callback that owners hand to a detection, and a runner that keeps
// the per-label arrays.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "border/border_detection.h"
#include "talvix/host.hpp"

namespace border_test {

// Paints value into every pixel (x, y) of f for which inside(x, y) holds
// (8 bpp: the byte; 32 bpp: B = G = R = value).
inline void Paint(talvix::FrameBuffer& f, uint8_t value, const std::function<bool(int, int)>& inside) {
  const int bytes = f.bpp() / 8;
  for (int y = 0; y < f.depth(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      if (!inside(x, y)) continue;
      uint8_t* p = f.pixel(x, y);
      for (int b = 0; b < bytes && b < 3; ++b) p[b] = value;
    }
  }
}

inline void Disc(talvix::FrameBuffer& f, double cx, double cy, double r, uint8_t value) {
  Paint(f, value, [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
}

// Pixels x0..x1, y0..y1 inclusive.
inline void Box(talvix::FrameBuffer& f, int x0, int y0, int x1, int y1, uint8_t value) {
  Paint(f, value, [=](int x, int y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; });
}

// The edge-point callback as the owning methods write it: one sample per
// scanned pixel, its contrast when above the threshold, else zeros.
inline bool CollectEdgePoint(void* user, int x, int y, unsigned /*value*/) {
  auto* rec = static_cast<BorderScanRecord*>(user);
  auto* bd = static_cast<CBorderDetection*>(rec->owner);
  ++rec->index;
  if (rec->index >= bd->sampleCapacity && !bd->GrowSamples(rec->index + 256)) return false;
  bd->sampleX[rec->index] = 0;
  bd->sampleY[rec->index] = 0;
  bd->sampleContrast[rec->index] = 0;
  int contrast = 0;
  if (CBorderDetection::CountEdgeContrast(rec->frame, x, y, &contrast) && contrast > rec->threshold) {
    bd->sampleContrast[rec->index] = contrast;
    bd->sampleX[rec->index] = x;
    bd->sampleY[rec->index] = y;
  }
  return true;
}

// A detection with its mark frame and per-label arrays.
struct Detection {
  CBorderDetection bd;
  talvix::FrameBuffer mark;
  int endCount = -7;
  std::array<int, 256> lengths{};
  std::array<bool, 256> valid{};
  std::array<bool, 256> open{};

  explicit Detection(bool records = true) {
    if (records) bd.CreateObjectRecords();
  }
  ~Detection() { bd.ReleaseObjectRecords(); }

  void freshMark(const talvix::FrameBuffer& source) {
    mark = talvix::FrameBuffer::make(source.width(), source.depth(), 8, 255);
  }

  void rect(const talvix::FrameBuffer& source, const TRectangularRegion* region, int threshold, int hLines, int vLines,
            int maxObjects = -1) {
    freshMark(source);
    bd.DetectBorderInRectRegion(source.frame(), mark.frame(), region, &bd, nullptr, threshold, hLines, vLines,
                                maxObjects, false, CollectEdgePoint, &endCount, lengths.data(), valid.data(),
                                open.data());
  }

  void ring(const talvix::FrameBuffer& source, const TRingRegion* region, int threshold, int arcs,
            int maxObjects = -1) {
    freshMark(source);
    bd.DetectBorderInRingRegion(source.frame(), mark.frame(), region, &bd, nullptr, threshold, arcs, maxObjects, false,
                                CollectEdgePoint, &endCount, lengths.data(), valid.data(), open.data());
  }

  int labelAt(int x, int y) const { return *mark.pixel(x, y); }

  std::vector<std::pair<int, int>> pixelsOf(int label) const {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < mark.depth(); ++y)
      for (int x = 0; x < mark.width(); ++x)
        if (labelAt(x, y) == label) out.emplace_back(x, y);
    return out;
  }

  const BorderObjectRecord& record(int label) const { return *bd.objectRecords[label]; }

  // True when the pixels of label separate (x, y) from the frame's corner:
  // a 4-connected fill of unlabelled pixels from (0, 0) does not reach it.
  bool encloses(int label, int x, int y) const {
    const int w = mark.width(), h = mark.depth();
    std::vector<char> seen(static_cast<size_t>(w) * h, 0);
    std::vector<std::pair<int, int>> stack{{0, 0}};
    seen[0] = 1;
    while (!stack.empty()) {
      auto [px, py] = stack.back();
      stack.pop_back();
      if (px == x && py == y) return false;
      const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
      for (int k = 0; k < 4; ++k) {
        const int nx = px + dx[k], ny = py + dy[k];
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
        const size_t i = static_cast<size_t>(ny) * w + nx;
        if (seen[i] || labelAt(nx, ny) == label) continue;
        seen[i] = 1;
        stack.emplace_back(nx, ny);
      }
    }
    return true;
  }
};

}  // namespace border_test
