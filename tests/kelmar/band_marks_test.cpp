// The marks a band of the pattern search keeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

#include "modules/kelmar/pattern/band_marks.h"

namespace {

// A band's marks hold what was set and not cleared, across angle groups and
// through the table's growth, and a reset leaves none.
TEST(BandMarks, KeepEveryMarkThroughGrowthAndReset) {
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
