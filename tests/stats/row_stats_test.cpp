// Statistics of one row of an integer matrix, with their truncations and
// 32-bit wrap-around.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "frame/image_stats.h"

namespace {

constexpr int32_t kJunk = -77777;

// The row as row `row` of a matrix whose other rows hold junk.
std::vector<int32_t> AsRow(const std::vector<int32_t>& values, int row) {
  std::vector<int32_t> m(values.size() * (row + 2), kJunk);
  std::copy(values.begin(), values.end(), m.begin() + values.size() * row);
  return m;
}

float Root(double v) { return static_cast<float>(std::sqrt(v)); }

TEST(RowSum, WrapsAtThirtyTwoBits) {
  struct Case {
    std::vector<int32_t> row;
    uint32_t expected;
  } cases[] = {
      {{1, 2, 3}, 6u},
      {{INT_MAX, INT_MAX, 2}, 0u},
      {{-1}, 4294967295u},
      {{-5, 3}, 4294967294u},
  };
  for (const Case& c : cases) {
    const auto m = AsRow(c.row, 1);
    EXPECT_EQ(frame::RowSum(m.data(), static_cast<int>(c.row.size()), 1), c.expected);
  }
  EXPECT_EQ(frame::RowSum(nullptr, 0, 3), 0u);
}

TEST(RowMean, UnsignedSumOverLength) {
  struct Case {
    std::vector<int32_t> row;
    float expected;
  } cases[] = {
      {{1, 2}, 1.5f},
      {{1, 2, 4}, 7.0f / 3.0f},
      {{-1}, 4294967295.0f},  // the sum is unsigned
      {{-2, 0}, 2147483648.0f},
  };
  for (const Case& c : cases) {
    const auto m = AsRow(c.row, 2);
    EXPECT_EQ(frame::RowMean(m.data(), static_cast<int>(c.row.size()), 2), c.expected);
  }
  EXPECT_EQ(frame::RowMean(nullptr, 0, 0), 0.0f);
}

TEST(RowStdDev, TruncatedMeanAndWrappingSquares) {
  struct Case {
    const char* what;
    std::vector<int32_t> row;
    int mean;
    float expected;  // NaN: not a number expected
  } cases[] = {
      {"mean 2.5 truncated to 2: squares 1 + 0 + 1 + 4", {1, 2, 3, 4}, 2, Root(2.0)},
      {"one element: 0 / 0", {5}, 5, NAN},
      {"squares of 65536 wrap to 0", {0, 131072}, 65536, 0.0f},
      {"2^31 wraps negative", {0, 65536}, 32768, NAN},
      // Deviations 0x7FFFFFFF and 0x80000001 square to 1 modulo 2^32.
      {"mean beyond int saturates", {-2, 0}, INT_MAX, Root(2.0)},
  };
  for (const Case& c : cases) {
    const auto m = AsRow(c.row, 1);
    int mean = -1;
    const float got = frame::RowStdDev(m.data(), static_cast<int>(c.row.size()), 1, &mean);
    EXPECT_EQ(mean, c.mean) << c.what;
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(got)) << c.what;
    else
      EXPECT_EQ(got, c.expected) << c.what;
  }
  int mean = 12345;
  EXPECT_EQ(frame::RowStdDev(nullptr, 0, 0, &mean), 0.0f);
  EXPECT_EQ(mean, 12345);
}

TEST(ColorRowStdDev, ReadsChannelRowOfTheColourMatrix) {
  // Two rows of three channel rows of four elements; row 1 channel 2 is matrix row 5.
  std::vector<int32_t> m(24, 1000);
  for (int i = 0; i < 4; ++i) m[20 + i] = i + 1;
  int mean = -1;
  EXPECT_EQ(frame::ColorRowStdDev(m.data(), 4, 1, 2, &mean), Root(2.0));
  EXPECT_EQ(mean, 2);
}

TEST(RowMeanAndStdDev, AccumulatorTruncatedAtEveryStep) {
  struct Case {
    const char* what;
    std::vector<int32_t> row;
    float mean;
    float expected;
  } cases[] = {
      // Squares 2.25, 0.25, 0.25, 2.25 add up as 2, 2, 2, 4 (not 5).
      {"1 2 3 4", {1, 2, 3, 4}, 2.5f, Root(4.0f / 3.0f)},
      {"7 7 7", {7, 7, 7}, 7.0f, 0.0f},
      // The float sum rounds up before it is truncated: 6088324, where whole squares add to 6088323.
      {"0 3021 3023", {0, 3021, 3023}, 6044.0f / 3.0f, Root(6088324.0f / 2.0f)},
      {"one element: 0 / 0", {7}, 7.0f, NAN},
      // Mean 2^31; the first square is far beyond int and saturates.
      {"accumulator beyond int saturates", {INT_MIN, INT_MAX}, 2147483648.0f, Root(2147483648.0)},
  };
  for (const Case& c : cases) {
    const auto m = AsRow(c.row, 1);
    float mean = -1;
    const float got = frame::RowMeanAndStdDev(m.data(), static_cast<int>(c.row.size()), 1, &mean);
    EXPECT_EQ(mean, c.mean) << c.what;
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(got)) << c.what;
    else
      EXPECT_EQ(got, c.expected) << c.what;
  }
  for (int n : {0, -3}) {
    float mean = 42.0f;
    EXPECT_EQ(frame::RowMeanAndStdDev(nullptr, n, 0, &mean), 0.0f);
    EXPECT_EQ(mean, 42.0f);
  }
}

TEST(FindLastInRow, LastPositionAndCount) {
  struct Case {
    std::vector<int32_t> row;
    int value, expected, count;
  } cases[] = {
      {{5, 7, 5}, 5, 2, 2},  {{5, 7, 5}, 7, 1, 1},
      {{5, 7, 5}, 9, -1, 0}, {{0x10005, -5}, 5, -1, 0},  // whole 32-bit values
      {{-5, 3}, -5, 0, 1},
  };
  for (const Case& c : cases) {
    const auto m = AsRow(c.row, 1);
    int count = -9;
    EXPECT_EQ(frame::FindLastInRow(m.data(), static_cast<int>(c.row.size()), 1, c.value, &count), c.expected);
    EXPECT_EQ(count, c.count);
  }
  for (int n : {0, -1}) {
    int count = -9;
    EXPECT_EQ(frame::FindLastInRow(nullptr, n, 0, 5, &count), -1);
    EXPECT_EQ(count, 0);
  }
}

}  // namespace
