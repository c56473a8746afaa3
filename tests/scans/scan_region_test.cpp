// ScanRectangularRegion, PixelInRectangularRegion and the lower-left corner:
// membership is half-open in the region's own axes, the scan goes row by row.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scan_test_util.hpp"

using scantest::Patterned;
using scantest::Recorder;
using Points = std::vector<std::pair<int, int>>;

namespace {

// Independent membership: -w/2 <= u < w/2, -h/2 <= v < h/2, with exact
// trigonometry at quarter turns. At a half or three quarters of a turn the
// bounds are those of 0 and 90 (the same rectangle).
bool Oracle(const TRectangularRegion& r, double x, double y) {
  double a = std::fmod(std::fmod(r.angle, 360.0) + 360.0, 360.0);
  double c, s, sign = 1;
  if (a == 0 || a == 90 || a == 180 || a == 270) {
    const double kc[] = {1, 0, -1, 0}, ks[] = {0, 1, 0, -1};
    c = kc[int(a) / 90];
    s = ks[int(a) / 90];
    sign = a >= 180 ? -1 : 1;
  } else {
    c = std::cos(a * std::numbers::pi / 180);
    s = std::sin(a * std::numbers::pi / 180);
  }
  double u = sign * ((x - r.cx) * c + (y - r.cy) * s), v = sign * (-(x - r.cx) * s + (y - r.cy) * c);
  return u >= -r.width / 2 && u < r.width / 2 && v >= -r.height / 2 && v < r.height / 2;
}

Points OracleScan(const TRectangularRegion& r, int w, int d) {
  Points p;
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x)
      if (Oracle(r, x, y)) p.emplace_back(x, y);
  return p;
}

const TRectangularRegion kRegions[] = {
    {20, 15, 10, 6, 30},     {10.5, 7.25, 13, 4, -47}, {0, 0, 10, 10, 45},         {20, 15, 100, 100, 10},
    {20, 15, 8, 8, 90},      {20, 15, 7, 3, 180},      {33.3, 28.8, 12, 9, 123.4}, {20, 15, 9, 5, 270},
    {20.5, 15.5, 3, 3, 0},   {20, 15, 1, 1, 0},        {20, 15, 0.3, 0.3, 17},     {39, 29, 6, 6, 60},
    {20, 15, 25, 1, 89.999}, {-30, 15, 10, 10, 0},     {20, 15, 0, 5, 0},          {20, 15, 5, -5, 0},
};

TEST(ScanRectangularRegion, TurnedRegionsMatchTheOracle) {
  talvix::FrameBuffer f = Patterned(40, 30, 8);
  for (const TRectangularRegion& r : kRegions) {
    SCOPED_TRACE(testing::Message() << r.cx << ", " << r.cy << ", " << r.width << " x " << r.height << " at "
                                    << r.angle);
    Recorder got;
    ScanRectangularRegion(f.frame(), &r, 1, &got, Recorder::Cb);
    // Row-major order over region and frame, each pixel once.
    EXPECT_EQ(got.points(), OracleScan(r, 40, 30));
    for (const auto& s : got.got) EXPECT_EQ(s.v, unsigned(uint8_t(s.x + 3 * s.y)));
  }
}

// Edges through pixel centres: a turn by a half or a whole turn, or by a
// hair's breadth, picks the same pixels, and so does a quarter turn against
// three quarters.
TEST(ScanRectangularRegion, HalfTurnsAndTinyTurnsPickTheSamePixels) {
  talvix::FrameBuffer f = Patterned(40, 30, 8);
  const TRectangularRegion shapes[] = {{20, 15, 8, 6, 0}, {20.5, 15, 9, 4, 0}, {10, 10, 20, 20, 0}, {7, 3, 4, 10, 0}};
  const double turns[][7] = {
      {0, 180, 360, 1e-9, -1e-9, 360.0000001, 180.0000001},
      {90, 270, -90, 90 + 1e-9, 90 - 1e-9, 450.0000001, -269.9999999},
  };
  for (const TRectangularRegion& shape : shapes) {
    for (const auto& family : turns) {
      TRectangularRegion r = shape;
      r.angle = family[0];
      Recorder first;
      ScanRectangularRegion(f.frame(), &r, 1, &first, Recorder::Cb);
      // A w x h region with edges on pixel centres holds w x h of them (cut by the frame for the last).
      if (shape.cx == 20) {
        EXPECT_EQ(first.got.size(), size_t(shape.width * shape.height)) << shape.cx << " at " << family[0];
      }
      for (double angle : family) {
        SCOPED_TRACE(testing::Message() << shape.cx << ", " << shape.cy << " " << shape.width << " x " << shape.height
                                        << " at " << angle);
        r.angle = angle;
        Recorder got;
        ScanRectangularRegion(f.frame(), &r, 1, &got, Recorder::Cb);
        EXPECT_EQ(got.points(), first.points());
        for (const auto& [x, y] : first.points())
          EXPECT_TRUE(PixelInRectangularRegion(f.frame(), &r, {double(x), double(y)}, 0, 1)) << x << "," << y;
      }
    }
  }
}

TEST(ScanRectangularRegion, NullRegionIsTheWholeFrame) {
  for (int bpp : {8, 24, 32}) {
    talvix::FrameBuffer f = Patterned(7, 5, bpp);
    Recorder got;
    ScanRectangularRegion(f.frame(), nullptr, 5, &got, Recorder::Cb);
    ASSERT_EQ(got.got.size(), 35u) << bpp;
    for (int i = 0; i < 35; ++i) EXPECT_EQ(got.points()[i], std::make_pair(i % 7, i / 7));
  }
}

TEST(ScanRectangularRegion, StopsAndRefuses) {
  talvix::FrameBuffer f = Patterned(7, 5, 8);
  Recorder some;
  some.limit = 4;
  ScanRectangularRegion(f.frame(), nullptr, 1, &some, Recorder::Cb);
  EXPECT_EQ(some.got.size(), 4u);
  Recorder none;
  ScanRectangularRegion(nullptr, nullptr, 1, &none, Recorder::Cb);
  talvix::FrameBuffer odd = talvix::FrameBuffer::make(4, 4, 8);
  odd.frame()->biBitCount = 16;
  ScanRectangularRegion(odd.frame(), nullptr, 1, &none, Recorder::Cb);
  EXPECT_TRUE(none.got.empty());
}

TEST(ScanRectangularRegion, ModuleBuiltFrames) {
  // A frame laid out by InitFrameDIB in the caller's memory.
  std::vector<uint8_t> mem(GetFrameSizeParam(5, 3, 8), 9);
  InitFrameDIB(mem.data(), 5, 3, 8);
  auto* f = reinterpret_cast<Frame*>(mem.data());
  TRectangularRegion r{2, 1, 3, 1, 0};
  Recorder got;
  ScanRectangularRegion(f, &r, 1, &got, Recorder::Cb);
  EXPECT_EQ(got.got, (std::vector<scantest::Sample>{{1, 1, 9}, {2, 1, 9}, {3, 1, 9}}));
}

struct Membership {
  TRectangularRegion r;
  TPoint p;
  bool in;
};

// Edges on integers and half-integers: a region yields exactly its own pixels.
const Membership kMembership[] = {
    {{10, 5, 4, 2, 0}, {8, 4}, true},      {{10, 5, 4, 2, 0}, {11, 5}, true},
    {{10, 5, 4, 2, 0}, {12, 5}, false},    {{10, 5, 4, 2, 0}, {7.99, 5}, false},
    {{10, 5, 4, 2, 0}, {10, 6}, false},    {{10.5, 5.5, 3, 3, 0}, {9, 4}, true},
    {{10.5, 5.5, 3, 3, 0}, {11, 6}, true}, {{10.5, 5.5, 3, 3, 0}, {12, 6}, false},
    {{5, 5, 5, 5, 0}, {3, 3}, true},       {{5, 5, 5, 5, 0}, {7, 7}, true},  // min 3, max 7
    {{5, 5, 5, 5, 0}, {8, 7}, false},      {{5, 5, 5, 5, 0}, {2, 7}, false},
    {{10, 10, 4, 2, 90}, {10, 8}, true},   {{10, 10, 4, 2, 90}, {10, 12}, false},
    {{10, 10, 4, 2, 90}, {11, 10}, true},  {{10, 10, 4, 2, 90}, {9, 10}, false},
    {{10, 10, 4, 2, 45}, {10, 10}, true},  {{10, 10, 4, 2, 45}, {11.5, 11.5}, false},
};

TEST(PixelInRectangularRegion, HalfOpenMembership) {
  talvix::FrameBuffer f = Patterned(4, 4, 8);  // smaller than the regions: not consulted
  for (const Membership& m : kMembership) {
    SCOPED_TRACE(testing::Message() << m.r.cx << ", " << m.r.cy << " @" << m.r.angle << " point " << m.p.x << ", "
                                    << m.p.y);
    // The two trailing values are ignored, whatever their order.
    for (auto [a, b] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}, std::pair{0.0, 0.0}, std::pair{5.0, -7.0}})
      EXPECT_EQ(PixelInRectangularRegion(f.frame(), &m.r, m.p, a, b), m.in);
  }
}

TEST(PixelInRectangularRegion, NullRegionIsTheFrame) {
  talvix::FrameBuffer f = Patterned(6, 4, 8);
  EXPECT_TRUE(PixelInRectangularRegion(f.frame(), nullptr, {0, 0}, 0, 1));
  EXPECT_TRUE(PixelInRectangularRegion(f.frame(), nullptr, {5, 3}, 0, 0));
  EXPECT_FALSE(PixelInRectangularRegion(f.frame(), nullptr, {6, 0}, 0, 1));
  EXPECT_FALSE(PixelInRectangularRegion(f.frame(), nullptr, {0, -1}, 0, 1));
  EXPECT_FALSE(PixelInRectangularRegion(nullptr, nullptr, {0, 0}, 0, 1));
}

TEST(CountRectRegionLeftBottomPoint, SmallestCornerRoundedUp) {
  struct Case {
    TRectangularRegion r;
    int x, y;
  } cases[] = {
      {{10, 20, 5, 7, 0}, 8, 17},  {{6, 20, 11, 11, 0}, 1, 15},  // extremes 3..9 widened by 5: 1..11
      {{10, 20, 4, 6, 90}, 7, 18}, {{10, 20, 4, 6, 180}, 8, 17}, {{0, 0, 2, 2, 45}, -1, -1},  // corners at +-1.414
  };
  for (const Case& c : cases) {
    int x = 99, y = 99;
    CountRectRegionLeftBottomPoint(&c.r, &x, &y);
    EXPECT_EQ(x, c.x) << c.r.angle;
    EXPECT_EQ(y, c.y) << c.r.angle;
  }
}

}  // namespace
