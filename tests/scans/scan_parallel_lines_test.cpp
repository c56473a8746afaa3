// GetScanRectangularRegionLine (numbering, walking direction, ends,
// refusals), GetScanPoints and ClipLine.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "scan_test_util.hpp"

using scantest::Patterned;

namespace {

using Ends = std::array<int, 4>;

struct LineCase {
  const char* name;
  TRectangularRegion region;
  bool nullRegion;
  int count, i;
  double angle;
  Ends want;
};

// Frame 100 x 80. The region (50, 40, 20, 10, 0) covers x 40..59, y 35..44.
const LineCase kLines[] = {
    {"0: line 0 on the bottom row, walking +x", {50, 40, 20, 10, 0}, false, 10, 0, 0, {40, 35, 59, 35}},
    {"0: last line on the top row", {50, 40, 20, 10, 0}, false, 10, 9, 0, {40, 44, 59, 44}},
    {"+90: line 0 on the right column, walking +y", {50, 40, 20, 10, 0}, false, 20, 0, 90, {59, 35, 59, 44}},
    {"+90: last line on the left column", {50, 40, 20, 10, 0}, false, 20, 19, 90, {40, 35, 40, 44}},
    {"-90: line 0 on the right column, walking -y", {50, 40, 20, 10, 0}, false, 20, 0, -90, {59, 44, 59, 35}},
    {"270 is -90", {50, 40, 20, 10, 0}, false, 20, 0, 270, {59, 44, 59, 35}},
    {"180: numbered as 0, walking -x", {50, 40, 20, 10, 0}, false, 10, 0, 180, {59, 35, 40, 35}},
    {"30: through the centre", {50, 40, 20, 10, 0}, false, 1, 0, 30, {42, 35, 58, 45}},
    {"135: numbered as -45", {50, 40, 20, 10, 0}, false, 1, 0, 135, {55, 35, 45, 45}},
    {"135: line 0 of 2 on the low side", {50, 40, 20, 10, 0}, false, 2, 0, 135, {47, 35, 40, 42}},
    {"turned region 90, angle 0 walks +y", {50, 40, 20, 10, 90}, false, 10, 0, 0, {54, 30, 54, 49}},
    {"turned region 30, angle 0", {50, 40, 20, 10, 30}, false, 1, 0, 0, {42, 35, 58, 45}},
    {"turned region 30, angle 90", {50, 40, 20, 10, 30}, false, 1, 0, 90, {52, 36, 48, 44}},
    {"null region: row i", {}, true, 80, 7, 0, {0, 7, 99, 7}},
    {"null region at 90: column W-1-j", {}, true, 100, 3, 90, {96, 0, 96, 79}},
    {"null region at -90: column W-1-j downwards", {}, true, 100, 0, -90, {99, 79, 99, 0}},
    {"partly outside the frame, not clipped", {0, 10, 10, 4, 0}, false, 4, 0, 0, {-5, 8, 4, 8}},
    {"chord shorter than a pixel collapses", {50, 40, 0.6, 10, 0}, false, 10, 0, 0, {50, 35, 50, 35}},
};

TEST(GetScanRectangularRegionLine, NumberingAndEnds) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  for (const LineCase& c : kLines) {
    Ends got{-1, -1, -1, -1};
    ASSERT_TRUE(GetScanRectangularRegionLine(f.frame(), c.nullRegion ? nullptr : &c.region, c.count, c.i, c.angle,
                                             &got[0], &got[1], &got[2], &got[3]))
        << c.name;
    EXPECT_EQ(got, c.want) << c.name;
  }
}

TEST(GetScanRectangularRegionLine, FullCountCoversEveryRowOnce) {
  // count = h at angle 0 on an integer-aligned region: line i is row i.
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRectangularRegion r{30, 20, 16, 12, 0};  // x 22..37, y 14..25
  for (int i = 0; i < 12; ++i) {
    Ends e;
    ASSERT_TRUE(GetScanRectangularRegionLine(f.frame(), &r, 12, i, 0, &e[0], &e[1], &e[2], &e[3]));
    EXPECT_EQ(e, (Ends{22, 14 + i, 37, 14 + i}));
  }
  for (int j = 0; j < 16; ++j) {
    Ends e;
    ASSERT_TRUE(GetScanRectangularRegionLine(f.frame(), &r, 16, j, -90, &e[0], &e[1], &e[2], &e[3]));
    EXPECT_EQ(e, (Ends{37 - j, 25, 37 - j, 14}));
  }
}

TEST(GetScanRectangularRegionLine, RefusalsGiveZeros) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRectangularRegion r{50, 40, 20, 10, 0};
  TRectangularRegion flat{50, 40, 20, 0, 0};
  TRectangularRegion away{-50, -50, 10, 10, 0};
  struct Case {
    const char* name;
    const Frame* frame;
    const TRectangularRegion* region;
    int count, i;
  } cases[] = {
      {"null frame", nullptr, &r, 4, 0},    {"count 0", f.frame(), &r, 0, 0},
      {"i -1", f.frame(), &r, 4, -1},       {"i = count", f.frame(), &r, 4, 4},
      {"height 0", f.frame(), &flat, 4, 0}, {"outside the frame", f.frame(), &away, 4, 1},
  };
  for (const Case& c : cases) {
    Ends e{7, 7, 7, 7};
    EXPECT_FALSE(GetScanRectangularRegionLine(c.frame, c.region, c.count, c.i, 0, &e[0], &e[1], &e[2], &e[3]))
        << c.name;
    EXPECT_EQ(e, (Ends{0, 0, 0, 0})) << c.name;
  }
}

TEST(GetScanPoints, GridCrossings) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRectangularRegion r{50, 40, 20, 10, 0};
  // vCount 4 columns (numbered from the +x edge), hCount 2 rows.
  struct Case {
    int index, x, y;
  } cases[] = {{0, 57, 37}, {1, 52, 37}, {3, 42, 37}, {4, 57, 42}, {7, 42, 42}};
  for (const Case& c : cases) {
    int x = -1, y = -1;
    unsigned v = 0;
    ASSERT_TRUE(GetScanPoints(f.frame(), &r, 4, 2, c.index, 1, 0, &x, &y, &v));
    EXPECT_EQ(x, c.x) << c.index;
    EXPECT_EQ(y, c.y) << c.index;
    EXPECT_EQ(v, unsigned(uint8_t(c.x + 3 * c.y))) << c.index;
  }
  // Outside the frame: the point with value 0.
  TRectangularRegion corner{0, 0, 20, 10, 0};
  int x = 0, y = 0;
  unsigned v = 99;
  ASSERT_TRUE(GetScanPoints(f.frame(), &corner, 2, 2, 0, 1, 0, &x, &y, &v));
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, -3);
  EXPECT_EQ(v, 0u);
  // Refusals leave the outputs alone.
  for (auto [vc, hc, index] : {std::array{0, 2, 0}, std::array{2, 0, 0}, std::array{4, 2, 8}, std::array{4, 2, -1}}) {
    x = y = 11;
    v = 11;
    EXPECT_FALSE(GetScanPoints(f.frame(), &r, vc, hc, index, 1, 0, &x, &y, &v));
    EXPECT_EQ(x + y + int(v), 33);
  }
}

struct ClipCase {
  const char* name;
  bool nullRegion;
  TRectangularRegion region;
  TLine in;
  bool ok;
  TLine want;
};

// Frame 100 x 80: the box [0, 99] x [0, 79].
const ClipCase kClips[] = {
    {"frame only", true, {}, {-10, 40, 110, 40}, true, {0, 40, 99, 40}},
    {"direction kept", true, {}, {110, 40, -10, 40}, true, {99, 40, 0, 40}},
    {"diagonal through a corner", true, {}, {-10, -10, 10, 10}, true, {0, 0, 10, 10}},
    {"outside", true, {}, {-10, -10, -5, -5}, false, {-10, -10, -5, -5}},
    {"closed region", false, {50, 40, 20, 10, 0}, {0, 40, 100, 40}, true, {40, 40, 60, 40}},
    {"inside untouched", false, {50, 40, 20, 10, 0}, {45, 38, 55, 42}, true, {45, 38, 55, 42}},
    {"turned region", false, {50, 40, 20, 10, 90}, {50, 0, 50, 79}, true, {50, 30, 50, 50}},
    {"region beyond the frame", false, {95, 40, 20, 10, 0}, {80, 40, 110, 40}, true, {85, 40, 99, 40}},
    {"misses the region", false, {50, 40, 20, 10, 0}, {0, 10, 99, 10}, false, {0, 10, 99, 10}},
    {"a point", true, {}, {5, 5, 5, 5}, true, {5, 5, 5, 5}},
};

TEST(ClipLine, ClipsInTheSegmentsDirection) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  for (const ClipCase& c : kClips) {
    TLine out{-1, -1, -1, -1};
    bool ok = ClipLine(f.frame(), c.nullRegion ? nullptr : &c.region, c.in.x0, c.in.y0, c.in.x1, c.in.y1, &out.x0,
                       &out.y0, &out.x1, &out.y1);
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_DOUBLE_EQ(out.x0, c.want.x0) << c.name;
    EXPECT_DOUBLE_EQ(out.y0, c.want.y0) << c.name;
    EXPECT_DOUBLE_EQ(out.x1, c.want.x1) << c.name;
    EXPECT_DOUBLE_EQ(out.y1, c.want.y1) << c.name;
  }
  TLine out{};
  EXPECT_FALSE(ClipLine(nullptr, nullptr, 1, 2, 3, 4, &out.x0, &out.y0, &out.x1, &out.y1));
  EXPECT_EQ(out.x0 + out.y0 + out.x1 + out.y1, 10);
}

}  // namespace
