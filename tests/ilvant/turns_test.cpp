// Quarter turns and flips on memory rows, every depth, odd sizes and sizes
// that cross the tile edges.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "ilvant_geometry.h"

using ilvant_geometry::ExpectThreadsAgree;
using ilvant_geometry::Pixels;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

struct Mapping {
  const char* id;
  bool swapsSize;
  // Output (row, column) that receives input row y, column x of a w x d frame.
  void (*place)(int w, int d, int y, int x, int* row, int* col);
};

const Mapping kMappings[] = {
    {"rotate_90_right", true,
     [](int w, int, int y, int x, int* row, int* col) {
       *row = w - 1 - x;
       *col = y;
     }},
    {"rotate_90_left", true,
     [](int, int d, int y, int x, int* row, int* col) {
       *row = x;
       *col = d - 1 - y;
     }},
    {"rotate_180", false,
     [](int w, int d, int y, int x, int* row, int* col) {
       *row = d - 1 - y;
       *col = w - 1 - x;
     }},
    {"flip_horizontal", false,
     [](int w, int, int y, int x, int* row, int* col) {
       *row = y;
       *col = w - 1 - x;
     }},
    {"flip_vertical", false,
     [](int, int d, int y, int x, int* row, int* col) {
       *row = d - 1 - y;
       *col = x;
     }},
};

FrameBuffer RunOn(const std::string& id, const FrameBuffer& in) {
  MethodRun run(id);
  run.ctx.setFrame(u"Input frame", in);
  const talvix::RunResult r = run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? run.out() : FrameBuffer{};
}

class TurnTest : public ::testing::TestWithParam<std::tuple<int, int, std::pair<int, int>>> {};

TEST_P(TurnTest, MovesEveryPixelWhole) {
  const auto [mappingIndex, bpp, size] = GetParam();
  const Mapping& m = kMappings[mappingIndex];
  const auto [w, d] = size;
  const FrameBuffer in = Pattern(w, d, bpp, 11);
  const FrameBuffer out = RunOn(m.id, in);
  ASSERT_FALSE(out.empty());
  ASSERT_EQ(out.bpp(), bpp);
  ASSERT_EQ(out.width(), m.swapsSize ? d : w);
  ASSERT_EQ(out.depth(), m.swapsSize ? w : d);
  const int n = bpp / 8;
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      int row = 0, col = 0;
      m.place(w, d, y, x, &row, &col);
      ASSERT_EQ(0, std::memcmp(out.pixel(col, row), in.pixel(x, y), n))
          << m.id << " input " << x << "," << y << " -> " << col << "," << row;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, TurnTest,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Values(8, 24, 32),
                                            ::testing::Values(std::pair{1, 1}, std::pair{3, 2}, std::pair{5, 7},
                                                              std::pair{7, 3}, std::pair{67, 130})));

TEST(Turns, SmallRightTurnPutsFirstPixelAtRowTwo) {
  FrameBuffer in = FrameBuffer::make(3, 2, 8);
  in.pixel(0, 0)[0] = 42;
  const FrameBuffer out = RunOn("rotate_90_right", in);
  ASSERT_EQ(out.width(), 2);
  ASSERT_EQ(out.depth(), 3);
  EXPECT_EQ(out.pixel(0, 2)[0], 42);
}

TEST(Turns, FourQuarterTurnsGiveTheInputBack) {
  for (const char* id : {"rotate_90_right", "rotate_90_left"}) {
    for (int bpp : {8, 24, 32}) {
      const FrameBuffer in = Pattern(5, 3, bpp, 3);
      FrameBuffer f = in;
      for (int i = 0; i < 4; ++i) f = RunOn(id, f);
      ASSERT_EQ(f.width(), 5);
      EXPECT_EQ(Pixels(f), Pixels(in)) << id << " " << bpp;
    }
  }
}

TEST(Turns, MissingInputFails) {
  for (const Mapping& m : kMappings) {
    MethodRun run(m.id);
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get input frame Input frame") << m.id;
  }
}

TEST(Turns, OneAndEightThreadsAgree) {
  for (const Mapping& m : kMappings) {
    for (int bpp : {8, 24, 32}) {
      const FrameBuffer in = Pattern(301, 203, bpp, 5);
      ExpectThreadsAgree(m.id, [&](talvix::RunContext& c) { c.setFrame(u"Input frame", in); });
    }
  }
}

}  // namespace
