// Region building on read-back grids injected without GL.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "orientation.h"

namespace {

using Cells = std::set<std::pair<int, int>>;  // (column, row)

// A block of cells without its four corners (corners would be filtered out).
Cells Block(int c0, int r0, int w, int h, std::initializer_list<std::pair<int, int>> drop = {}) {
  Cells s;
  for (int c = c0; c < c0 + w; ++c) {
    for (int r = r0; r < r0 + h; ++r) s.insert({c, r});
  }
  for (auto p : {std::pair{c0, r0}, {c0 + w - 1, r0}, {c0, r0 + h - 1}, {c0 + w - 1, r0 + h - 1}}) s.erase(p);
  for (auto p : drop) s.erase(p);
  return s;
}

// A read-back of a frame whose grid holds the cells, all with direction
// (0, 1) (bars upright) unless given.
void Inject(hoskin::CBarcodeOrientation& o, int width, int height, int step, const Cells& cells, uint8_t r = 128,
            uint8_t b = 255) {
  o.width = width;
  o.height = height;
  o.readBack.assign(static_cast<size_t>(width) * height * 4, 0);
  for (auto [c, row] : cells) {
    uint8_t* px = &o.readBack[(static_cast<size_t>(row + 1) * step * width + static_cast<size_t>(c + 1) * step) * 4];
    px[0] = r, px[1] = 255, px[2] = b, px[3] = 255;
  }
}

std::vector<int> PointCounts(hoskin::CBarcodeOrientation& o) {
  std::vector<int> out;
  for (gpu::CListElem* e = o.regions.head; e; e = e->next) out.push_back(static_cast<hoskin::CRegionListElem*>(e)->pointCount);
  return out;
}

TEST(BuildRegions, SizeNeighbourMeanAndElongationDecide) {
  struct Case {
    const char* name;
    Cells cells;
    std::vector<int> points;
  };
  const Case cases[] = {
      {"30 cells", Block(2, 2, 7, 5, {{5, 2}}), {30}},
      {"29 cells", Block(2, 2, 7, 5, {{2, 3}}), {}},
      {"3-row band, mean 5.73", Block(1, 2, 20, 3), {}},
      {"4-row band, mean 6.09", Block(1, 2, 12, 4), {44}},
      {"18 rows along the bars", Block(2, 2, 6, 18), {104}},
      {"19 rows: longer than 2.5 times across", Block(2, 2, 6, 19), {}},
  };
  for (const Case& c : cases) {
    hoskin::CBarcodeOrientation o;
    Inject(o, 32 * 10, 32 * 10, 10, c.cells);
    o.BuildRegionsFromReadBack(10, false);
    EXPECT_EQ(PointCounts(o), c.points) << c.name;
  }
}

TEST(BuildRegions, RegionGeometryFromItsPoints) {
  hoskin::CBarcodeOrientation o;
  Inject(o, 320, 320, 10, Block(2, 2, 7, 5, {{5, 2}}));
  o.BuildRegionsFromReadBack(10, false);
  ASSERT_EQ(o.regions.count, 1);
  auto* r = static_cast<hoskin::CRegionListElem*>(o.regions.head);
  EXPECT_FLOAT_EQ(r->cx, 60);   // columns 2..8 at (c + 1) x 10
  EXPECT_FLOAT_EQ(r->cy, 50);   // rows 2..6
  EXPECT_NEAR(r->dx, 0, 1e-6);
  EXPECT_NEAR(r->dy, 0.9921875, 1e-6);
  EXPECT_FLOAT_EQ(r->halfWidth, 40);  // 30 across the bars, plus a step
  EXPECT_FLOAT_EQ(r->halfLength, 20);
}

TEST(BuildRegions, TheGridNeverWrapsFromOneRowToTheNext) {
  // One block against the last column, one against the first column a row
  // lower: neighbours only if the grid wrapped.
  Cells cells = Block(24, 2, 6, 6);
  for (auto p : Block(0, 3, 6, 6)) cells.insert(p);
  hoskin::CBarcodeOrientation o;
  Inject(o, 31 * 10, 31 * 10, 10, cells);
  o.BuildRegionsFromReadBack(10, false);
  EXPECT_EQ(PointCounts(o), (std::vector<int>{32, 32}));
}

TEST(BuildRegions, ARegionFoundAgainInALaterPassIsKeptOnce) {
  hoskin::CBarcodeOrientation o;
  Inject(o, 320, 320, 10, Block(2, 2, 8, 6));
  o.BuildRegionsFromReadBack(10, false);
  Inject(o, 320, 320, 10, Block(2, 2, 8, 6, {{5, 2}}));
  o.BuildRegionsFromReadBack(10, false);
  EXPECT_EQ(PointCounts(o), (std::vector<int>{44}));
}

TEST(BuildRegions, GridsSmallerThanTwoStepsHaveNoCells) {
  hoskin::CBarcodeOrientation o;
  Inject(o, 19, 40, 10, {});
  o.readBack.assign(o.readBack.size(), 255);
  o.BuildRegionsFromReadBack(10, false);
  EXPECT_EQ(o.cellCount, 0);
  EXPECT_TRUE(o.regions.IsEmpty());
}

TEST(BuildRegions, ARegionOfAMillionCellsGrowsWithoutRecursion) {
  // Far deeper than any thread stack would hold as a recursion.
  hoskin::CBarcodeOrientation o;
  Inject(o, 1001, 1001, 1, Block(0, 0, 1000, 1000));
  o.BuildRegionsFromReadBack(1, false);
  EXPECT_EQ(PointCounts(o), (std::vector<int>{1000 * 1000 - 4}));
}

TEST(GrowRegion, VisitsCellsInTheOrderOfTheRecursion) {
  // A 3 x 3 block grown from its centre: left first, and from there on down
  // the neighbour order before returning.
  hoskin::CBarcodeOrientation o;
  o.width = o.height = 40;
  o.gridColumns = o.gridRows = 3;
  o.cellCount = 9;
  o.cellDirection.assign(18, 0.5f);
  o.cellMark.assign(9, 1);
  o.cellLabel.assign(9, 0);
  hoskin::CRegionListElem region;
  region.id = 1;
  region.step = 10;
  float mean[2] = {0.5f, 0.5f};
  o.GrowRegion(4, mean, &region, false);
  std::vector<int> order;
  for (gpu::CListElem* e = region.points.head; e; e = e->next) order.push_back(static_cast<hoskin::CPointListElem*>(e)->cell);
  // 4 -> left 3 -> below 6 -> right 7 -> right 8 -> above 5 -> above 2 -> left 1 -> left 0.
  EXPECT_EQ(order, (std::vector<int>{4, 3, 6, 7, 8, 5, 2, 1, 0}));
}

}  // namespace
