// The Data Matrix location's profile and geometry primitives: edge marks,
// run lengths, line crossings and the side-line fit.
#include <gtest/gtest.h>

#include <vector>

#include "dm_location.h"
#include "dm_profile.h"

namespace {

using dunsel::SampleSlot;

SampleSlot Profile(const std::vector<int>& values) {
  SampleSlot s;
  s.Resize(static_cast<int>(values.size()));
  for (size_t i = 0; i < values.size(); ++i) s.sampleValues[i] = values[i];
  s.count = static_cast<int>(values.size());
  return s;
}

TEST(DataMatrixProfile, EdgeMarks) {
  struct Case {
    const char* what;
    std::vector<int> values;
    std::vector<int> marks;  // index, mark pairs
  };
  const Case cases[] = {
      {"a step of 16 rises", {10, 10, 10, 10, 26, 26, 26, 26}, {3, 100}},
      {"a step of 14 is no edge", {10, 10, 10, 10, 24, 24, 24, 24}, {}},
      {"two steps of 11 and 10", {10, 10, 10, 21, 31, 31, 31, 31}, {2, 100}},
      {"a falling step", {40, 40, 40, 20, 20, 20, 20, 20}, {2, -100}},
      {"two rising edges three apart merge half-way", {0, 0, 0, 20, 20, 20, 40, 40, 40, 40}, {3, 100}},
      {"a rising and a falling edge three apart stay", {0, 0, 0, 20, 20, 20, 0, 0, 0, 0}, {2, 100, 5, -100}},
      {"of two close edges the stronger stays", {0, 0, 0, 20, 20, 50, 50, 50, 50}, {4, 100}},
      {"a weaker close edge is dropped", {0, 0, 0, 30, 30, 50, 50, 50, 50}, {2, 100}},
      {"the ends carry no mark", {0, 40, 40, 40, 40, 40, 40, 0}, {}},
  };
  for (const Case& c : cases) {
    SampleSlot s = Profile(c.values);
    dunsel::MarkEdges(s, s.count, 3);
    std::vector<int> got;
    for (int i = 0; i < s.count; ++i)
      if (s.barSpace[static_cast<size_t>(i)] != 0) got.insert(got.end(), {i, s.barSpace[static_cast<size_t>(i)]});
    EXPECT_EQ(got, c.marks) << c.what;
  }
}

TEST(DataMatrixProfile, RunLengthsEdgesAndFirstEdge) {
  // Light 3, dark 4, light 3, dark 2, light to the end.
  SampleSlot s = Profile({200, 200, 200, 40, 40, 40, 40, 200, 200, 200, 40, 40, 200, 200, 200, 200});
  const int last = dunsel::ProfileRunLengths(s, s.count);
  ASSERT_EQ(last, 4);
  EXPECT_EQ(std::vector<int>(s.barSpace.begin(), s.barSpace.begin() + 5), (std::vector<int>{-2, 4, -3, 2, -3}));
  EXPECT_TRUE(dunsel::ProfileHasEdge(s, s.count));
  EXPECT_EQ(dunsel::FindFirstEdge(s, s.count, false), 2);
  EXPECT_EQ(dunsel::FindFirstEdge(s, s.count, true), 6);

  SampleSlot flat = Profile({100, 110, 100, 112, 100, 110});
  EXPECT_FALSE(dunsel::ProfileHasEdge(flat, flat.count));
  EXPECT_EQ(dunsel::ProfileRunLengths(flat, flat.count), -1);
  EXPECT_EQ(dunsel::FindFirstEdge(flat, flat.count, false), flat.count - 2);
  EXPECT_EQ(dunsel::FindFirstEdge(flat, 1, false), -1);
}

TEST(DataMatrixGeometry, LineIntersection) {
  struct Case {
    const char* what;
    double p[8];
    bool ok;
    float x, y;
  };
  const Case cases[] = {
      {"shallow and steep", {0, 0, 10, 0, 5, -5, 5, 5}, true, 5, 0},
      {"steep and shallow", {5, -5, 5, 5, 0, 0, 10, 0}, true, 5, 0},
      {"two shallow", {0, 0, 10, 10, 0, 10, 10, 0}, true, 5, 5},
      {"two steep", {0, 0, 1, 10, 10, 0, 9, 10}, true, 5, 50},
      {"first points under a pixel apart", {0, 0, 0.5, 0.5, 5, -5, 5, 5}, false, -1, -1},
      {"last points equal", {0, 0, 10, 0, 5, 5, 5, 5}, false, -1, -1},
      {"parallel legs", {0, 0, 10, 0, 0, 5, 10, 5}, false, -1, -1},
      {"parallel steep legs", {0, 0, 0, 10, 5, 0, 5, 10}, false, -1, -1},
  };
  for (const Case& c : cases) {
    float x = 0, y = 0;
    EXPECT_EQ(dunsel::LineIntersection(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5], c.p[6], c.p[7], &x, &y), c.ok)
        << c.what;
    EXPECT_NEAR(x, c.x, 1e-4) << c.what;
    EXPECT_NEAR(y, c.y, 1e-4) << c.what;
  }
}

TEST(DataMatrixGeometry, SideLineFit) {
  struct Case {
    const char* what;
    double points[4][2];
    double expected[4];
  };
  const Case cases[] = {
      // Upright points: the ends move to the highest and the lowest.
      {"a straight side", {{10, 0}, {10, 50}, {11, 100}, {10, 150}}, {10, 150, 10, 0}},
      // No triple with equal whole slopes: the given line stays.
      {"scattered points", {{0, 0}, {0, 100}, {100, 150}, {-100, 200}}, {60, -1, -1, 80}},
  };
  for (const Case& c : cases) {
    double pairs[4][4];
    for (int k = 0; k < 4; ++k) {
      pairs[k][0] = pairs[k][2] = c.points[k][0];
      pairs[k][1] = pairs[k][3] = c.points[k][1];
    }
    double line[4] = {60, -1, -1, 80};
    dunsel::SelectLegLine(pairs, line);
    for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(line[k], c.expected[k]) << c.what << " " << k;
  }
}

}  // namespace
