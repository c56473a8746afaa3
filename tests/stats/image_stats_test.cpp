// Automatic threshold, pixel intensity and the histogram callback.
#include "frame/image_stats.h"

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <climits>
#include <functional>
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

// A 200 x 150 ground of 235 with +-3 of noise (more than 98 % within 15
// values), with `marks` drawn on it.
FrameBuffer Ground(const std::function<void(FrameBuffer&)>& marks) {
  FrameBuffer f = FrameBuffer::make(200, 150, 8);
  uint32_t seed = 12345;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      f.pixel(x, y)[0] = static_cast<uint8_t>(232 + (seed >> 24) % 7);
    }
  if (marks) marks(f);
  return f;
}

// Upright strokes 3 pixels wide and 20 high, with a softened edge column.
void Strokes(FrameBuffer& f, int count) {
  for (int i = 0; i < count; ++i)
    for (int y = 60; y < 80; ++y) {
      const int x = 20 + 12 * i;
      f.pixel(x, y)[0] = f.pixel(x + 1, y)[0] = f.pixel(x + 2, y)[0] = 25;
      f.pixel(x + 3, y)[0] = 130;
    }
}

// Discs of `radius` at value `ink`, one every `step` columns along row 75
// and, with `rows` 2, along row 40 too.
void Dots(FrameBuffer& f, int count, double radius, int step, int ink, int rows = 1) {
  for (int i = 0; i < count; ++i) {
    const int cx = 15 + step * (i / rows) % 170, cy = i % rows ? 40 : 75;
    for (int y = cy - 4; y <= cy + 4; ++y)
      for (int x = cx - 4; x <= cx + 4; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) f.pixel(x, y)[0] = static_cast<uint8_t>(ink);
  }
}

// Solid blocks 4 wide and 6 high, `gap` columns apart: small letters of a
// word when close, dots when far apart.
void Blocks(FrameBuffer& f, int count, int gap) {
  for (int i = 0; i < count; ++i)
    for (int y = 70; y < 76; ++y)
      for (int x = 0; x < 4; ++x) f.pixel(20 + i * (4 + gap) + x, y)[0] = 30;
}

// Clear ink covering well under 2 % still splits from a plain ground; a
// ground alone, with its noise, scattered single pixels or a few dust specks,
// stays uniform.
TEST(AutoThreshold, SparseClearInkOnAPlainGround) {
  const FrameBuffer sparse = Ground([](FrameBuffer& f) { Strokes(f, 4); });  // 320 + 80 of 30000 pixels
  const int level = frame::AutoThreshold(sparse.frame(), nullptr);
  EXPECT_GE(level, 25);
  EXPECT_LT(level, 232);
  const FrameBuffer light = Ground([](FrameBuffer& f) {
    Strokes(f, 4);
    for (int y = 0; y < f.depth(); ++y)
      for (int x = 0; x < f.width(); ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(255 - f.pixel(x, y)[0]);
  });
  const int lightLevel = frame::AutoThreshold(light.frame(), nullptr);
  EXPECT_GE(lightLevel, 23);
  EXPECT_LT(lightLevel, 230) << "light ink on a dark ground";

  const struct {
    const char* what;
    std::function<void(FrameBuffer&)> marks;
  } plain[] = {
      {"one grey", [](FrameBuffer& f) { f = FrameBuffer::make(200, 150, 8, 235); }},
      {"ground noise", nullptr},
      {"a speck", [](FrameBuffer& f) {
         for (int y = 70; y < 74; ++y)
           for (int x = 90; x < 94; ++x) f.pixel(x, y)[0] = 20;
       }},
      {"scattered dark pixels, 1 %", [](FrameBuffer& f) {
         for (int i = 0; i < 300; ++i) f.pixel((i * 37) % 200, (i * 53) % 150)[0] = 10;
       }},
      {"twelve dark specks of radius 1 to 3", [](FrameBuffer& f) {
         for (int r = 1; r <= 3; ++r) Dots(f, 4, r + 0.4, 40, 30, 2);
       }},
      {"16 light specks of radius 3 on a dark ground", [](FrameBuffer& f) {
         Dots(f, 16, 3, 20, 30, 2);
         for (int y = 0; y < f.depth(); ++y)
           for (int x = 0; x < f.width(); ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(255 - f.pixel(x, y)[0]);
       }},
      {"small blocks 8 columns apart", [](FrameBuffer& f) { Blocks(f, 6, 8); }},
      {"ink less than 48 values off the ground", [](FrameBuffer& f) {
         Strokes(f, 4);
         for (int y = 0; y < f.depth(); ++y)
           for (int x = 0; x < f.width(); ++x) f.pixel(x, y)[0] = std::max<uint8_t>(f.pixel(x, y)[0], 190);
       }},
  };
  for (const auto& c : plain) {
    const FrameBuffer f = Ground(c.marks);
    EXPECT_EQ(frame::AutoThreshold(f.frame(), nullptr), 0) << c.what;
  }
  // Small letters of a word stand closer than dots do: two columns apart
  // they make strokes, even beside more specks than ink of their own.
  EXPECT_GT(frame::AutoThreshold(Ground([](FrameBuffer& f) { Blocks(f, 6, 2); }).frame(), nullptr), 0);
  EXPECT_GT(frame::AutoThreshold(Ground([](FrameBuffer& f) {
              Strokes(f, 4);
              Dots(f, 8, 3.4, 20, 30);
            }).frame(),
            nullptr),
            0);
  // Within a region: the strokes' part of the frame is split, a plain part is not.
  const TRectangularRegion strokes{40, 70, 60, 40, 0}, clear{150, 30, 80, 40, 0};
  EXPECT_GT(frame::AutoThreshold(sparse.frame(), &strokes), 0);
  EXPECT_EQ(frame::AutoThreshold(sparse.frame(), &clear), 0);
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
