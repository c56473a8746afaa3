// The candidate regions found on the GPU and their grid points.
#pragma once

#include "gpu/list.h"
#include "talvix.h"

namespace hoskin {

class CPointListElem : public gpu::CListElem {
 public:
  FloatVec2 position{};
  int cell = 0;
  float dx = 0, dy = 0;
};

class CRegionListElem : public gpu::CListElem {
 public:
  ~CRegionListElem() override;

  int id = 0;
  float dx = 0, dy = 0;  // mean direction along the bars, not normalised
  float cx = 0, cy = 0;
  int step = 0, columns = 0, rows = 0;
  gpu::CList points;
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  float halfWidth = 0;   // across the bars, from the axis, plus one step
  float halfLength = 0;  // along the bars, from the centre
  float meanNeighbours = 0;
  int pointCount = 0;
  void* hostContext = nullptr;
};

}  // namespace hoskin
