// The colour arithmetic: conversions against Python's colorsys, the hue
// window and the dominant hue of hand-worked histograms.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "colour.h"
#include "frame/hsl.h"

namespace {

using lomber::DominantHue;
using lomber::MakeHueWindow;
using lomber::ToHsl;

struct HslRow {
  int r, g, b;
  double h, s, l;
};

const HslRow kColorsys[] = {
#include "colorsys_table.inc"
};

TEST(LomberColour, ToHslMatchesColorsysAndRoundTrips) {
  for (const HslRow& c : kColorsys) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    const lomber::Hsl p = ToHsl(c.r, c.g, c.b);
    EXPECT_NEAR(p.h, c.h, 1e-9);
    EXPECT_NEAR(p.s, c.s, 1e-9);
    EXPECT_NEAR(p.l, c.l, 1e-9);
    double r, g, b;
    frame::HslToRgb(p.h, p.s, p.l, &r, &g, &b);
    EXPECT_NEAR(r * 255.0, c.r, 1e-9);
    EXPECT_NEAR(g * 255.0, c.g, 1e-9);
    EXPECT_NEAR(b * 255.0, c.b, 1e-9);
  }
}

TEST(LomberColour, HuesAtOrBelowMinusSixtyGiveGrey) {
  for (double hue : {-60.0, -61.0, -400.0}) {
    double r, g, b;
    frame::HslToRgb(hue, 1.0, 0.3, &r, &g, &b);
    EXPECT_EQ(r, 0.3) << hue;
    EXPECT_EQ(g, 0.3) << hue;
    EXPECT_EQ(b, 0.3) << hue;
  }
}

struct WindowCase {
  double centre, half;
  lomber::HueWindow want;
};

TEST(LomberColour, HueWindowWrapsAt360) {
  const WindowCase cases[] = {
      {10, 20, {0, 30, 350, 360}},
      {350, 20, {330, 360, 0, 10}},
      {180, 10, {170, 190, 360, 0}},
      {355, 10, {345, 360, 0, 5}},
      {5, 400, {0, 360, 0, 45}},  // both wraps: the one past 360 wins
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.centre << " +- " << c.half);
    const lomber::HueWindow w = MakeHueWindow(c.centre, c.half);
    EXPECT_DOUBLE_EQ(w.low1, c.want.low1);
    EXPECT_DOUBLE_EQ(w.high1, c.want.high1);
    EXPECT_DOUBLE_EQ(w.low2, c.want.low2);
    EXPECT_DOUBLE_EQ(w.high2, c.want.high2);
  }
  const lomber::HueWindow empty2 = MakeHueWindow(180, 10);
  EXPECT_FALSE(empty2.Contains(0));
  EXPECT_FALSE(empty2.Contains(360));
  EXPECT_TRUE(empty2.Contains(170));
}

struct DominantCase {
  std::vector<std::pair<int, int>> bins;  // (bin, count)
  int dominant, low, high;
};

// Expected values worked with a = 1 - 0.7 and truncation after every step.
TEST(LomberColour, DominantHueSmoothsAndFindsTheRange) {
  const DominantCase cases[] = {
      {{{100, 10}}, 100, 98, 102},
      {{{40, 50}, {200, 50}}, 200, 198, 202},  // equal peaks: the higher bin
      {{{1, 1}}, 0, 0, 0},                     // nothing reaches 1 after smoothing
      {{{360, 40}}, 360, 356, 361},
      {{{1, 100}, {2, 100}, {3, 100}}, 1, 0, 6},
      {{{10, 7}, {11, 9}, {12, 3}, {300, 8}}, 11, 8, 14},
      {{{359, 1000}, {360, 1000}, {1, 1000}}, 360, 356, 361},
      {{}, 0, 0, 0},
  };
  for (const DominantCase& c : cases) {
    int histogram[lomber::kBinCount] = {};
    for (auto [bin, n] : c.bins) histogram[bin] = n;
    int smoothed[lomber::kHueBins];
    for (int& s : smoothed) s = -12345;  // every entry must be written
    const lomber::DominantResult d = DominantHue(histogram, smoothed);
    SCOPED_TRACE(testing::Message() << "peak " << c.dominant);
    EXPECT_EQ(d.bin, c.dominant);
    EXPECT_EQ(d.rangeLow, c.low);
    EXPECT_EQ(d.rangeHigh, c.high);
    for (int s : smoothed) {
      EXPECT_GE(s, 0);
      EXPECT_LE(s, 100);
    }
    if (d.bin > 0) {
      EXPECT_EQ(smoothed[d.bin], 100);
    }
  }
}

TEST(LomberColour, VectorTestsPassAtTheirLimit) {
  using lomber::Transform;
  using lomber::VectorTest;
  // Chroma and direction ignore brightness; plain RGB does not.
  const lomber::Vec3 red = Transform(lomber::kModeChroma, 255, 0, 0);
  EXPECT_TRUE(VectorTest(lomber::kModeChroma, 100, 0, 0, red, 0.0));
  EXPECT_TRUE(VectorTest(lomber::kModeChroma, 200, 100, 100, red, 0.0));
  EXPECT_TRUE(VectorTest(lomber::kModeDirection, 10, 0, 0, Transform(lomber::kModeDirection, 255, 0, 0), 0.0));
  EXPECT_FALSE(VectorTest(lomber::kModeDirection, 200, 100, 100, Transform(lomber::kModeDirection, 255, 0, 0), 0.1));
  // Black compares as (0, 0, 0).
  const lomber::Vec3 zero{};
  EXPECT_TRUE(VectorTest(lomber::kModeDirection, 0, 0, 0, zero, 0.0));
  // Distance 255 of 441.67: passes at exactly that fraction, fails just under.
  const lomber::Vec3 black = Transform(lomber::kModeRgb, 0, 0, 0);
  const double limit = 255.0 / (255.0 * std::sqrt(3.0));
  EXPECT_TRUE(VectorTest(lomber::kModeRgb, 255, 0, 0, black, limit));
  EXPECT_FALSE(VectorTest(lomber::kModeRgb, 255, 0, 0, black, limit - 1e-12));
}

TEST(LomberColour, GreyPixelsAndTheirBins) {
  EXPECT_TRUE(lomber::IsGrey(100, 104, 96 + 4));
  EXPECT_FALSE(lomber::IsGrey(100, 105, 100));
  EXPECT_FALSE(lomber::IsGrey(100, 100, 95));
  EXPECT_EQ(lomber::GreyBin(0, 0, 0), 361);
  EXPECT_EQ(lomber::GreyBin(255, 255, 255), 424);
  EXPECT_EQ(lomber::GreyBin(4, 4, 3), 361);
  EXPECT_EQ(lomber::GreyBin(4, 4, 4), 362);
}

}  // namespace
