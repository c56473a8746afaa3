// The pattern finder's CPU steps: scale lists from a read-back, scale grids,
// filtering and regions, without a GL context.
#include "pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using hoskin::CFeaturePattern;
using hoskin::CFeatureRegionListElem;

// A read-back of width x height RGBA floats with the given (x, y, R, G) points.
struct ReadBack {
  int width, height;
  std::vector<float> rgba;
  ReadBack(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0.0f) {}
  void set(int x, int y, float r, float g) {
    float* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    p[0] = r, p[1] = g;
  }
};

// One scale's grid laid out from rows of text: '#' occupied, '.' empty.
void SetGrid(CFeaturePattern& p, int scale, float size, const std::vector<std::string>& rows) {
  p.scaleValue[scale] = size;
  p.gridColumns[scale] = static_cast<int>(rows[0].size());
  p.gridRows[scale] = static_cast<int>(rows.size());
  p.grid[scale].clear();
  for (const std::string& r : rows) {
    for (char c : r) p.grid[scale].push_back(c == '#' ? 0 : -1);
  }
  p.gridUsed[scale] = 1;
}

std::vector<std::string> Block(int columns, int rows, int gridColumns, int gridRows, int left = 0, int top = 0) {
  std::vector<std::string> out(gridRows, std::string(gridColumns, '.'));
  for (int r = top; r < top + rows; ++r) {
    for (int c = left; c < left + columns; ++c) out[r][c] = '#';
  }
  return out;
}

std::vector<const CFeatureRegionListElem*> Regions(const CFeaturePattern& p) {
  std::vector<const CFeatureRegionListElem*> out;
  for (gpu::CListElem* e = p.patternRegions.head; e; e = e->next) {
    out.push_back(static_cast<const CFeatureRegionListElem*>(e));
  }
  return out;
}

TEST(PatternScales, PointsGroupByScaleInFirstSeenOrder) {
  CFeaturePattern p;
  p.width = 12, p.height = 2;
  ReadBack rb(12, 2);
  // Nine distinct scales, then points of the first and the ninth again.
  for (int i = 0; i < 9; ++i) rb.set(i, 0, 1.0f, 9.0f + i);
  rb.set(0, 1, 2.0f, 9.0f);
  rb.set(1, 1, 2.0f, 17.0f);
  rb.set(2, 1, 0.0f, 9.0f);   // no response: not a point
  rb.set(3, 1, 1.0f, 0.0f);   // no scale
  rb.set(4, 1, 1.0f, 0.5f);   // below a pixel
  rb.set(5, 1, 1.0f, -3.0f);  // negative
  p.CollectScalePoints(rb.rgba.data());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p.scaleValue[i], 9.0f + i) << i;
  EXPECT_EQ(p.scalePoints[0].count, 2);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(p.scalePoints[i].count, 1) << i;
  // A second read-back starts again from empty slots.
  ReadBack other(12, 2);
  other.set(7, 1, 1.0f, 21.0f);
  p.CollectScalePoints(other.rgba.data());
  EXPECT_EQ(p.scaleValue[0], 21.0f);
  EXPECT_EQ(p.scalePoints[0].count, 1);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(p.scaleValue[i], 0.0f) << i;
}

TEST(PatternScales, AGridNeedsMoreThanTheMinimumOfPoints) {
  CFeaturePattern p;
  p.width = 100, p.height = 50;
  ReadBack rb(100, 50);
  // Scale 9: exactly 20 points; scale 15: 21 points, one of them past the grid.
  for (int i = 0; i < 20; ++i) rb.set(i * 4, 1, 1.0f, 9.0f);
  for (int i = 0; i < 20; ++i) rb.set(i, 20, 1.0f, 15.0f);
  rb.set(99, 49, 1.0f, 15.0f);  // column 6, row 3: outside the 6 x 3 grid
  p.CollectScalePoints(rb.rgba.data());
  p.BuildScaleGrids(20);
  EXPECT_EQ(p.gridUsed[0], 0);
  EXPECT_TRUE(p.grid[0].empty());
  ASSERT_EQ(p.gridUsed[1], 1);
  EXPECT_EQ(p.gridColumns[1], 6);
  EXPECT_EQ(p.gridRows[1], 3);
  // x 0..19 at y 20: columns 0 and 1 of row 1.
  const std::vector<int32_t> want = {-1, -1, -1, -1, -1, -1, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  EXPECT_EQ(p.grid[1], want);
}

TEST(PatternScales, FixedGridsMarkCellsHoldingTheirOwnSize) {
  CFeaturePattern p;
  p.width = 30, p.height = 20;
  ReadBack rb(30, 20);
  rb.set(10, 1, 1.0f, 9.0f);  // cell (1, 0) of size 9
  rb.set(20, 12, 1.0f, 15.0f);  // cell (1, 0) of size 15
  rb.set(2, 12, 1.0f, 21.0f);   // size 21: no 21 x 21 cell fits in 20 rows
  p.BuildFixedScaleGridsFrom(rb.rgba.data());
  EXPECT_EQ(p.scaleValue[0], 9.0f);
  EXPECT_EQ(p.grid[0], (std::vector<int32_t>{-1, 0, -1, -1, -1, -1}));
  EXPECT_EQ(p.gridUsed[0], 1);
  EXPECT_EQ(p.grid[1], (std::vector<int32_t>{-1, 0}));
  EXPECT_EQ(p.gridUsed[2], 0);
  EXPECT_EQ(p.scaleValue[7], 99.0f);
}

TEST(PatternGrids, FilteringIsInPlaceInIndexOrder) {
  struct Case {
    const char* name;
    int minNeighbours;
    bool eight;
    std::vector<std::string> in, out;
  };
  const Case cases[] = {
      {"isolated cell goes, a pair stays", 1, true, {"#..#", "...#"}, {"...#", "...#"}},
      {"diagonal pair needs the eight-neighbourhood", 1, false, {"#.", ".#"}, {"..", ".."}},
      {"diagonal pair with it", 1, true, {"#.", ".#"}, {"#.", ".#"}},
      // A row of three with two neighbours needed: each removal uncovers the next.
      {"removals cascade", 2, true, {"###"}, {"..."}},
  };
  for (const Case& c : cases) {
    CFeaturePattern p;
    SetGrid(p, 0, 10, c.in);
    p.FilterGrids(c.minNeighbours, c.eight);
    CFeaturePattern want;
    SetGrid(want, 0, 10, c.out);
    EXPECT_EQ(p.grid[0], want.grid[0]) << c.name;
  }
}

TEST(PatternRegions, SizeAndSquarenessDecideWhichRegionsStay) {
  struct Case {
    const char* name;
    std::vector<std::string> grid;
    bool stays;
  };
  std::vector<std::string> gapped = Block(6, 6, 10, 8);
  for (int c = 1; c <= 4; ++c) gapped[2][c] = '.';
  for (int c = 1; c <= 3; ++c) gapped[3][c] = '.';
  const Case cases[] = {
      {"30 cells, 1.25 times taller", Block(5, 6, 10, 8), true},
      {"30 cells, 1.25 times wider", Block(6, 5, 10, 8), false},
      {"42 cells, 1.2 times wider", Block(7, 6, 10, 8), true},
      {"29 cells of a square box", gapped, false},
      {"36 cells of a square", Block(6, 6, 10, 8), true},
      {"a line of 30 cells (zero height)", Block(30, 1, 30, 2), true},
      {"a column of 30 cells (zero width)", Block(1, 30, 10, 30), true},
      // Columns 1..9 of a 10-column grid hold no cell index that is a multiple of ten.
      {"no seed cell", Block(9, 8, 10, 8, 1), false},
  };
  for (const Case& c : cases) {
    CFeaturePattern p;
    p.width = 400, p.height = 400;
    SetGrid(p, 0, 10, c.grid);
    p.BuildRegions();
    EXPECT_EQ(p.patternRegions.count, c.stays ? 1 : 0) << c.name;
    p.patternRegions.DeleteAll();
  }
}

TEST(PatternRegions, ARegionKeepsItsCellsBoxExtremesAndHull) {
  CFeaturePattern p;
  p.width = 200, p.height = 200;
  // Scale 0: a region of four cells, grown (taking id 1) and dropped. Scale
  // 1 of size 9: a 6 x 6 block at columns 0..5, rows 1..6.
  SetGrid(p, 0, 15, Block(2, 2, 10, 10, 0, 5));
  SetGrid(p, 1, 9.0f, Block(6, 6, 10, 10, 0, 1));
  p.BuildRegions();
  const auto regions = Regions(p);
  ASSERT_EQ(regions.size(), 1u);
  const CFeatureRegionListElem& r = *regions[0];
  EXPECT_EQ(r.scale, 9);
  EXPECT_EQ(r.scaleIndex, 1);
  EXPECT_EQ(r.cells.count, 36);
  EXPECT_EQ(r.pointCount, 36);
  // Cell centres: column * 9 + 4.
  EXPECT_EQ(r.minX, 4.0f);
  EXPECT_EQ(r.maxX, 49.0f);
  EXPECT_EQ(r.minY, 13.0f);
  EXPECT_EQ(r.maxY, 58.0f);
  EXPECT_EQ(r.minXCell[0], 0);
  EXPECT_EQ(r.maxXCell[0], 5);
  EXPECT_EQ(r.minYCell[1], 1);
  EXPECT_EQ(r.maxYCell[1], 6);
  // Ids count over the scales of the run: the scale 0 region took 1.
  EXPECT_EQ(p.grid[1][10], 2);
  ASSERT_EQ(r.hullCount, 4);
  const std::vector<float> hull(r.hull.get(), r.hull.get() + 8);
  EXPECT_EQ(hull, (std::vector<float>{4, 13, 49, 13, 49, 58, 4, 58}));
  hoskin::ComputeRegionRectangle(const_cast<CFeatureRegionListElem*>(&r));
  const std::vector<float> corners(r.corners, r.corners + 8);
  EXPECT_EQ(corners, (std::vector<float>{4, 13, 49, 13, 49, 58, 4, 58}));
}

TEST(PatternRegions, ALargeRegionGrowsWithoutDeepRecursion) {
  CFeaturePattern p;
  p.width = 4000, p.height = 4000;
  SetGrid(p, 0, 9, Block(400, 400, 400, 400));
  p.BuildRegions();
  const auto regions = Regions(p);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0]->cells.count, 400 * 400);
  EXPECT_EQ(regions[0]->hullCount, 4);
}

}  // namespace
