// Automatic threshold, pixel intensity and the histogram callback.
#include "frame/image_stats.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <utility>
#include <vector>

#include "talvix/host.hpp"

namespace {

using talvix::FrameBuffer;

// A 10 x 10 grey frame filled in memory order with `count` pixels of each value.
FrameBuffer FromCounts(const std::vector<std::pair<int, int>>& counts) {
  FrameBuffer f = FrameBuffer::make(10, 10, 8);
  int i = 0;
  for (auto [value, count] : counts)
    for (int k = 0; k < count; ++k, ++i) f.pixel(i % 10, i / 10)[0] = static_cast<uint8_t>(value);
  EXPECT_EQ(i, 100);
  return f;
}

struct ThresholdCase {
  const char* what;
  std::vector<std::pair<int, int>> counts;  // (value, pixels), 100 in all
  int expected;
};

// Expected levels worked by hand: between-class variance (w * muT - mu)^2 / ((1 - w) w)
// on each plateau of k; ties keep the smaller k.
const ThresholdCase kThresholdCases[] = {
    {"two halves", {{50, 50}, {200, 50}}, 50},
    {"one grey", {{77, 100}}, 0},
    // muT 92: k in 20..99 gives 28.8^2 / 0.24 = 3456, k in 100..179 gives 26.4^2 / 0.21 = 3318.9.
    {"three levels, low split", {{20, 40}, {100, 30}, {180, 30}}, 20},
    // muT 108: the mirror image, 3318.9 then 3456.
    {"three levels, high split", {{20, 30}, {100, 30}, {180, 40}}, 100},
    // Limit 98 of 100: more than 98 in one window of 15 values is uniform.
    {"99 of 100 in one value", {{100, 99}, {200, 1}}, 0},
    {"98 of 100 in one value", {{100, 98}, {200, 2}}, 100},
    {"99 of 100 within 15 values", {{100, 50}, {114, 49}, {200, 1}}, 0},
    // 16 values apart: not uniform. muT 108.35: 4.175^2 / 0.25 = 69.7 on 100..114,
    // 0.9165^2 / 0.0099 = 84.8 on 115..199.
    {"99 of 100 within 16 values", {{100, 50}, {115, 49}, {200, 1}}, 115},
    {"window at the top end", {{241, 60}, {255, 39}, {0, 1}}, 0},
};

TEST(AutoThreshold, HandComputedLevels) {
  for (const ThresholdCase& c : kThresholdCases) {
    const FrameBuffer f = FromCounts(c.counts);
    EXPECT_EQ(frame::AutoThreshold(f.frame(), nullptr), c.expected) << c.what;
  }
}

TEST(AutoThreshold, CountsOnlyTheRegion) {
  FrameBuffer f = FrameBuffer::make(10, 10, 8, 200);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 5; ++x) f.pixel(x, y)[0] = 50;
  EXPECT_EQ(frame::AutoThreshold(f.frame(), nullptr), 50);
  const TRectangularRegion leftHalf{2.5, 5, 5, 10, 0};
  EXPECT_EQ(frame::AutoThreshold(f.frame(), &leftHalf), 0);
  const TRectangularRegion middle{5, 5, 4, 4, 0};
  EXPECT_EQ(frame::AutoThreshold(f.frame(), &middle), 50);
}

TEST(AutoThreshold, EmptyRegionGivesZero) {
  const FrameBuffer f = FromCounts({{50, 50}, {200, 50}});
  const TRectangularRegion outside{-50, -50, 10, 10, 0};
  const TRectangularRegion flat{5, 5, 0, 0, 0};
  EXPECT_EQ(frame::AutoThreshold(f.frame(), &outside), 0);
  EXPECT_EQ(frame::AutoThreshold(f.frame(), &flat), 0);
}

TEST(AutoThreshold, ColourFrameUsesMeanOfChannels) {
  FrameBuffer f = FrameBuffer::make(10, 10, 32, 200);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) {
      uint8_t* p = f.pixel(x, y);
      p[0] = 10, p[1] = 20, p[2] = 30;  // grey 20
    }
  EXPECT_EQ(frame::AutoThreshold(f.frame(), nullptr), 20);
}

TEST(CountHistogramBin, CountsEightBitValuesAndIgnoresTheRest) {
  std::array<uint32_t, 257> bins{};  // one guard counter behind the 256
  for (unsigned v : {0u, 255u, 255u, 256u, 1000u, UINT_MAX})
    EXPECT_TRUE(frame::CountHistogramBin(bins.data(), 3, 4, v));
  EXPECT_EQ(bins[0], 1u);
  EXPECT_EQ(bins[255], 2u);
  EXPECT_EQ(bins[256], 0u);
}

TEST(CountRow8, TheFourSetsAddUpToTheRowsHistogramAtEveryWidth) {
  std::vector<uint8_t> row(11);
  for (size_t x = 0; x < row.size(); ++x) row[x] = static_cast<uint8_t>(x % 3 == 0 ? 7 : 250 - x);
  for (int width = 0; width <= 11; ++width) {
    uint32_t part[4][256] = {};
    frame::CountRow8(row.data(), width, part);
    std::array<uint32_t, 256> expected{}, got{};
    for (int x = 0; x < width; ++x) ++expected[row[x]];
    for (int v = 0; v < 256; ++v) got[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
    EXPECT_EQ(got, expected) << width;
  }
}

TEST(GetPixelIntensity, ValuesAndOutsideTheFrame) {
  FrameBuffer grey = FrameBuffer::make(5, 3, 8, 9);  // stride 8
  grey.pixel(4, 2)[0] = 123;
  grey.pixel(0, 1)[0] = 45;
  FrameBuffer colour = FrameBuffer::make(3, 2, 32, 0);
  uint8_t* p = colour.pixel(2, 1);
  p[0] = 31, p[1] = 20, p[2] = 10, p[3] = 250;  // B 31, G 20, R 10: (61) / 3
  const FrameBuffer rgb = FrameBuffer::make(4, 4, 24, 99);
  struct Case {
    const FrameBuffer* f;
    int x, y;
    unsigned expected;
  } cases[] = {
      {&grey, 4, 2, 123}, {&grey, 0, 1, 45},  {&grey, 1, 1, 9},  {&grey, 5, 0, 0},
      {&grey, 0, 3, 0},   {&grey, -1, 0, 0},  {&grey, 0, -1, 0}, {&colour, 2, 1, 20},
      {&colour, 0, 0, 0}, {&colour, 3, 0, 0}, {&rgb, 1, 1, 0},   {&grey, INT_MIN, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(frame::GetPixelIntensity(c.f->frame(), c.x, c.y), c.expected)
        << c.x << "," << c.y << " bpp " << c.f->bpp();
}

}  // namespace
