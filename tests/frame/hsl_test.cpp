// RGB <-> HSL conversions against colours of known hue, saturation and
// lightness, and the round trip over a sampled colour cube.
#include "frame/hsl.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct HslCase {
  int r, g, b;
  double hue, saturation, lightness;
};

// Hues follow the 60-degree sextants; red sits at 360, not 0.
const HslCase kColours[] = {
    {255, 0, 0, 360.0, 1.0, 0.5},
    {0, 255, 0, 120.0, 1.0, 0.5},
    {0, 0, 255, 240.0, 1.0, 0.5},
    {255, 255, 0, 60.0, 1.0, 0.5},
    {0, 255, 255, 180.0, 1.0, 0.5},
    {255, 0, 255, 300.0, 1.0, 0.5},
    {0, 0, 0, 0.0, 0.0, 0.0},
    {128, 128, 128, 0.0, 0.0, 128.0 / 255.0},
    {255, 255, 255, 0.0, 0.0, 1.0},
    {255, 128, 0, 60.0 * 128.0 / 255.0, 1.0, 0.5},
    {255, 1, 0, 60.0 / 255.0, 1.0, 0.5},            // just past red
    {255, 0, 1, 360.0 - 60.0 / 255.0, 1.0, 0.5},    // just before red
    {100, 50, 50, 360.0, 1.0 / 3.0, 75.0 / 255.0},  // dark red: still 360
    {200, 150, 100, 30.0, 100.0 / 210.0, 150.0 / 255.0},
    {64, 32, 0, 30.0, 1.0, 32.0 / 255.0},
};

TEST(Hsl, RgbToHslKnownColours) {
  for (const HslCase& c : kColours) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    double h = -1, s = -1, l = -1;
    frame::RgbToHsl(c.r, c.g, c.b, &h, &s, &l);
    EXPECT_NEAR(h, c.hue, 1e-9);
    EXPECT_NEAR(s, c.saturation, 1e-9);
    EXPECT_NEAR(l, c.lightness, 1e-9);
  }
}

TEST(Hsl, HslToRgbKnownColours) {
  for (const HslCase& c : kColours) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    double r = -1, g = -1, b = -1;
    frame::HslToRgb(c.hue, c.saturation, c.lightness, &r, &g, &b);
    EXPECT_NEAR(r * 255.0, c.r, 1e-9);
    EXPECT_NEAR(g * 255.0, c.g, 1e-9);
    EXPECT_NEAR(b * 255.0, c.b, 1e-9);
  }
}

TEST(Hsl, HslToRgbOutsideTheCircleGivesGrey) {
  // Hue 0 is red too; a hue past the last sextant leaves the lightness grey.
  double r, g, b;
  frame::HslToRgb(0.0, 1.0, 0.5, &r, &g, &b);
  EXPECT_DOUBLE_EQ(r, 1.0);
  EXPECT_DOUBLE_EQ(g, 0.0);
  EXPECT_DOUBLE_EQ(b, 0.0);
  for (double hue : {420.0, 1000.0, -60.0, 1e300}) {
    frame::HslToRgb(hue, 1.0, 0.25, &r, &g, &b);
    EXPECT_DOUBLE_EQ(r, 0.25) << hue;
    EXPECT_DOUBLE_EQ(g, 0.25) << hue;
    EXPECT_DOUBLE_EQ(b, 0.25) << hue;
  }
}

TEST(Hsl, RoundTripOverSampledCube) {
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        double h, s, l, r1, g1, b1;
        frame::RgbToHsl(r, g, b, &h, &s, &l);
        ASSERT_GE(h, 0.0);
        ASSERT_LE(h, 360.0);
        if (s > 0.0) {
          ASSERT_GT(h, 0.0) << r << "," << g << "," << b;
        }
        frame::HslToRgb(h, s, l, &r1, &g1, &b1);
        ASSERT_NEAR(r1 * 255.0, r, 1e-9) << r << "," << g << "," << b;
        ASSERT_NEAR(g1 * 255.0, g, 1e-9) << r << "," << g << "," << b;
        ASSERT_NEAR(b1 * 255.0, b, 1e-9) << r << "," << g << "," << b;
      }
    }
  }
}

}  // namespace
