// RoundReal, NormalizeDegreeLongreal, DegRATan, the matrix composition order
// and GetTextWD.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

#include "talvix.h"

namespace {

TEST(RoundReal, HalvesAwayFromZero) {
  struct Case {
    float in;
    int want;
  } cases[] = {
      {0.5f, 1},
      {-0.5f, -1},
      {1.5f, 2},
      {-1.5f, -2},
      {2.5f, 3},
      {0.49999997f, 0},
      {-0.49999997f, 0},
      {2147483520.f, 2147483520},
      {std::numeric_limits<float>::quiet_NaN(), INT_MIN},
      {std::numeric_limits<float>::infinity(), INT_MIN},
      {-std::numeric_limits<float>::infinity(), INT_MIN},
      {1e10f, INT_MIN},
      {-1e10f, INT_MIN},
      {2147483648.f, INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundReal(c.in), c.want) << c.in;
}

TEST(NormalizeDegreeLongreal, IntoOneTurn) {
  struct Case {
    double in, want;
  } cases[] = {{-0.0, 0}, {360, 0}, {370, 10}, {-10, 350}, {720.5, 0.5}, {-360, 0}, {-1e-20, 0}, {359.5, 359.5}};
  for (const Case& c : cases) {
    double a = c.in;
    NormalizeDegreeLongreal(&a);
    EXPECT_EQ(a, c.want) << c.in;
    EXPECT_FALSE(std::signbit(a)) << c.in;
  }
  double nan = std::numeric_limits<double>::quiet_NaN();
  NormalizeDegreeLongreal(&nan);
  EXPECT_TRUE(std::isnan(nan));
  NormalizeDegreeLongreal(nullptr);
}

TEST(DegRATan, Degrees) {
  EXPECT_DOUBLE_EQ(DegRATan(1), 45);
  EXPECT_DOUBLE_EQ(DegRATan(-1), -45);
  EXPECT_DOUBLE_EQ(DegRATan(0), 0);
  EXPECT_NEAR(DegRATan(1e300), 90, 1e-12);
}

void ExpectVec(FloatVec2 v, float x, float y) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
}

TEST(FloatMatrix3x3, EachOperationAppliesAfterTheLast) {
  const float quarter = std::numbers::pi_v<float> / 2;
  FloatMatrix3x3 m;
  // Translate then rotate: p -> R(p + t).
  FloatMatrix3x3Identity(&m);
  FloatMatrix3x3Translate(&m, 10, 0);
  FloatMatrix3x3Rotate(&m, quarter);
  ExpectVec(FloatVec2Transform3x3(&m, InitFloatVec2(0, 0)), 0, 10);
  ExpectVec(FloatVec2Transform3x3(&m, InitFloatVec2(1, 0)), 0, 11);
  // Rotate then translate: p -> Rp + t.
  FloatMatrix3x3Identity(&m);
  FloatMatrix3x3Rotate(&m, quarter);
  FloatMatrix3x3Translate(&m, 10, 0);
  ExpectVec(FloatVec2Transform3x3(&m, InitFloatVec2(1, 0)), 10, 1);
  // Identity, translate by -c, rotate by a: R(a)(p - c).
  FloatMatrix3x3Identity(&m);
  FloatMatrix3x3Translate(&m, -5, -7);
  FloatMatrix3x3Rotate(&m, quarter);
  ExpectVec(FloatVec2Transform3x3(&m, InitFloatVec2(6, 7)), 0, 1);
}

TEST(FloatMatrix3x3, TransformUsesTheTopTwoRows) {
  FloatMatrix3x3 m{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
  ExpectVec(FloatVec2Transform3x3(&m, InitFloatVec2(10, 100)), 213, 546);
  ExpectVec(FloatVec2Add(InitFloatVec2(1, 2), InitFloatVec2(-3, 0.5f)), -2, 2.5f);
}

TEST(GetTextWD, EightPixelsPerCharacter) {
  int w = -1, d = -1;
  GetTextWD(nullptr, 50, u"A", &w, &d);  // hi larger than the text: stops at NUL
  EXPECT_EQ(w, 8);
  EXPECT_EQ(d, 16);
  GetTextWD(nullptr, 2, u"ABCDEF", &w, &d);  // at most hi + 1 characters
  EXPECT_EQ(w, 24);
  GetTextWD(nullptr, -1, u"ABC", &w, &d);
  EXPECT_EQ(w, 0);
  GetTextWD(nullptr, 10, nullptr, &w, &d);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(d, 16);
}

}  // namespace
