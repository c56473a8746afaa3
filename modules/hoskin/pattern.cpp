#include "pattern.h"

#include <algorithm>
#include <cmath>

#include "convex_hull.h"
#include "grid_neighbour.h"

namespace hoskin {

namespace {

// The keypoint sizes the passes test, in pixels.
constexpr int kFixedScales[CFeaturePattern::kScales] = {9, 15, 21, 27, 39, 51, 75, 99};

// Every tenth cell index seeds a region.
constexpr int kSeedStep = 10;

}  // namespace

CFeaturePattern::~CFeaturePattern() {
  for (gpu::CList& l : scalePoints) l.DeleteAll();
  patternRegions.DeleteAll();
}

void CFeaturePattern::Release() {
  for (int i = 0; i < kScales; ++i) {
    scalePoints[i].DeleteAll();
    scaleValue[i] = 0;
  }
  FreeGrids();
  CFeature::Release();
}

void CFeaturePattern::FreeGrids() {
  for (int i = 0; i < kScales; ++i) {
    std::vector<int32_t>().swap(grid[i]);
    gridColumns[i] = gridRows[i] = 0;
    gridUsed[i] = 0;
  }
}

unsigned CFeaturePattern::ReadResults() { return ReadScaleResults(); }

bool CFeaturePattern::ReadBack() {
  if (width < 1 || height < 1 || !readBuffer || readCount < width * height) return false;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, readBuffer.get());
  return true;
}

unsigned CFeaturePattern::ReadScaleResults() {
  if (!ReadBack()) return 0;
  CollectScalePoints(readBuffer.get());
  return static_cast<unsigned>(width) * static_cast<unsigned>(height);
}

void CFeaturePattern::CollectScalePoints(const float* rgba) {
  for (int i = 0; i < kScales; ++i) {
    scalePoints[i].DeleteAll();
    scaleValue[i] = 0;
  }
  const float* px = rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, px += 4) {
      if (px[0] == 0.0f) continue;
      const float scale = px[1];
      // A scale below one pixel would make a grid of unbounded size.
      if (!(scale >= 1.0f)) continue;
      int slot = 0;
      while (slot < kScales && scaleValue[slot] != 0 && scaleValue[slot] != scale) ++slot;
      if (slot == kScales) continue;  // eight other scales already present
      auto* p = new CFeatureScaleResultListElem;
      p->position.x = static_cast<float>(x);
      p->position.y = static_cast<float>(y);
      scalePoints[slot].Append(p);
      scaleValue[slot] = scale;
    }
  }
}

void CFeaturePattern::BuildScaleGrids(int minPoints) {
  FreeGrids();
  for (int i = 0; i < kScales; ++i) {
    const float scale = scaleValue[i];
    if (scalePoints[i].count <= minPoints || !(scale >= 1.0f)) continue;
    const int columns = static_cast<int>(static_cast<float>(width) / scale);
    const int rows = static_cast<int>(static_cast<float>(height) / scale);
    gridColumns[i] = columns;
    gridRows[i] = rows;
    grid[i].assign(static_cast<size_t>(columns) * rows, -1);
    for (gpu::CListElem* e = scalePoints[i].head; e; e = e->next) {
      const FloatVec2& p = static_cast<CFeatureScaleResultListElem*>(e)->position;
      const int c = static_cast<int>(p.x / scale), r = static_cast<int>(p.y / scale);
      if (c >= 0 && c < columns && r >= 0 && r < rows) grid[i][static_cast<size_t>(r) * columns + c] = 0;
    }
    gridUsed[i] = 1;
  }
}

void CFeaturePattern::BuildFixedScaleGrids() {
  if (!ReadBack()) return;
  BuildFixedScaleGridsFrom(readBuffer.get());
}

void CFeaturePattern::BuildFixedScaleGridsFrom(const float* rgba) {
  FreeGrids();
  for (int i = 0; i < kScales; ++i) {
    const int s = kFixedScales[i];
    scaleValue[i] = static_cast<float>(s);
    const int columns = width / s, rows = height / s;
    gridColumns[i] = columns;
    gridRows[i] = rows;
    grid[i].assign(static_cast<size_t>(columns) * rows, -1);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        bool found = false;
        for (int y = r * s; y < (r + 1) * s && !found; ++y) {
          const float* px = rgba + (static_cast<size_t>(y) * width + static_cast<size_t>(c) * s) * 4;
          for (int x = 0; x < s && !found; ++x, px += 4) found = px[0] != 0.0f && px[1] == static_cast<float>(s);
        }
        if (!found) continue;
        grid[i][static_cast<size_t>(r) * columns + c] = 0;
        gridUsed[i] = 1;
      }
    }
  }
}

void CFeaturePattern::FilterGrids(int minNeighbours, bool eightNeighbourhood) {
  const int neighbours = eightNeighbourhood ? 8 : 4;
  for (int i = 0; i < kScales; ++i) {
    if (!gridUsed[i]) continue;
    std::vector<int32_t>& g = grid[i];
    const int columns = gridColumns[i], rows = gridRows[i];
    // In place: later cells see the removals of earlier ones.
    for (int cell = 0; cell < columns * rows; ++cell) {
      int count = 0;
      for (int k = 0; k < neighbours; ++k) {
        const int n = GridNeighbour(cell, k, columns, rows);
        if (n >= 0 && g[n] != -1) ++count;
      }
      if (count < minNeighbours) g[cell] = -1;
    }
  }
}

void CFeaturePattern::GrowRegion(int scale, int seed, int id, int& cellCount, CFeatureRegionListElem* region) {
  std::vector<int32_t>& g = grid[scale];
  const int columns = gridColumns[scale], rows = gridRows[scale];
  const int s = region->scale;
  const auto enter = [&](int cell) {
    g[cell] = id;
    ++cellCount;
    auto* p = new CFeaturePointListElem;
    p->column = cell % columns;
    p->row = cell / columns;
    const float x = static_cast<float>(p->column * s + s / 2), y = static_cast<float>(p->row * s + s / 2);
    p->position.x = x;
    p->position.y = y;
    const auto keep = [&](int* at) { at[0] = p->column, at[1] = p->row; };
    if (x < region->minX) region->minX = x, keep(region->minXCell);
    if (x > region->maxX) region->maxX = x, keep(region->maxXCell);
    if (y < region->minY) region->minY = y, keep(region->minYCell);
    if (y > region->maxY) region->maxY = y, keep(region->maxYCell);
    region->cells.Append(p);
  };
  // The frames of a depth-first recursion (a cell and its next neighbour),
  // kept on the heap: a large region would overflow the thread's stack.
  struct Frame {
    int cell, next;
  };
  if (seed < 0 || seed >= columns * rows || g[seed] != 0) return;
  std::vector<Frame> stack;
  enter(seed);
  stack.push_back({seed, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == 8) {
      stack.pop_back();
      continue;
    }
    const int n = GridNeighbour(top.cell, top.next++, columns, rows);
    if (n >= 0 && g[n] == 0) {
      enter(n);
      stack.push_back({n, 0});
    }
  }
}

void CFeaturePattern::BuildRegions() {
  int nextId = 1;
  gpu::CList& regions = patternRegions;
  for (int i = 0; i < kScales; ++i) {
    if (!gridUsed[i]) continue;
    const int cells = gridColumns[i] * gridRows[i];
    for (int seed = 0; seed < cells; seed += kSeedStep) {
      if (grid[i][seed] != 0) continue;
      auto* region = new CFeatureRegionListElem;
      region->gridColumns = gridColumns[i];
      region->gridRows = gridRows[i];
      region->scale = static_cast<int>(scaleValue[i]);
      region->scaleIndex = i;
      region->minX = static_cast<float>(width);
      region->maxX = 0;
      region->minY = static_cast<float>(height);
      region->maxY = 0;
      regions.Append(region);
      int cellCount = 0;
      GrowRegion(i, seed, nextId++, cellCount, region);
    }
  }

  CFeatureRegionListElem* r = nullptr;
  if (regions.GetFirst(&r)) {
    while (regions.GetCurrent(&r)) {
      const double w = r->maxX - r->minX, h = r->maxY - r->minY;
      // A box of zero width or height is not tested for squareness. In double
      // precision a ratio of exactly 1.2 stays.
      const bool square = w == 0 || h == 0 || std::fabs(w / h - 1) <= kMaxAspectDeviation;
      if (r->cells.count >= kMinRegionCells && square) {
        regions.GetNext(&r);
      } else {
        regions.RemoveCurrent();
        delete r;
      }
    }
  }
  for (gpu::CListElem* e = regions.head; e; e = e->next) {
    auto* region = static_cast<CFeatureRegionListElem*>(e);
    const int n = region->cells.count;
    region->points.reset(new float[static_cast<size_t>(n) * 2]);
    region->hull.reset(new float[static_cast<size_t>(n) * 2]);
    region->pointCount = n;
    int k = 0;
    for (gpu::CListElem* c = region->cells.head; c; c = c->next, ++k) {
      const FloatVec2& p = static_cast<CFeaturePointListElem*>(c)->position;
      region->points[2 * k] = p.x;
      region->points[2 * k + 1] = p.y;
    }
    region->hullCount = ConvexHull(region->points.get(), n, region->hull.get());
  }
}

void ComputeRegionRectangle(CFeatureRegionListElem* region) {
  const float cx = (region->minX + region->maxX) / 2, cy = (region->minY + region->maxY) / 2;
  ComputeRegionRectangle(region->hull.get(), region->hullCount, cx, cy, region->corners);
}

}  // namespace hoskin
