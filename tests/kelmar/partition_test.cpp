// The cut of the search region's lines over the threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

#include "modules/kelmar/pattern/band_marks.h"
#include "modules/kelmar/pattern/partition.h"

namespace {

TEST(SearchPartition, EveryLineOnceAndEachPartItsOwnThread) {
  for (int parts = 1; parts <= 8; ++parts) {
    for (int lines = 1; lines <= 40; ++lines) {
      for (const auto& [w, h] : {std::pair{lines * 3.0, 5.0}, std::pair{4.0, lines * 3.0}, std::pair{2.0, 2.0}}) {
        SCOPED_TRACE(testing::Message() << parts << " parts, " << lines << " lines, " << w << " x " << h);
        const auto blocks = kelmar::PartitionLines(lines, w, h, parts);
        ASSERT_EQ(blocks.size(), static_cast<size_t>(parts));
        std::vector<int> seen(lines, 0);
        std::set<int> threads;
        for (const auto& b : blocks) {
          threads.insert(b.thread);
          for (int i = b.firstLine; i <= b.lastLine; ++i) {
            ASSERT_GE(i, 0);
            ASSERT_LT(i, lines);
            ++seen[i];
          }
        }
        EXPECT_EQ(threads.size(), static_cast<size_t>(parts));
        for (int i = 0; i < lines; ++i) EXPECT_EQ(seen[i], 1) << "line " << i;
      }
    }
  }
}

// Lines across the width are numbered from the far end of u, so the part
// holding the lowest u holds the highest line numbers.
TEST(SearchPartition, BoundsFollowTheLineOrder) {
  const auto wide = kelmar::PartitionLines(100, 400, 100, 4);
  EXPECT_EQ(wide[0].lastLine, 99);
  EXPECT_EQ(wide[0].uFrom, 0);
  EXPECT_EQ(wide[0].uMin, 0);
  EXPECT_EQ(wide[1].uMin, 97);
  EXPECT_EQ(wide[0].uMax, 104);
  EXPECT_EQ(wide[3].firstLine, 0);
  EXPECT_EQ(wide[3].uFrom, 300);
  EXPECT_EQ(wide[3].uMin, 295);
  EXPECT_EQ(wide[3].uTo, 399);
  const auto tall = kelmar::PartitionLines(100, 100, 400, 4);
  EXPECT_EQ(tall[0].firstLine, 0);
  EXPECT_EQ(tall[0].vFrom, 0);
  EXPECT_EQ(tall[1].vMin, 95);
  EXPECT_EQ(tall[3].lastLine, 99);
  EXPECT_EQ(tall[3].vTo, 399);
}

// A band's marks hold what was set and not cleared, across angle groups and
// through the table's growth, and a reset leaves none.
TEST(SearchPartition, BandMarksKeepEveryMark) {
  constexpr int kWidth = 1000, kAngles = 150;
  kelmar::BandMarks marks;
  std::set<std::tuple<int, int, int>> model;
  uint32_t seed = 9;
  const auto next = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
  };
  for (int round = 0; round < 2; ++round) {
    marks.Reset(kWidth, kAngles);
    model.clear();
    for (int i = 0; i < 40000; ++i) {
      const int r = next(kAngles), x = next(kWidth), y = next(600);
      if (next(4) == 0) {
        marks.Clear(r, x, y);
        model.erase({r, x, y});
      } else {
        marks.Set(r, x, y);
        model.insert({r, x, y});
      }
    }
    for (const auto& [r, x, y] : model) ASSERT_TRUE(marks.Test(r, x, y)) << r << " " << x << " " << y;
    int wrong = 0;
    for (int i = 0; i < 40000; ++i) {
      const int r = next(kAngles), x = next(kWidth), y = next(600);
      wrong += marks.Test(r, x, y) != (model.count({r, x, y}) > 0);
    }
    EXPECT_EQ(wrong, 0);
  }
  marks.Reset(kWidth, kAngles);
  for (const auto& [r, x, y] : model) ASSERT_FALSE(marks.Test(r, x, y));
}

}  // namespace
