// filter_HSL and filter_RGB through the exported interface, against a direct
// per-pixel reference written here.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
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

constexpr char16_t kGreyError[] =
    u"Error: This color is in gray scale; thus, it cannot be converted into HSL model. Search using this method is "
    u"not possible.";
constexpr char16_t kGreyWarning[] =
    u"This color is likely to be in gray scale; thus, it cannot be converted into HSL model. Search using this method "
    u"is not reliable.";

struct Hsl {
  double h, s, l;
};
Hsl ToHsl(double r, double g, double b) {
  Hsl p;
  frame::RgbToHsl(r, g, b, &p.h, &p.s, &p.l);
  return p;
}

// The expected output pixel for a test result, with optional paints.
void ExpectPainted(const uint8_t* in, const uint8_t* out, bool pass, const std::optional<TColor>& fg,
                   const std::optional<TColor>& bg, int x, int y) {
  const std::optional<TColor>& paint = pass ? fg : bg;
  uint8_t want[4];
  if (in[3] < 128 || !paint) {
    std::memcpy(want, in, 4);
  } else {
    want[0] = static_cast<uint8_t>(paint->B * 255.0);
    want[1] = static_cast<uint8_t>(paint->G * 255.0);
    want[2] = static_cast<uint8_t>(paint->R * 255.0);
    want[3] = static_cast<uint8_t>(paint->A * 255.0);
  }
  ASSERT_EQ(0, std::memcmp(want, out, 4)) << "pixel " << x << "," << y << " pass " << pass;
}

using PixelTest = std::function<bool(int r, int g, int b)>;

void ExpectFiltered(const FrameBuffer& in, const FrameBuffer& out, const PixelTest& test,
                    const std::optional<TColor>& fg, const std::optional<TColor>& bg) {
  ASSERT_EQ(out.width(), in.width());
  ASSERT_EQ(out.depth(), in.depth());
  ASSERT_EQ(out.bpp(), 32);
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      const uint8_t* p = in.pixel(x, y);
      ExpectPainted(p, out.pixel(x, y), test(p[2], p[1], p[0]), fg, bg, x, y);
    }
  }
}

const TColor kWhite = Rgb(1, 1, 1, 1), kBlack = Rgb(0, 0, 0, 0.5);

// A frame whose hues sweep the whole circle at several lightness and
// saturation levels, with some pixels below alpha 128.
FrameBuffer HueSweep() {
  return Colour(72, 12, [](int x, int y) {
    double r, g, b;
    frame::HslToRgb(x * 5.0 + 2.5, 0.1 + 0.08 * y, 0.15 + 0.06 * y, &r, &g, &b);
    const uint8_t a = (x + y) % 9 == 0 ? 100 : 255;
    return Bgra{static_cast<uint8_t>(b * 255), static_cast<uint8_t>(g * 255), static_cast<uint8_t>(r * 255), a};
  });
}

struct HslCase {
  const char* name;
  double hue;  // of the "Color" input, built at saturation 1, lightness 0.5
  double tolerance;
  double minL, maxL, minS, maxS;
  bool withFg, withBg;
};

TEST(FilterHsl, MatchesTheWindowReference) {
  const HslCase cases[] = {
      {"across 360", 355, 10, 0, 1, 0, 1, true, true},
      {"across 0", 5, 20, 0, 1, 0, 1, true, false},
      {"green, limited", 120, 30, 0.3, 0.6, 0.4, 0.9, false, true},
      {"no paints", 240, 45, 0, 1, 0, 1, false, false},
  };
  const FrameBuffer in = HueSweep();
  for (const HslCase& c : cases) {
    SCOPED_TRACE(c.name);
    double r, g, b;
    frame::HslToRgb(c.hue, 1.0, 0.5, &r, &g, &b);
    Step step("filter_HSL");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setColors(u"Color", {Rgb(r, g, b)});
    step.ctx.setNumbers(u"Color Tolerance", {c.tolerance});
    step.ctx.setNumbers(u"Min Lightness", {c.minL});
    step.ctx.setNumbers(u"Max Lightness", {c.maxL});
    step.ctx.setNumbers(u"Min Saturation", {c.minS});
    step.ctx.setNumbers(u"Max Saturation", {c.maxS});
    std::optional<TColor> fg, bg;
    if (c.withFg) step.ctx.setColors(u"Foreground Color", {*(fg = kWhite)});
    if (c.withBg) step.ctx.setColors(u"Background Color", {*(bg = kBlack)});
    const talvix::RunResult res = step();
    ASSERT_TRUE(res.ok) << talvix::ToUtf8(res.error);
    const double centre = ToHsl(r * 255, g * 255, b * 255).h;
    const double lo = centre - c.tolerance, hi = centre + c.tolerance;
    ExpectFiltered(
        in, *step.ctx.frame(u"Output Frame"),
        [&](int pr, int pg, int pb) {
          const Hsl p = ToHsl(pr, pg, pb);
          const bool hue = (p.h >= lo && p.h <= hi) || (p.h >= lo + 360 && p.h <= 360) || (p.h <= hi - 360);
          return hue && p.l >= c.minL && p.l <= c.maxL && p.s >= c.minS && p.s <= c.maxS;
        },
        fg, bg);
  }
}

TEST(FilterHsl, GreyColoursFailOrWarn) {
  struct Case {
    TColor colour;
    bool ok, warned;
  };
  // Saturations 0, about 0.03 and about 0.08 at lightness 0.5.
  const Case cases[] = {
      {Rgb(0.5, 0.5, 0.5), false, false}, {Rgb(0.515, 0.485, 0.5), true, true}, {Rgb(0.54, 0.46, 0.5), true, false}};
  for (const Case& c : cases) {
    Step step("filter_HSL");
    step.ctx.setFrame(u"InputFrame", HueSweep());
    step.ctx.setColors(u"Color", {c.colour});
    const talvix::RunResult r = step();
    EXPECT_EQ(r.ok, c.ok);
    if (!c.ok) {
      EXPECT_EQ(r.error, kGreyError);
    }
    const auto& w = step.ctx.warnings();
    EXPECT_EQ(!w.empty() && w[0] == kGreyWarning, c.warned) << c.colour.R;
  }
}

TEST(FilterHsl, AbsentInputsKeepTheLastCentreAndTolerance) {
  const FrameBuffer in = HueSweep();
  Step step("filter_HSL");
  step.ctx.setFrame(u"InputFrame", in);
  step.ctx.setColors(u"Foreground Color", {kWhite});
  step.ctx.setColors(u"Background Color", {kBlack});
  // First run: no colour, no tolerance: the window is the single hue 90.
  ASSERT_TRUE(step().ok);
  ExpectFiltered(in, *step.ctx.frame(u"Output Frame"), [](int r, int g, int b) { return ToHsl(r, g, b).h == 90.0; },
                 kWhite, kBlack);
  step.ctx.setColors(u"Color", {Rgb(0, 0, 1)});
  step.ctx.setNumbers(u"Color Tolerance", {25});
  ASSERT_TRUE(step().ok);
  step.ctx.setUnnamed(u"Color");
  step.ctx.setUnnamed(u"Color Tolerance");
  ASSERT_TRUE(step().ok);  // blue +- 25 remains
  ExpectFiltered(
      in, *step.ctx.frame(u"Output Frame"),
      [](int r, int g, int b) {
        const double h = ToHsl(r, g, b).h;
        return h >= 215 && h <= 265;
      },
      kWhite, kBlack);
}

TEST(FilterHsl, ErrorsOfFrames) {
  Step noInput("filter_HSL");
  EXPECT_EQ(noInput().error, u"Error: Cannot get input frame");
  Step grey("filter_HSL");
  grey.ctx.setFrame(u"InputFrame", FrameBuffer::make(4, 4, 8));
  EXPECT_EQ(grey().error, u"Error: Image format not supported");
  Step noOutput("filter_RGB");
  noOutput.ctx.setFrame(u"InputFrame", HueSweep());
  noOutput.ctx.setUnnamed(u"Output Frame");
  EXPECT_EQ(noOutput().error, u"Error: Cannot get output frame");
}

// filter_RGB's tests with the reference transformed like the pixels.
bool RgbTest(int mode, TColor ref, double t, int r, int g, int b) {
  const auto transform = [mode](double x, double y, double z) -> std::array<double, 3> {
    if (mode == 2) return {x, y, z};
    if (mode == 0) {
      const double m = std::min({x, y, z});
      x -= m, y -= m, z -= m;
    }
    const double n = std::sqrt(x * x + y * y + z * z);
    if (n == 0) return {0, 0, 0};
    return {x / n, y / n, z / n};
  };
  const auto p = transform(r, g, b), q = transform(ref.R * 255, ref.G * 255, ref.B * 255);
  const double d = std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                             (p[2] - q[2]) * (p[2] - q[2]));
  return d / (mode == 2 ? 255.0 * std::sqrt(3.0) : std::sqrt(3.0)) <= t;
}

TEST(FilterRgb, ModesMatchTheReference) {
  const FrameBuffer in = Noise(37, 23, 5);
  struct Case {
    int mode;
    TColor ref;
    double tolerance;
  };
  // A dark reference: only its colour counts in modes 0 and 1.
  const Case cases[] = {{0, Rgb(0.3, 0.1, 0.1), 0.2}, {1, Rgb(0.3, 0.1, 0.1), 0.15}, {2, Rgb(0.3, 0.6, 0.1), 0.25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Step step("filter_RGB");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setColors(u"Color", {c.ref});
    step.ctx.setNumbers(u"Method", {static_cast<double>(c.mode)});
    step.ctx.setNumbers(u"Color Tolerance", {c.tolerance});
    step.ctx.setColors(u"Foreground Color", {kWhite});
    step.ctx.setColors(u"Background Color", {kBlack});
    ASSERT_TRUE(step().ok);
    int passed = 0;
    ExpectFiltered(
        in, *step.ctx.frame(u"Output Frame"),
        [&](int r, int g, int b) {
          const bool p = RgbTest(c.mode, c.ref, c.tolerance, r, g, b);
          passed += p;
          return p;
        },
        kWhite, kBlack);
    EXPECT_GT(passed, 10) << "the case must separate pixels";
    EXPECT_LT(passed, 37 * 23 - 10);
  }
}

TEST(FilterRgb, DarkReferenceMatchesItsBrightColour) {
  // (0.3, 0, 0) is red: in modes 0 and 1 it finds pure red pixels of any brightness.
  const FrameBuffer in = Colour(3, 1, [](int x, int) {
    const uint8_t v[] = {255, 60, 0};
    return Bgra{0, static_cast<uint8_t>(x == 2 ? 200 : 0), v[x], 255};
  });
  for (int mode : {0, 1}) {
    Step step("filter_RGB");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setColors(u"Color", {Rgb(0.3, 0, 0)});
    step.ctx.setNumbers(u"Method", {static_cast<double>(mode)});
    step.ctx.setNumbers(u"Color Tolerance", {0.01});
    step.ctx.setColors(u"Foreground Color", {kWhite});
    step.ctx.setColors(u"Background Color", {kBlack});
    ASSERT_TRUE(step().ok);
    const FrameBuffer& out = *step.ctx.frame(u"Output Frame");
    EXPECT_EQ(out.pixel(0, 0)[0], 255) << mode;
    EXPECT_EQ(out.pixel(1, 0)[0], 255) << mode;
    EXPECT_EQ(out.pixel(2, 0)[0], 0) << mode;
  }
}

// A colour component that is not a number counts as 0 in both filters, as in
// the comparisons: the same answer and output as the colour with 0 in its
// place.
TEST(Filters, ComponentsThatAreNotNumbersCountAsZero) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const FrameBuffer in = Noise(16, 8, 3);
  const struct {
    TColor nan, zero;
  } cases[] = {
      {Rgb(1, kNaN, 0), Rgb(1, 0, 0)},
      {Rgb(kNaN, 0.5, 1), Rgb(0, 0.5, 1)},
      {Rgb(kNaN, kNaN, kNaN), Rgb(0, 0, 0)},
  };
  for (const auto& c : cases)
    for (const char* id : {"filter_HSL", "filter_RGB"}) {
      SCOPED_TRACE(testing::Message() << id << " " << c.zero.R << ", " << c.zero.G << ", " << c.zero.B);
      talvix::RunResult results[2];
      std::vector<uint8_t> outputs[2];
      for (int k = 0; k < 2; ++k) {
        Step step(id);
        step.ctx.setFrame(u"InputFrame", in);
        step.ctx.setColors(u"Color", {k == 0 ? c.nan : c.zero});
        step.ctx.setNumbers(u"Color Tolerance", {std::string(id) == "filter_HSL" ? 60.0 : 0.5});
        step.ctx.setColors(u"Foreground Color", {kWhite});
        step.ctx.setColors(u"Background Color", {kBlack});
        results[k] = step();
        if (const FrameBuffer* out = step.ctx.frame(u"Output Frame"); out && results[k].ok)
          for (int y = 0; y < out->depth(); ++y)
            for (int x = 0; x < out->width(); ++x) outputs[k].push_back(out->pixel(x, y)[0]);
      }
      EXPECT_EQ(results[0].ok, results[1].ok);
      EXPECT_EQ(results[0].error, results[1].error);
      EXPECT_EQ(outputs[0], outputs[1]);
    }
}

TEST(FilterRgb, MethodOutsideZeroToTwoFails) {
  for (double m : {3.0, -1.0}) {
    Step step("filter_RGB");
    step.ctx.setFrame(u"InputFrame", Noise(4, 4, 1));
    step.ctx.setNumbers(u"Method", {m});
    const talvix::RunResult r = step();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"Error: Incorrect parameter value") << m;
  }
}

// Sets up one filter run; the region path must equal the whole-frame path
// inside the region and keep the input outside it.
void SetUpFilter(talvix::RunContext& ctx, bool hsl, const FrameBuffer& in) {
  ctx.setFrame(u"InputFrame", in);
  if (hsl) {
    ctx.setColors(u"Color", {Rgb(1, 0.5, 0)});
    ctx.setNumbers(u"Color Tolerance", {40});
  } else {
    ctx.setColors(u"Color", {Rgb(0.5, 0.5, 0.2)});
    ctx.setNumbers(u"Method", {2});
    ctx.setNumbers(u"Color Tolerance", {0.3});
  }
  ctx.setColors(u"Foreground Color", {kWhite});
  ctx.setColors(u"Background Color", {kBlack});
}

TEST(Filters, RegionPathEqualsWholeFrameInsideTheRegion) {
  const FrameBuffer in = Noise(41, 29, 9);
  const TRectangularRegion region{20.0, 14.0, 17.0, 9.0, 0.0};
  for (bool hsl : {true, false}) {
    SCOPED_TRACE(hsl ? "filter_HSL" : "filter_RGB");
    const char* id = hsl ? "filter_HSL" : "filter_RGB";
    Step whole(id), part(id);
    SetUpFilter(whole.ctx, hsl, in);
    SetUpFilter(part.ctx, hsl, in);
    part.ctx.setRegions(u"Region", {region});
    ASSERT_TRUE(whole().ok);
    ASSERT_TRUE(part().ok);
    const FrameBuffer& w = *whole.ctx.frame(u"Output Frame");
    const FrameBuffer& p = *part.ctx.frame(u"Output Frame");
    int inside = 0;
    for (int y = 0; y < in.depth(); ++y) {
      for (int x = 0; x < in.width(); ++x) {
        const bool in_region = x >= 12 && x < 29 && y >= 10 && y < 19;  // centre 20, 14; 17 x 9
        inside += in_region;
        const uint8_t* want = in_region ? w.pixel(x, y) : in.pixel(x, y);
        ASSERT_EQ(0, std::memcmp(want, p.pixel(x, y), 4)) << x << "," << y;
      }
    }
    EXPECT_EQ(inside, 17 * 9);
  }
}

TEST(Filters, OneAndEightThreadsAgree) {
  const FrameBuffer in = Noise(301, 257, 3);
  for (bool hsl : {true, false}) {
    std::vector<std::vector<uint8_t>> outs;
    for (int threads : {1, 8}) {
      const int before = omp_get_max_threads();
      omp_set_num_threads(threads);
      Step step(hsl ? "filter_HSL" : "filter_RGB");
      SetUpFilter(step.ctx, hsl, in);
      const bool ok = step().ok;
      omp_set_num_threads(before);
      ASSERT_TRUE(ok);
      outs.push_back(step.ctx.frame(u"Output Frame")->bytes());
    }
    EXPECT_TRUE(outs[0] == outs[1]) << hsl;
  }
}

}  // namespace
