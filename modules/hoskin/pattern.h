// The pattern finder of the unlisted method: the keypoint passes, then the
// read-back points grouped by the scale the passes write, a coarse grid per
// scale with the cells that hold points, isolated cells removed, connected
// cells grown into regions, and roughly square regions of enough cells kept
// with their points, convex hull and oriented rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gpu/feature.h"
#include "gpu/list.h"
#include "talvix_types.h"

namespace hoskin {

class CFeatureScaleResultListElem : public gpu::CListElem {
 public:
  FloatVec2 position{};
};

class CFeaturePointListElem : public gpu::CListElem {
 public:
  FloatVec2 position{};
  int column = 0;
  int row = 0;
};

class CFeatureRegionListElem : public gpu::CListElem {
 public:
  ~CFeatureRegionListElem() override { cells.DeleteAll(); }

  int gridColumns = 0;
  int gridRows = 0;
  int scale = 0;  // the cell size in pixels
  int scaleIndex = 0;
  gpu::CList cells;  // CFeaturePointListElem
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  // Grid column and row of the cells that set minX, maxX, minY and maxY.
  int minXCell[2] = {}, maxXCell[2] = {}, minYCell[2] = {}, maxYCell[2] = {};
  float corners[8] = {};  // x0, y0 .. x3, y3 of the oriented rectangle
  int pointCount = 0;
  std::unique_ptr<float[]> points;  // x, y pairs
  int hullCount = 0;
  std::unique_ptr<float[]> hull;  // x, y pairs
};

class CFeaturePattern : public gpu::CFeature {
 public:
  static constexpr int kScales = 8;
  // Regions smaller than this many cells are dropped.
  static constexpr int kMinRegionCells = 30;
  // Largest |width / height - 1| of a kept region's box.
  static constexpr double kMaxAspectDeviation = 0.2;

  CFeaturePattern() = default;
  ~CFeaturePattern() override;

  // Scale lists, values and grids, then the feature's GPU objects.
  void Release() override;
  unsigned ReadResults() override;
  // Reads the frame's target back and groups its points by scale.
  virtual unsigned ReadScaleResults();
  // Grids for the scales with more than minPoints points.
  virtual void BuildScaleGrids(int minPoints);
  // Grids for the eight fixed keypoint sizes from a fresh read-back (an
  // alternative grid builder; the run does not use it).
  virtual void BuildFixedScaleGrids();
  virtual void FilterGrids(int minNeighbours, bool eightNeighbourhood);
  // Depth-first growth from cell over connected cells that are still free.
  virtual void GrowRegion(int scale, int cell, int id, int& cellCount, CFeatureRegionListElem* region);
  virtual void BuildRegions();

  // The CPU halves of the read-backs, on width x height RGBA floats.
  void CollectScalePoints(const float* rgba);
  void BuildFixedScaleGridsFrom(const float* rgba);

  gpu::CList scalePoints[kScales];  // CFeatureScaleResultListElem
  float scaleValue[kScales] = {};    // 0: the slot is free
  std::vector<int32_t> grid[kScales];  // -1 empty, 0 occupied, else a region id
  int gridColumns[kScales] = {};
  int gridRows[kScales] = {};
  uint8_t gridUsed[kScales] = {};
  gpu::CList patternRegions;  // CFeatureRegionListElem

 private:
  void FreeGrids();
  bool ReadBack();
};

// Fills the region's four corners from its hull and box.
void ComputeRegionRectangle(CFeatureRegionListElem* region);

}  // namespace hoskin
