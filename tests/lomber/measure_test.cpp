// get_average_color, get_dominant_color, compare_average_color and
// compare_dominant_color through the exported interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/hsl.h"
#include "lomber_rig.h"

namespace {

using lomber_test::Bgra;
using lomber_test::Colour;
using lomber_test::Noise;
using lomber_test::Rgb;
using lomber_test::Step;
using talvix::FrameBuffer;

constexpr char16_t kBadRegion[] = u"Error: Region is out of image or it has bad dimensions";

struct Rect {
  int x0, y0, x1, y1;  // inclusive
  TRectangularRegion region() const {
    return {(x0 + x1 + 1) / 2.0, (y0 + y1 + 1) / 2.0, double(x1 - x0 + 1), double(y1 - y0 + 1), 0.0};
  }
};

TEST(GetAverageColor, MeansOfEachRegionOverPixelsFromAlpha127) {
  // Alpha 126 is left out, 127 counts.
  const FrameBuffer in = Colour(40, 30, [](int x, int y) {
    return Bgra{static_cast<uint8_t>(7 * x + y), static_cast<uint8_t>(3 * y), static_cast<uint8_t>(200 - x),
                static_cast<uint8_t>((x + y) % 3 == 0 ? 126 : 127)};
  });
  const std::vector<Rect> rects = {{0, 0, 39, 29}, {5, 3, 12, 20}, {30, 10, 30, 10}};
  Step step("get_average_color");
  step.ctx.setFrame(u"InputFrame", in);
  std::vector<TRectangularRegion> regions;
  for (const Rect& r : rects) regions.push_back(r.region());
  step.ctx.setRegions(u"Region", regions);
  ASSERT_TRUE(step().ok);
  const auto colours = step.ctx.colors(u"RGB Output");
  const auto hues = step.ctx.numbers(u"Hue Output");
  const auto sats = step.ctx.numbers(u"Saturation Output");
  const auto lights = step.ctx.numbers(u"Lightness Output");
  ASSERT_EQ(colours.size(), rects.size());
  ASSERT_EQ(hues.size(), rects.size());
  ASSERT_EQ(sats.size(), rects.size());
  ASSERT_EQ(lights.size(), rects.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    SCOPED_TRACE(i);
    double s[3] = {}, n = 0;
    for (int y = rects[i].y0; y <= rects[i].y1; ++y) {
      for (int x = rects[i].x0; x <= rects[i].x1; ++x) {
        const uint8_t* p = in.pixel(x, y);
        if (p[3] < 127) continue;
        s[0] += p[2], s[1] += p[1], s[2] += p[0], ++n;
      }
    }
    ASSERT_GT(n, 0);
    EXPECT_NEAR(colours[i].R, s[0] / n / 255.0, 1e-12);
    EXPECT_NEAR(colours[i].G, s[1] / n / 255.0, 1e-12);
    EXPECT_NEAR(colours[i].B, s[2] / n / 255.0, 1e-12);
    EXPECT_EQ(colours[i].A, 1.0);
    double h, sat, l;
    frame::RgbToHsl(s[0] / n, s[1] / n, s[2] / n, &h, &sat, &l);
    EXPECT_NEAR(hues[i], h, 1e-9);
    EXPECT_NEAR(sats[i], sat, 1e-12);
    EXPECT_NEAR(lights[i], l, 1e-12);
  }
}

TEST(Measurements, EmptyRegionArrayAndRegionsOutside) {
  for (const char* id : {"get_average_color", "get_dominant_color"}) {
    SCOPED_TRACE(id);
    Step empty(id);
    empty.ctx.setFrame(u"InputFrame", Noise(8, 8, 1));
    empty.ctx.setEmpty(u"Region");
    EXPECT_TRUE(empty().ok);
    EXPECT_TRUE(empty.ctx.colors(u"RGB Output").empty());
    Step outside(id);
    outside.ctx.setFrame(u"InputFrame", Noise(8, 8, 1));
    outside.ctx.setRegions(u"Region", {TRectangularRegion{100, 100, 4, 4, 0}});
    EXPECT_EQ(outside().error, kBadRegion);
    Step whole(id);
    whole.ctx.setFrame(u"InputFrame", Noise(8, 8, 1));
    EXPECT_TRUE(whole().ok);
    EXPECT_EQ(whole.ctx.colors(u"RGB Output").size(), 1u);
  }
  for (const char* id : {"compare_average_color", "compare_dominant_color"}) {
    Step outside(id);
    outside.ctx.setFrame(u"InputFrame", Noise(8, 8, 1));
    outside.ctx.setRegions(u"Region", {TRectangularRegion{100, 100, 4, 4, 0}});
    EXPECT_EQ(outside().error, kBadRegion) << id;
  }
}

TEST(GetDominantColor, SeventyThirtyPatchAndGreys) {
  struct Case {
    const char* name;
    Bgra major, minor;
    double r, g, b, h, s, l;
  };
  const Case cases[] = {
      {"red over blue", {0, 0, 255, 255}, {255, 0, 0, 255}, 1, 0, 0, 360, 1, 0.5},
      {"green over red", {0, 200, 0, 255}, {0, 0, 255, 255}, 0, 200 / 255.0, 0, 120, 1, 100 / 255.0},
      {"greys", {100, 102, 101, 255}, {30, 30, 30, 255}, 101 / 255.0, 101 / 255.0, 101 / 255.0, 0, 0, 101 / 255.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Step step("get_dominant_color");
    step.ctx.setFrame(u"InputFrame", Colour(10, 10, [&](int x, int) { return x < 7 ? c.major : c.minor; }));
    ASSERT_TRUE(step().ok);
    const TColor rgb = step.ctx.colors(u"RGB Output").at(0);
    EXPECT_NEAR(rgb.R, c.r, 1e-9);
    EXPECT_NEAR(rgb.G, c.g, 1e-9);
    EXPECT_NEAR(rgb.B, c.b, 1e-9);
    EXPECT_NEAR(step.ctx.numbers(u"Hue Output").at(0), c.h, 1e-9);
    EXPECT_NEAR(step.ctx.numbers(u"Saturation Output").at(0), c.s, 1e-9);
    EXPECT_NEAR(step.ctx.numbers(u"Lightness Output").at(0), c.l, 1e-9);
  }
}

// compare_average_color's test, written out: the region's transformed mean
// and population deviation, the limit scaled by the tolerance.
bool CompareReference(const FrameBuffer& f, int mode, int r, int g, int b, double tolerance) {
  const auto tf = [mode](double x, double y, double z) -> std::array<double, 3> {
    if (mode == 2) return {x, y, z};
    if (mode == 0) {
      const double m = std::min({x, y, z});
      x -= m, y -= m, z -= m;
    }
    const double n = std::sqrt(x * x + y * y + z * z);
    return n == 0 ? std::array<double, 3>{0, 0, 0} : std::array<double, 3>{x / n, y / n, z / n};
  };
  double mean[3] = {}, sq[3] = {}, n = 0;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      const auto u = tf(f.pixel(x, y)[2], f.pixel(x, y)[1], f.pixel(x, y)[0]);
      for (int k = 0; k < 3; ++k) mean[k] += u[k];
      ++n;
    }
  for (double& m : mean) m /= n;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      const auto u = tf(f.pixel(x, y)[2], f.pixel(x, y)[1], f.pixel(x, y)[0]);
      for (int k = 0; k < 3; ++k) sq[k] += (u[k] - mean[k]) * (u[k] - mean[k]);
    }
  double dev = 0;
  for (double s : sq) dev += (std::sqrt(s / n) * tolerance) * (std::sqrt(s / n) * tolerance);
  const auto u = tf(r, g, b);
  double d = 0;
  for (int k = 0; k < 3; ++k) d += (u[k] - mean[k]) * (u[k] - mean[k]);
  const double scale = mode == 2 ? 255.0 * std::sqrt(3.0) : std::sqrt(3.0);
  return std::sqrt(dev) / scale >= std::sqrt(d) / scale;
}

TEST(CompareAverageColor, AgreesWithTheReferenceAcrossTheLimit) {
  // Two colours in equal halves: a spread in every mode.
  const FrameBuffer in = Colour(10, 4, [](int x, int) {
    return x < 5 ? Bgra{50, 100, 200, 255} : Bgra{40, 120, 180, 255};
  });
  for (int mode : {0, 1, 2}) {
    for (double tolerance : {1.0, 2.5}) {
      int inside = 0, outside = 0;
      for (int r = 0; r <= 254; r += 3) {
        Step step("compare_average_color");
        step.ctx.setFrame(u"InputFrame", in);
        step.ctx.setNumbers(u"Method", {static_cast<double>(mode)});
        step.ctx.setNumbers(u"Color Tolerance", {tolerance});
        // Half-way values so that trunc(c x 255) gives the byte back.
        step.ctx.setColors(u"RGB Color", {Rgb((r + 0.5) / 255, 110.5 / 255, 45.5 / 255)});
        ASSERT_TRUE(step().ok);
        const bool want = CompareReference(in, mode, r, 110, 45, tolerance);
        EXPECT_EQ(step.ctx.flags(u"Compare Output"), std::vector<bool>{want}) << mode << " " << tolerance << " " << r;
        (want ? inside : outside)++;
      }
      EXPECT_GT(inside, 0) << mode;
      EXPECT_GT(outside, 0) << mode;
    }
  }
}

TEST(CompareAverageColor, ExactEdgeOfThePlainDistance) {
  // Halves 100 and 110 in red: mean 105, deviation 5; a colour 5 away is on
  // the limit and passes, 6 away fails.
  const FrameBuffer in = Colour(10, 2, [](int x, int) { return x < 5 ? Bgra{100, 100, 100, 255} : Bgra{100, 100, 110, 255}; });
  for (const auto& [red, want] : std::vector<std::pair<int, bool>>{{110, true}, {100, true}, {111, false}, {99, false}}) {
    Step step("compare_average_color");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setNumbers(u"Method", {2});
    step.ctx.setColors(u"RGB Color", {Rgb((red + 0.5) / 255, 100.5 / 255, 100.5 / 255)});
    ASSERT_TRUE(step().ok);
    EXPECT_EQ(step.ctx.flags(u"Compare Output"), std::vector<bool>{want}) << red;
  }
}

TEST(CompareAverageColor, MethodOutsideZeroToTwoFails) {
  for (double m : {3.0, -1.0}) {
    Step step("compare_average_color");
    step.ctx.setFrame(u"InputFrame", Noise(4, 4, 1));
    step.ctx.setNumbers(u"Method", {m});
    EXPECT_EQ(step().error, u"Error: Incorrect parameter value") << m;
  }
}

TEST(CompareDominantColor, ChromaticColoursAgainstTheDominantHue) {
  // 70 % pure red, 30 % blue.
  const FrameBuffer in = Colour(10, 10, [](int x, int) { return x < 7 ? Bgra{0, 0, 255, 255} : Bgra{255, 0, 0, 255}; });
  struct Case {
    TColor colour;
    double lightTol, satTol;
    bool want;
  };
  const Case cases[] = {
      {Rgb(1, 0, 0), 1, 1, true},
      {Rgb(1, 0.02, 0), 1, 1, true},   // hue 1.2: inside the measured window
      {Rgb(1, 0.2, 0), 1, 1, false},   // hue 12: outside
      {Rgb(0, 0, 1), 1, 1, false},     // the minor colour
      {Rgb(0.6, 0, 0), 0.25, 1, true},  // lightness 0.3, 0.2 below the region's
      {Rgb(0.6, 0, 0), 0.15, 1, false},
      {Rgb(0.5, 0.5, 0.5), 1, 1, false},  // grey against a chromatic region
  };
  for (const Case& c : cases) {
    Step step("compare_dominant_color");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setColors(u"RGB Color", {c.colour});
    step.ctx.setNumbers(u"Lightness Tolerance", {c.lightTol});
    step.ctx.setNumbers(u"Saturation Tolerance", {c.satTol});
    ASSERT_TRUE(step().ok);
    EXPECT_EQ(step.ctx.flags(u"Compare Output"), std::vector<bool>{c.want}) << c.colour.R << "," << c.colour.G;
  }
}

// A colour component that is not a number counts as 0 in both comparisons:
// each answers as for the colour with 0 in its place.
TEST(CompareColor, ComponentsThatAreNotNumbersCountAsZero) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const FrameBuffer red = Colour(10, 10, [](int x, int) { return x < 7 ? Bgra{0, 0, 255, 255} : Bgra{0, 20, 250, 255}; });
  const struct {
    TColor nan, zero;
    bool dominant;  // compare_dominant_color's answer against the red region
  } cases[] = {
      {Rgb(0.5, kNaN, 0.5), Rgb(0.5, 0, 0.5), false},  // magenta, not red
      {Rgb(1, kNaN, kNaN), Rgb(1, 0, 0), true},
      {Rgb(kNaN, 0, 1), Rgb(0, 0, 1), false},
      {Rgb(kNaN, kNaN, kNaN), Rgb(0, 0, 0), false},
  };
  for (const auto& c : cases) {
    for (const char* id : {"compare_average_color", "compare_dominant_color"}) {
      SCOPED_TRACE(testing::Message() << id << " " << c.zero.R << ", " << c.zero.G << ", " << c.zero.B);
      std::vector<bool> answers[2];
      for (int k = 0; k < 2; ++k) {
        Step step(id);
        step.ctx.setFrame(u"InputFrame", red);
        step.ctx.setColors(u"RGB Color", {k == 0 ? c.nan : c.zero});
        ASSERT_TRUE(step().ok);
        answers[k] = step.ctx.flags(u"Compare Output");
      }
      EXPECT_EQ(answers[0], answers[1]);
      if (std::string(id) == "compare_dominant_color") {
        EXPECT_EQ(answers[0], std::vector<bool>{c.dominant});
      }
    }
  }
}

TEST(CompareDominantColor, GreyToleranceIsTheUsersAndPersists) {
  // Grey 128 falls in grey bin 393; grey 140 is 3 bins away, grey 144 four.
  const FrameBuffer grey = Colour(8, 8, [](int, int) { return Bgra{128, 128, 128, 255}; });
  const FrameBuffer red = Colour(8, 8, [](int x, int) { return x < 4 ? Bgra{0, 0, 255, 255} : Bgra{0, 60, 255, 255}; });
  const TColor near = Rgb(140 / 255.0, 140 / 255.0, 140 / 255.0), far = Rgb(144 / 255.0, 144 / 255.0, 144 / 255.0);
  Step step("compare_dominant_color");
  const auto run = [&](const FrameBuffer& f, TColor c) -> bool {
    step.ctx.setFrame(u"InputFrame", f);
    step.ctx.setColors(u"RGB Color", {c});
    const talvix::RunResult r = step();
    EXPECT_TRUE(r.ok);
    return step.ctx.flags(u"Compare Output").at(0);
  };
  EXPECT_TRUE(run(grey, near)) << "0.05 before any tolerance: 3 < 3.2";
  EXPECT_FALSE(run(grey, far));
  EXPECT_TRUE(run(red, Rgb(1, 0, 0)));  // measures a wide hue window
  EXPECT_FALSE(run(grey, far)) << "the measured half-width must not become the tolerance";
  step.ctx.setNumbers(u"Color Tolerance", {0.1});
  EXPECT_TRUE(run(grey, far));
  step.ctx.setUnnamed(u"Color Tolerance");
  EXPECT_TRUE(run(grey, far)) << "an absent tolerance keeps the user's last one";
  EXPECT_FALSE(run(red, far)) << "grey colour, chromatic region";
}

}  // namespace
