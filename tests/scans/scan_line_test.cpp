// ScanLine: pixel lists, ends, ties, frame and region cuts, and the values
// that every scan hands over by mode and depth.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scan_test_util.hpp"

using scantest::Patterned;
using scantest::Recorder;
using Points = std::vector<std::pair<int, int>>;

namespace {

struct LineCase {
  const char* name;
  TLine line;
  Points want;
};

const LineCase kLines[] = {
    {"horizontal", {2, 3, 6, 3}, {{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}},
    {"horizontal reversed", {6, 3, 2, 3}, {{6, 3}, {5, 3}, {4, 3}, {3, 3}, {2, 3}}},
    {"vertical", {4, 1, 4, 4}, {{4, 1}, {4, 2}, {4, 3}, {4, 4}}},
    {"diagonal", {1, 1, 4, 4}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
    {"anti-diagonal down", {4, 4, 1, 7}, {{4, 4}, {3, 5}, {2, 6}, {1, 7}}},
    // minor offsets k/4 round half away from zero: 0, 0, 1, 1, 1
    {"shallow", {0, 0, 4, 1}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}},
    {"shallow falling", {0, 2, 4, 1}, {{0, 2}, {1, 2}, {2, 1}, {3, 1}, {4, 1}}},
    {"steep", {1, 0, 2, 4}, {{1, 0}, {1, 1}, {2, 2}, {2, 3}, {2, 4}}},
    {"steep leftwards", {2, 0, 1, 4}, {{2, 0}, {2, 1}, {1, 2}, {1, 3}, {1, 4}}},
    // ends snap to the nearest pixel, halves downwards
    {"half-pixel ties", {1.5, 2.5, 3.5, 2.5}, {{1, 2}, {2, 2}, {3, 2}}},
    {"just past the half", {1.51, 2.49, 3.49, 2.49}, {{2, 2}, {3, 2}}},
    {"zero length", {5, 5, 5, 5}, {{5, 5}}},
    {"shorter than a pixel", {5.4, 5.4, 5.2, 4.6}, {{5, 5}}},
    {"starts left of the frame", {-2, 1, 2, 1}, {{0, 1}, {1, 1}, {2, 1}}},
    {"half left of the frame", {-0.5, 1, 1, 1}, {{0, 1}, {1, 1}}},
    {"leaves the top right corner", {18, 8, 22, 12}, {{18, 8}, {19, 9}}},
    {"outside", {-5, -5, -1, -1}, {}},
    {"crosses only the corner", {-2, 2, 2, -2}, {{0, 0}}},
};

TEST(ScanLine, PixelListsInOrder) {
  talvix::FrameBuffer f = Patterned(20, 10, 8);
  for (const LineCase& c : kLines) {
    Recorder r;
    ScanLine(f.frame(), nullptr, &c.line, 1, &r, Recorder::Cb);
    EXPECT_EQ(r.points(), c.want) << c.name;
    for (const auto& s : r.got) EXPECT_EQ(s.v, static_cast<unsigned>(uint8_t(s.x + 3 * s.y))) << c.name;
  }
}

TEST(ScanLine, HugeLineCostsOnlyTheFrame) {
  talvix::FrameBuffer f = Patterned(20, 10, 8);
  TLine line{-1e9, 3, 1e9, 3};
  Recorder r;
  ScanLine(f.frame(), nullptr, &line, 1, &r, Recorder::Cb);
  ASSERT_EQ(r.got.size(), 20u);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(r.got[x].x, x);
  TLine nan{NAN, 0, 3, 3};
  Recorder none;
  ScanLine(f.frame(), nullptr, &nan, 1, &none, Recorder::Cb);
  EXPECT_TRUE(none.got.empty());
}

TEST(ScanLine, RegionSkipsPixelsWithoutMovingThem) {
  talvix::FrameBuffer f = Patterned(40, 30, 8);
  TRectangularRegion box{5, 3, 4, 2, 0};  // x 3..6, y 2..3
  TLine horizontal{0, 3, 10, 3};
  Recorder r;
  ScanLine(f.frame(), &box, &horizontal, 1, &r, Recorder::Cb);
  EXPECT_EQ(r.points(), (Points{{3, 3}, {4, 3}, {5, 3}, {6, 3}}));

  // A turned region: the delivered pixels are the whole line's pixels that
  // lie in the region, in the same order.
  TRectangularRegion turned{20, 15, 12, 6, 35};
  TLine slanted{2, 3, 37, 26};
  Recorder whole, cut;
  ScanLine(f.frame(), nullptr, &slanted, 1, &whole, Recorder::Cb);
  ScanLine(f.frame(), &turned, &slanted, 1, &cut, Recorder::Cb);
  Points want;
  for (auto [x, y] : whole.points())
    if (PixelInRectangularRegion(f.frame(), &turned, TPoint{double(x), double(y)}, 0, 0)) want.emplace_back(x, y);
  EXPECT_FALSE(want.empty());
  EXPECT_LT(want.size(), whole.got.size());
  EXPECT_EQ(cut.points(), want);
}

TEST(ScanLine, FalseStopsTheScan) {
  talvix::FrameBuffer f = Patterned(20, 10, 8);
  TLine line{0, 0, 19, 0};
  Recorder r;
  r.limit = 3;
  ScanLine(f.frame(), nullptr, &line, 1, &r, Recorder::Cb);
  EXPECT_EQ(r.got.size(), 3u);
}

TEST(ScanLine, NullArgumentsScanNothing) {
  talvix::FrameBuffer f = Patterned(20, 10, 8);
  TLine line{0, 0, 5, 0};
  Recorder r;
  ScanLine(nullptr, nullptr, &line, 1, &r, Recorder::Cb);
  ScanLine(f.frame(), nullptr, nullptr, 1, &r, Recorder::Cb);
  ScanLine(f.frame(), nullptr, &line, 1, &r, nullptr);
  EXPECT_TRUE(r.got.empty());
}

// Pixel (5, 2) of the patterned frames: 8 bpp 11; colour B 5, G 2, R 7, A 250.
struct ModeCase {
  int bpp, mode;
  unsigned want;
};

const ModeCase kModes[] = {
    {8, 1, 11}, {8, 0, 0xFF0B0B0B},  {8, 5, 0xFF0B0B0B},  {8, 2, 11}, {8, 3, 11}, {8, 4, 11}, {8, 7, 11},
    {24, 1, 4}, {24, 0, 0xFF070205}, {24, 5, 0xFF070205}, {24, 2, 7}, {24, 3, 2}, {24, 4, 5}, {24, -1, 4},
    {32, 1, 4}, {32, 0, 0xFA070205}, {32, 5, 0xFA070205}, {32, 2, 7}, {32, 3, 2}, {32, 4, 5}, {32, 9, 4},
};

TEST(ScanModes, EveryScanHandsTheSameValue) {
  for (const ModeCase& c : kModes) {
    talvix::FrameBuffer f = Patterned(12, 6, c.bpp);
    SCOPED_TRACE(testing::Message() << "bpp " << c.bpp << " mode " << c.mode);
    TLine line{5, 2, 5, 2};
    Recorder byLine, byRegion, byRing;
    ScanLine(f.frame(), nullptr, &line, c.mode, &byLine, Recorder::Cb);
    TRectangularRegion one{5, 2, 1, 1, 0};
    ScanRectangularRegion(f.frame(), &one, c.mode, &byRegion, Recorder::Cb);
    TRing dot{5, 2, 0, 0, 0, 0};
    ScanRing(f.frame(), &dot, c.mode, &byRing, 1, Recorder::Cb);
    for (Recorder* r : {&byLine, &byRegion, &byRing}) {
      ASSERT_EQ(r->got.size(), 1u);
      EXPECT_EQ(r->got[0], (scantest::Sample{5, 2, c.want}));
    }
    int x = -1, y = -1;
    unsigned v = 0;
    ASSERT_TRUE(GetScanPoints(f.frame(), &one, 1, 1, 0, c.mode, 0, &x, &y, &v));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(v, c.want);
  }
}

}  // namespace
