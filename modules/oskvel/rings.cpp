// Ring scans round a particle's centroid: how often a circle crosses the
// particle's border, and how far those crossings lie from its holes.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "qualifier.h"

namespace oskvel {

namespace {

struct RingScan {
  const uint8_t* data;
  ptrdiff_t stride;
  int w, h;
  int label;
  bool on = false;  // the previous pixel counted as on the label
  bool havePrevious = false;
  int px = 0, py = 0;
  bool haveEntry = false;
  int ex = 0, ey = 0;  // the last counted entry
  int count = 0;
  // Second scan only: hole centroids and the farthest counted entry from each.
  const std::vector<RingPoint>* holes = nullptr;
  std::vector<int64_t>* farthest = nullptr;

  bool At(int x, int y) const {
    return x >= 0 && y >= 0 && x < w && y < h && data[static_cast<ptrdiff_t>(y) * stride + x] == label;
  }
  bool NextToLabel(int x, int y) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if ((dx || dy) && At(x + dx, y + dy)) return true;
    return false;
  }
};

// A pixel on the label is on it. Once on, the scan stays on while the label
// is a neighbour, so a ring running along the border enters once; when off,
// a diagonal step across a one-pixel border (a pixel of the step's other
// diagonal labelled) is an entry too, so an 8-connected
// ring cannot slip through an 8-connected border.
bool RingCallback(void* user, int x, int y, unsigned value) {
  RingScan& s = *static_cast<RingScan*>(user);
  bool on = static_cast<int>(value & 0xFF) == s.label;
  if (!on && s.on) on = s.NextToLabel(x, y);
  if (!on && !s.on && s.havePrevious && std::abs(x - s.px) == 1 && std::abs(y - s.py) == 1)
    on = s.At(s.px, y) || s.At(x, s.py);
  if (on && !s.on) {
    const bool repeat = s.haveEntry && std::abs(x - s.ex) <= 4 && std::abs(y - s.ey) < 5;
    if (!repeat) {
      ++s.count;
      s.haveEntry = true;
      s.ex = x;
      s.ey = y;
      if (s.farthest) {
        for (size_t k = 0; k < s.holes->size(); ++k) {
          const int64_t dx = x - (*s.holes)[k].x, dy = y - (*s.holes)[k].y;
          (*s.farthest)[k] = std::max((*s.farthest)[k], dx * dx + dy * dy);
        }
      }
    }
  }
  s.on = on;
  s.havePrevious = true;
  s.px = x;
  s.py = y;
  return true;
}

}  // namespace

int CountRingCrossings(const Frame* mark, int label, double cx, double cy, double r,
                       const std::vector<RingPoint>* holes, std::vector<int64_t>* farthest) {
  RingScan s{GetFrameDataAddr(const_cast<Frame*>(mark)), (GetFrameWidth(mark) + 3) & ~3, GetFrameWidth(mark),
             GetFrameDepth(mark), label};
  if (holes && farthest) {
    farthest->assign(holes->size(), 0);
    s.holes = holes;
    s.farthest = farthest;
  }
  const TRing ring{cx, cy, r, r, 0.0, 360.0};
  ScanRing(mark, &ring, 1, &s, 1, RingCallback);
  return s.count;
}

void CQualifierMain::ScanRings(size_t index) {
  Particle& p = particles[index];
  const double maxR = p.maxRadius > 0 ? p.maxRadius : 1.0;
  const double minRatio = p.minRadius / maxR, rmsRatio = p.rmsRadius / maxR;
  const double cx = p.centroidX, cy = p.centroidY;

  p.ringRms = 0.1f;
  if (rmsRatio < 0.85) p.ringRms = static_cast<float>(CountRingCrossings(Mark(), p.label, cx, cy, p.rmsRadius) / 10.0);

  p.ringMid = 0.1f;
  p.holeDistance = 0;
  if (minRatio < 0.85 && rmsRatio < 0.85) {
    std::vector<RingPoint> centres;
    for (int h : p.holes) {
      const Particle& hole = particles[static_cast<size_t>(h)];
      centres.push_back({hole.centroidX, hole.centroidY});
    }
    std::vector<int64_t> farthest;
    const double r = (static_cast<double>(p.minRadius) + p.maxRadius) / 2;
    p.ringMid = static_cast<float>(CountRingCrossings(Mark(), p.label, cx, cy, r, &centres, &farthest) / 10.0);
    if (!centres.empty()) {
      p.holeDistance = 1;
      for (size_t k = 0; k < centres.size(); ++k) {
        // A concentric hole (a washer) sits at distance 0: floored at a pixel.
        const double apart = std::max(1.0, std::hypot(double(centres[k].x) - cx, double(centres[k].y) - cy));
        p.holeDistance *= std::sqrt(static_cast<double>(farthest[k])) / apart;
      }
    }
  }
}

}  // namespace oskvel
