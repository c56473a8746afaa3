// The grey-value matcher end to end: smooth textured patterns placed in
// pictures at known places, turned and scaled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include <omp.h>

#include "cpu_time.h"
#include "gl_test_util.h"
#include "image_io.h"
#include "module_run.h"

namespace {

using talvix::FrameBuffer;

constexpr int kP = 32;  // pattern side

// A smooth texture: a few Gaussian blobs of either sign on grey.
double Texture(double u, double v, unsigned seed) {
  double g = 128;
  for (unsigned i = 0; i < 7; ++i) {
    const unsigned h = (seed * 7 + i) * 2654435761u;
    const double bx = (h % 29) + 1.5, by = ((h >> 8) % 29) + 1.5, s = 3 + (h >> 16) % 4;
    const double c = ((h >> 20) % 2 ? 1.0 : -1.0) * (50.0 + (h >> 21) % 50);
    g += c * std::exp(-((u - bx) * (u - bx) + (v - by) * (v - by)) / (2 * s * s));
  }
  return std::clamp(g, 0.0, 255.0);
}

FrameBuffer PatternFrame(unsigned seed) {
  FrameBuffer f = FrameBuffer::make(kP, kP, 8);
  for (int y = 0; y < kP; ++y)
    for (int x = 0; x < kP; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(std::lround(Texture(x, y, seed)));
  return f;
}

struct Placed {
  double cx, cy, turn, scale;  // where pattern pixel (16, 16) lands; degrees counter-clockwise
};

// A picture of a flat background with the pattern drawn at each place.
FrameBuffer Picture(int w, int h, unsigned seed, const std::vector<Placed>& places) {
  FrameBuffer f = FrameBuffer::make(w, h, 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double g = 128 + 20 * std::sin(x * 0.05) * std::cos(y * 0.07);
      for (const Placed& p : places) {
        const double t = p.turn * M_PI / 180, dx = x - p.cx, dy = y - p.cy;
        const double u = (std::cos(t) * dx + std::sin(t) * dy) / p.scale + kP / 2;
        const double v = (-std::sin(t) * dx + std::cos(t) * dy) / p.scale + kP / 2;
        const double nu = std::floor(u + 0.5), nv = std::floor(v + 0.5);  // the nearest pattern pixel
        if (nu >= 0 && nv >= 0 && nu < kP && nv < kP) g = Texture(nu, nv, seed);
      }
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::lround(g));
    }
  }
  return f;
}

// The correlation of the whole pattern with the picture at a place, in double.
double Correlation(const FrameBuffer& picture, const FrameBuffer& pattern, const Placed& p) {
  const double t = p.turn * M_PI / 180;
  double sf = 0, sp = 0, sff = 0, spp = 0, sfp = 0;
  const int n = kP * kP;
  for (int v = 0; v < kP; ++v) {
    for (int u = 0; u < kP; ++u) {
      const double du = (u - kP / 2) * p.scale, dv = (v - kP / 2) * p.scale;
      const int x = static_cast<int>(std::floor(p.cx + std::cos(t) * du - std::sin(t) * dv + 0.5));
      const int y = static_cast<int>(std::floor(p.cy + std::sin(t) * du + std::cos(t) * dv + 0.5));
      const double f = picture.pixel(std::clamp(x, 0, picture.width() - 1), std::clamp(y, 0, picture.depth() - 1))[0];
      const double q = pattern.pixel(u, v)[0];
      sf += f, sp += q, sff += f * f, spp += q * q, sfp += f * q;
    }
  }
  return (sfp - sf * sp / n) / std::sqrt((sff - sf * sf / n) * (spp - sp * sp / n));
}

struct Search {
  double beginRotation = 0, endRotation = 0, rotationStep = 5, beginScale = 1, endScale = 1, scaleStep = 0.1;
};

std::vector<TRectangle> Find(module_test::MethodRun& run, const FrameBuffer& picture, const FrameBuffer& pattern,
                             const Search& s, int max, double requested = 0.7) {
  run.ctx.setFrame(u"input frame", picture);
  run.ctx.setFrame(u"pattern", pattern);
  run.ctx.setNumbers(u"begin rotation", {s.beginRotation});
  run.ctx.setNumbers(u"end rotation", {s.endRotation});
  run.ctx.setNumbers(u"rotation step", {s.rotationStep});
  run.ctx.setNumbers(u"begin scale", {s.beginScale});
  run.ctx.setNumbers(u"end scale", {s.endScale});
  run.ctx.setNumbers(u"scale step", {s.scaleStep});
  run.ctx.setNumbers(u"maximal number of found patterns", {double(max)});
  run.ctx.setNumbers(u"requested correlation", {requested});
  EXPECT_TRUE(run().ok);
  return run.ctx.rectangles(u"found rectangle");
}

TEST(GreyPattern, FoundWhereItWasPlaced) {
  REQUIRE_GL();
  const FrameBuffer pattern = PatternFrame(3);
  struct Case {
    const char* name;
    std::vector<Placed> places;
    Search search;
  };
  const std::vector<Case> cases = {
      {"two upright", {{40, 35, 0, 1}, {100, 60, 0, 1}}, {}},
      {"turned by 30 degrees", {{60, 48, 30, 1}}, {0, 60, 5}},
      {"turned by -20 degrees within a whole turn", {{60, 48, -20, 1}}, {0, 360, 10}},
      {"scaled by 1.2", {{60, 48, 0, 1.2}}, {0, 0, 5, 1, 1.4, 0.1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    module_test::MethodRun run("nesbar", "gpu_pattern");
    const FrameBuffer picture = Picture(128, 96, 3, c.places);
    const std::vector<TRectangle> found = Find(run, picture, pattern, c.search, 5);
    ASSERT_EQ(found.size(), c.places.size());
    const auto scores = run.ctx.numbers(u"found correlation");
    const auto scales = run.ctx.numbers(u"found scale");
    for (const Placed& p : c.places) {
      const auto it = std::find_if(found.begin(), found.end(), [&](const TRectangle& r) {
        return std::hypot(r.cx - p.cx, r.cy - p.cy) <= 1.0;
      });
      ASSERT_NE(it, found.end()) << p.cx << ", " << p.cy;
      const size_t i = static_cast<size_t>(it - found.begin());
      EXPECT_NEAR(std::remainder(it->angle - p.turn, 360.0), 0.0, 5.0);
      EXPECT_NEAR(scales[i], p.scale, 0.1);
      EXPECT_NEAR(it->width, kP * scales[i], 1e-9);
      const Placed at{it->cx, it->cy, it->angle, scales[i]};
      EXPECT_NEAR(scores[i], Correlation(picture, pattern, at), 0.02);
    }
  }
}

TEST(GreyPattern, NothingInAPictureWithoutIt) {
  REQUIRE_GL();
  module_test::MethodRun run("nesbar", "gpu_pattern");
  const std::vector<TRectangle> found = Find(run, Picture(128, 96, 3, {}), PatternFrame(3), {0, 360, 10}, 5);
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(run.ctx.numbers(u"number of found patterns"), std::vector<double>{0});
}

// Copies cut by the frame's top or right edge: the passes read the part off
// the frame as the clamped edge and could score it high. A place is reported
// only when its rectangle lies on the frame but for a few percent; a copy
// elsewhere is found as before, upright or in a turned search.
TEST(GreyPattern, NoPlaceMostlyOffTheFrame) {
  REQUIRE_GL();
  const FrameBuffer pattern = PatternFrame(3);
  struct Case {
    const char* name;
    Placed cut;
    bool found;  // the cut copy
  };
  // The picture is 128 x 96, its pixels reaching to 127.5 and 95.5; the pattern is 32 x 32.
  const Case cases[] = {
      {"touching the top", {80, 79.5, 0, 1}, true},
      {"3 % past the top", {80, 80.5, 0, 1}, true},
      {"25 % past the top", {80, 87.5, 0, 1}, false},
      {"44 % past the top", {80, 93.5, 0, 1}, false},
      {"30 % past the right edge", {121.5, 50, 0, 1}, false},
  };
  for (const Case& c : cases) {
    for (const Search& s : {Search{}, Search{-30, 30, 5}}) {
      SCOPED_TRACE(testing::Message() << c.name << ", rotations " << s.beginRotation << " to " << s.endRotation);
      module_test::MethodRun run("nesbar", "gpu_pattern");
      const FrameBuffer picture = Picture(128, 96, 3, {{30, 30, 0, 1}, c.cut});
      const std::vector<TRectangle> found = Find(run, picture, pattern, s, 5);
      const auto near = [&](double x, double y) {
        return std::any_of(found.begin(), found.end(),
                           [&](const TRectangle& r) { return std::hypot(r.cx - x, r.cy - y) <= 1.5; });
      };
      EXPECT_TRUE(near(30, 30));
      EXPECT_EQ(near(c.cut.cx, c.cut.cy), c.found);
      EXPECT_EQ(found.size(), c.found ? 2u : 1u);
      for (const TRectangle& r : found) {
        EXPECT_GE(r.angle, 0.0);
        EXPECT_LT(r.angle, 360.0);
        EXPECT_TRUE(r.angle <= 30.01 || r.angle >= 329.99) << r.angle;
      }
    }
  }
}

// Angles come out in [0, 360) and within the searched range: a search of
// -30 to 30 reports copies turned by 20 and -20 as 20 and 340; one turned
// past the range is reported at most at the range's nearer end, however far
// the refinement about the ends reaches. Two requested correlations (coarse
// and fine) are both read: no warning that only the first counts.
TEST(GreyPattern, AnglesWithinTheSearchedRange) {
  REQUIRE_GL();
  const FrameBuffer pattern = PatternFrame(3);
  struct Case {
    const char* name;
    Search search;
    double turn;
    bool found;  // false: found at most at the angle given
    double angle, tolerance;
  };
  const Case cases[] = {
      {"20 in -30 to 30", {-30, 30, 5}, 20, true, 20, 2},
      {"-20 in -30 to 30", {-30, 30, 5}, -20, true, 340, 2},
      {"-29 in -30 to 30", {-30, 30, 5}, -29, true, 331, 2},
      {"-34 in -30 to 30", {-30, 30, 5}, -34, false, 330, 0.01},
      {"-45 in -30 to 30", {-30, 30, 5}, -45, false, 330, 0.01},
      {"36 in -30 to 30", {-30, 30, 5}, 36, false, 30, 0.01},
      {"22.6 in a whole turn", {0, 360, 10}, 22.6, true, 22.6, 5},
      {"357 in a whole turn", {0, 360, 10}, 357, true, 357, 5},
      {"1 in 0 to 45", {0, 45, 5}, 1, true, 1, 2},
      // Steps that do not divide the range: a copy between the last coarse
      // angle and the range's end is found at its angle.
      {"29 in -30 to 30 by 7", {-30, 30, 7}, 29, true, 29, 2},
      {"19 in 350 to 20 by 8", {350, 20, 8}, 19, true, 19, 2},
      {"44 in 0 to 45 by 8", {0, 45, 8}, 44, true, 44, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    module_test::MethodRun run("nesbar", "gpu_pattern");
    run.ctx.setNumbers(u"requested correlation", {0.7, 0.75});
    const FrameBuffer picture = Picture(128, 96, 3, {{60, 48, c.turn, 1}});
    run.ctx.setFrame(u"input frame", picture);
    run.ctx.setFrame(u"pattern", pattern);
    run.ctx.setNumbers(u"begin rotation", {c.search.beginRotation});
    run.ctx.setNumbers(u"end rotation", {c.search.endRotation});
    run.ctx.setNumbers(u"rotation step", {c.search.rotationStep});
    run.ctx.setNumbers(u"maximal number of found patterns", {5});
    ASSERT_TRUE(run().ok);
    EXPECT_TRUE(run.ctx.warnings().empty()) << talvix::ToUtf8(run.ctx.warnings().at(0));
    const std::vector<TRectangle> found = run.ctx.rectangles(u"found rectangle");
    ASSERT_EQ(found.size(), c.found ? 1u : found.size());
    ASSERT_LE(found.size(), 1u);
    for (const TRectangle& r : found) {
      EXPECT_NEAR(r.cx, 60, 1.0);
      EXPECT_NEAR(r.cy, 48, 1.0);
      EXPECT_GE(r.angle, 0.0);
      EXPECT_LT(r.angle, 360.0);
      EXPECT_NEAR(std::remainder(r.angle - c.angle, 360.0), 0.0, c.tolerance);
    }
    for (double score : run.ctx.numbers(u"found correlation")) EXPECT_GE(score, 0.75);
  }
}

}  // namespace

namespace {

TEST(GreyPattern, ANewFrameSizeAndANewPatternOnOneInstance) {
  REQUIRE_GL();
  module_test::MethodRun run("nesbar", "gpu_pattern");
  struct Case {
    int w, h;
    unsigned seed;
    Placed at;
  };
  // The second picture is smaller, the third larger, the last holds another pattern.
  for (const Case& c : {Case{128, 96, 3, {40, 35, 0, 1}}, Case{96, 64, 3, {70, 30, 0, 1}},
                        Case{160, 120, 3, {120, 90, 0, 1}}, Case{160, 120, 5, {50, 60, 0, 1}}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " pattern " + std::to_string(c.seed));
    const std::vector<TRectangle> found = Find(run, Picture(c.w, c.h, c.seed, {c.at}), PatternFrame(c.seed), {}, 5);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].cx, c.at.cx, 1.0);
    EXPECT_NEAR(found[0].cy, c.at.cy, 1.0);
  }
}

// A pattern cut from a picture of smooth shading (the sample scene): windows
// of shading alone, such as the frame's corners where samples repeat the
// edge, score nothing; the best score is the pattern's own place, at most 1.
TEST(GreyPattern, PatternsCutFromSmoothShadingFoundInPlace) {
  REQUIRE_GL();
  std::string error;
  const FrameBuffer picture = modhost::ReadImage(VISION_SOURCE_DIR "/samples/scene_colour.png", 0, &error);
  ASSERT_TRUE(error.empty()) << error;
  struct Case {
    int x, y, w, h;  // the cut, in frame pixels (rows up)
  };
  // The blue square on the grass, and the roof against the sky.
  for (const Case c : {Case{150, 30, 80, 80}, Case{100, 100, 100, 80}}) {
    SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
    FrameBuffer pattern = FrameBuffer::make(c.w, c.h, 32);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) std::copy_n(picture.pixel(c.x + x, c.y + y), 4, pattern.pixel(x, y));
    module_test::MethodRun run("nesbar", "gpu_pattern");
    const std::vector<TRectangle> found = Find(run, picture, pattern, {}, 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].cx, c.x + c.w / 2, 1.0);
    EXPECT_NEAR(found[0].cy, c.y + c.h / 2, 1.0);
    EXPECT_LE(run.ctx.numbers(u"found correlation")[0], 1.01);
  }
}

TEST(GreyPattern, AMissingPattern) {
  module_test::MethodRun grey("nesbar", "gpu_pattern");
  grey.ctx.setFrame(u"input frame", FrameBuffer::make(32, 32, 8));
  EXPECT_EQ(grey().error, u"Cannot get pattern frame");
}

// Black and white: the texture thresholded at mid-grey.
FrameBuffer BlackAndWhite(const FrameBuffer& f, int bpp) {
  FrameBuffer out = FrameBuffer::make(f.width(), f.depth(), bpp);
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      const uint8_t v = f.pixel(x, y)[0] >= 128 ? 230 : 20;
      for (int c = 0; c < bpp / 8; ++c) out.pixel(x, y)[c] = c == 3 ? 255 : v;
    }
  return out;
}

TEST(BinaryPattern, FoundWhereItWasPlaced) {
  REQUIRE_GL();
  const FrameBuffer pattern = BlackAndWhite(PatternFrame(3), 8);
  struct Case {
    const char* name;
    std::vector<Placed> places;
    Search search;
    double step, threshold;
    int bpp;
    size_t expected;
  };
  const std::vector<Case> cases = {
      {"upright, step 5", {{40, 35, 0, 1}}, {}, 5, 0.5, 8, 1},
      {"upright, step 1", {{40, 35, 0, 1}}, {}, 1, 0.5, 8, 1},
      {"32-bit picture", {{90, 60, 0, 1}}, {}, 3, 0.5, 32, 1},
      {"turned by 30 degrees", {{60, 48, 30, 1}}, {0, 60, 5}, 2, 0.5, 8, 1},
      {"scaled by 1.2", {{60, 48, 0, 1.2}}, {0, 0, 5, 1, 1.4, 0.1}, 2, 0.5, 8, 1},
      // Everything below the threshold: a uniform pattern matches nothing.
      {"a uniform pattern", {{40, 35, 0, 1}}, {}, 5, 0.95, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    module_test::MethodRun run("nesbar", "gpu_pattern_binary");
    run.ctx.setNumbers(u"pattern sampling step", {c.step});
    run.ctx.setNumbers(u"threshold for binary patterns", {c.threshold});
    const FrameBuffer picture = BlackAndWhite(Picture(128, 96, 3, c.places), c.bpp);
    // The best match, where the pattern was placed.
    const std::vector<TRectangle> found = Find(run, picture, pattern, c.search, 1);
    ASSERT_EQ(found.size(), c.expected);
    if (c.expected == 0) continue;
    EXPECT_NEAR(found[0].cx, c.places[0].cx, 1.0);
    EXPECT_NEAR(found[0].cy, c.places[0].cy, 1.0);
    EXPECT_NEAR(std::remainder(found[0].angle - c.places[0].turn, 360.0), 0.0, 5.0);
    EXPECT_NEAR(run.ctx.numbers(u"found scale").at(0), c.places[0].scale, 0.1);
  }
}

// A number that is no finite float takes the input's default: the plan never
// sees NaN or infinity, and the run finds the pattern in its usual time.
TEST(BinaryPattern, NonFiniteSearchNumbersTakeTheDefault) {
  REQUIRE_GL();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
  const FrameBuffer pattern = BlackAndWhite(PatternFrame(3), 8);
  const FrameBuffer picture = BlackAndWhite(Picture(128, 96, 3, {{40, 35, 0, 1}}), 8);
  const std::u16string inputs[] = {u"begin scale",    u"end scale",     u"scale step",
                                   u"begin rotation", u"end rotation",  u"rotation step"};
  for (const std::u16string& input : inputs) {
    for (double value : {kNaN, kInf, -kInf, 1e300}) {
      SCOPED_TRACE(talvix::ToUtf8(input) + " " + std::to_string(value));
      module_test::MethodRun run("nesbar", "gpu_pattern_binary");
      run.ctx.setNumbers(u"pattern sampling step", {2});
      const test_cost::CpuStopwatch cost;
      run.ctx.setFrame(u"input frame", picture);
      run.ctx.setFrame(u"pattern", pattern);
      run.ctx.setNumbers(u"requested correlation", {0.7});
      run.ctx.setNumbers(input, {value});
      ASSERT_TRUE(run().ok);
      EXPECT_LT(cost.seconds(), 20.0);
      const auto found = run.ctx.rectangles(u"found rectangle");
      ASSERT_EQ(found.size(), 1u);
      EXPECT_NEAR(found[0].cx, 40, 1.0);
      EXPECT_NEAR(found[0].cy, 35, 1.0);
      EXPECT_EQ(run.ctx.numbers(u"found scale").at(0), 1.0);
    }
  }
}

TEST(BinaryPattern, Corrections) {
  REQUIRE_GL();
  struct Case {
    std::u16string input;
    double value;
    std::u16string corrected;  // "" when nothing is corrected
  };
  const std::vector<Case> cases = {
      {u"pattern sampling step", 0, u"new value 1.000000."},
      {u"pattern sampling step", 0.4, u"new value 1.000000."},
      {u"pattern sampling step", 300, u"new value 250.000000."},
      {u"pattern sampling step", -7, u""},
      {u"threshold for binary patterns", -0.3, u""},
      {u"threshold for binary patterns", 1.5, u"new value 1.000000."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.input) + " " + std::to_string(c.value));
    module_test::MethodRun run("nesbar", "gpu_pattern_binary");
    run.ctx.setFrame(u"input frame", FrameBuffer::make(48, 40, 8, 90));
    run.ctx.setFrame(u"pattern", BlackAndWhite(PatternFrame(3), 8));
    run.ctx.setNumbers(c.input, {c.value});
    ASSERT_TRUE(run().ok);
    const auto& w = run.ctx.warnings();
    ASSERT_EQ(w.size(), c.corrected.empty() ? 0u : 1u);
    if (!c.corrected.empty()) {
      EXPECT_TRUE(w[0].ends_with(c.corrected)) << talvix::ToUtf8(w[0]);
    }
  }
}

}  // namespace

namespace {

// Both thread counts a host may run with.
template <class F>
void AtOneAndEightThreads(F f) {
  const int before = omp_get_max_threads();
  for (int threads : {1, 8}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    omp_set_num_threads(threads);
    f();
  }
  omp_set_num_threads(before);
}

// A square pattern of shaded hard-edged shapes, rectangles and striped
// ellipses, softened by a 3 x 3 mean: edges that a turned or scaled pose can
// half match from a few pixels away.
FrameBuffer Shapes(int side, unsigned seed) {
  std::vector<double> g(static_cast<size_t>(side) * side);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> U(0, 1);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) g[y * side + x] = 90 + 1.2 * x + 0.6 * y;
  for (int k = 0; k < 7; ++k) {
    const double cx = U(rng) * side, cy = U(rng) * side, a = 6 + U(rng) * side / 2, b = 4 + U(rng) * side / 3;
    const double t = U(rng) * M_PI, c = std::cos(t), s = std::sin(t), grey = 20 + 215 * U(rng), stripe = 3 + U(rng) * 5;
    const bool ellipse = k % 2;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const double u = c * (x - cx) + s * (y - cy), v = -s * (x - cx) + c * (y - cy);
        const bool in = ellipse ? u * u / (a * a) + v * v / (b * b) <= 1 : std::fabs(u) <= a && std::fabs(v) <= b;
        if (in) g[y * side + x] = grey + (ellipse ? 40 * std::sin(u / stripe * M_PI) : 0);
      }
  }
  FrameBuffer f = FrameBuffer::make(side, side, 8);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      double sum = 0;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) sum += g[std::clamp(y + j, 0, side - 1) * side + std::clamp(x + i, 0, side - 1)];
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(std::lround(sum / 9), 0L, 255L));
    }
  return f;
}

// An unrotated copy beside two look-alikes (its mirror image and a copy
// whose right half is other shapes), searched over 0 to 45 degrees and
// scales 0.7 to 1.3: the coarse grid (7 pixels) meets the copy a few pixels
// off, where a turned or scaled pose scores best; the copy must still be
// reported in place in its own pose.
TEST(GreyPattern, AnUnrotatedCopyAmongLookAlikesIsFoundUpright) {
  REQUIRE_GL();
  constexpr int kSide = 70;
  for (unsigned seed : {4u, 17u}) {
    SCOPED_TRACE("shapes " + std::to_string(seed));
    const FrameBuffer pattern = Shapes(kSide, seed), other = Shapes(kSide, seed + 100);
    FrameBuffer picture = FrameBuffer::make(4 * kSide, 2 * kSide, 8, 128);
    const int off = static_cast<int>(seed % 4) + 1, cx = kSide / 2 + off + 3, cy = kSide / 2 + off + 20;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        picture.pixel(cx - kSide / 2 + x, cy - kSide / 2 + y)[0] = pattern.pixel(x, y)[0];
        picture.pixel(kSide + 20 + x, 5 + y)[0] = pattern.pixel(kSide - 1 - x, y)[0];
        picture.pixel(2 * kSide + 40 + x, 30 + y)[0] = (x < kSide / 2 ? pattern : other).pixel(x, y)[0];
      }
    AtOneAndEightThreads([&] {
      for (double requested : {0.5, 0.8}) {
        SCOPED_TRACE(requested);
        module_test::MethodRun run("nesbar", "gpu_pattern");
        const std::vector<TRectangle> found = Find(run, picture, pattern, {0, 45, 5, 0.7, 1.3, 0.1}, 1, requested);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].cx, cx);
        EXPECT_EQ(found[0].cy, cy);
        EXPECT_LT(std::fabs(found[0].angle), 1.0);
        EXPECT_NEAR(run.ctx.numbers(u"found scale").at(0), 1.0, 0.01);
        EXPECT_GT(run.ctx.numbers(u"found correlation").at(0), 0.99);
      }
    });
  }
}

// A pattern without texture (one grey, or every pixel transparent) matches
// nothing, rather than everywhere at 1.
TEST(GreyPattern, APatternWithoutTextureFindsNothing) {
  REQUIRE_GL();
  const FrameBuffer picture = Picture(128, 96, 3, {{40, 35, 0, 1}});
  for (const FrameBuffer& pattern : {FrameBuffer::make(40, 30, 8, 99), FrameBuffer::make(300, 3, 8, 128),
                                     FrameBuffer::make(20, 20, 32, 99)}) {
    SCOPED_TRACE(std::to_string(pattern.width()) + "x" + std::to_string(pattern.depth()));
    for (const Search& s : {Search{}, Search{0, 30, 10}}) {
      module_test::MethodRun run("nesbar", "gpu_pattern");
      EXPECT_TRUE(Find(run, picture, pattern, s, 5).empty());
    }
  }
}

// A scanned region is cut at the frame's edges: a region wholly left of or
// below the frame finds nothing, one reaching over the left edge only what
// lies inside it.
TEST(BothMethods, ARegionPastTheLeftOrLowerEdgeIsCut) {
  REQUIRE_GL();
  const FrameBuffer grey = PatternFrame(3);
  const FrameBuffer greyPicture = Picture(128, 96, 3, {{20, 20, 0, 1}, {60, 60, 0, 1}});
  struct Case {
    const char* name;
    TRectangularRegion region;
    std::vector<std::pair<double, double>> expected;
  };
  const std::vector<Case> cases = {
      {"wholly left", {-60, 48, 80, 96, 0}, {}},
      {"wholly below", {64, -70, 128, 100, 0}, {}},
      {"left and below", {-60, -60, 80, 80, 0}, {}},
      // x from -40 to 40: the match at x = 60 lies outside.
      {"over the left edge", {0, 48, 80, 96, 0}, {{20, 20}}},
      // y from -50 to 30: the match at y = 60 lies outside.
      {"over the lower edge", {64, -10, 128, 80, 0}, {{20, 20}}},
      {"round the frame", {64, 48, 400, 300, 0}, {{20, 20}, {60, 60}}},
  };
  for (const char* method : {"gpu_pattern", "gpu_pattern_binary"}) {
    const bool binary = std::string(method) == "gpu_pattern_binary";
    const FrameBuffer pattern = binary ? BlackAndWhite(grey, 8) : grey;
    const FrameBuffer picture = binary ? BlackAndWhite(greyPicture, 8) : greyPicture;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(method) + ": " + c.name);
      AtOneAndEightThreads([&] {
        module_test::MethodRun run("nesbar", method);
        run.ctx.setRegions(u"scanned region", {c.region});
        if (binary) run.ctx.setNumbers(u"pattern sampling step", {2});
        const std::vector<TRectangle> found = Find(run, picture, pattern, {}, 5);
        ASSERT_EQ(found.size(), c.expected.size());
        for (auto [x, y] : c.expected) {
          EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const TRectangle& r) {
            return std::hypot(r.cx - x, r.cy - y) <= 1.0;
          })) << x << ", " << y;
        }
        for (double score : run.ctx.numbers(u"found correlation")) EXPECT_LE(score, 1.0);
      });
    }
  }
}

// A binary pattern whose rarer value covers only a few samples matches any
// place where those few agree; it answers not found. Bright 5 x 5 dots on
// dark, centred on the sampling grid (step 5 over 41 x 41: 81 samples), wide
// enough to be met from the coarse grid points every 4 pixels.
FrameBuffer Dots(int w, int h, const std::vector<std::pair<int, int>>& dots) {
  FrameBuffer f = FrameBuffer::make(w, h, 8, 20);
  for (auto [x, y] : dots)
    for (int j = -2; j <= 2; ++j)
      for (int i = -2; i <= 2; ++i) f.pixel(x + i, y + j)[0] = 230;
  return f;
}

TEST(BinaryPattern, AFewSamplesOfOneValueFindNothing) {
  REQUIRE_GL();
  const std::vector<std::pair<int, int>> grid = {{5, 5},   {35, 10}, {20, 20}, {10, 30}, {30, 35},
                                                 {15, 10}, {25, 30}, {35, 25}, {5, 20}};
  struct Case {
    size_t dots;  // bright samples of 81
    bool found;
  };
  // From 8 samples of the rarer value on, the pattern is found in its place.
  for (const Case c : {Case{2, false}, Case{5, false}, Case{7, false}, Case{8, true}, Case{9, true}}) {
    SCOPED_TRACE(std::to_string(c.dots) + " bright samples");
    const std::vector<std::pair<int, int>> dots(grid.begin(), grid.begin() + c.dots);
    const FrameBuffer pattern = Dots(41, 41, dots);
    // The pattern at (51, 40); its first two dots again, far from it.
    std::vector<std::pair<int, int>> scene;
    for (auto [x, y] : dots) scene.push_back({x + 31, y + 20});
    for (auto [x, y] : {grid[0], grid[1]}) scene.push_back({x + 140, y + 90});
    const FrameBuffer picture = Dots(200, 150, scene);
    AtOneAndEightThreads([&] {
      for (const Search& s : {Search{}, Search{0, 30, 10}}) {
        module_test::MethodRun run("nesbar", "gpu_pattern_binary");
        const std::vector<TRectangle> found = Find(run, picture, pattern, s, 5);
        if (!c.found) {
          EXPECT_TRUE(found.empty());
          continue;
        }
        ASSERT_FALSE(found.empty());
        // Within the dots' half width, every shift scores 1.
        EXPECT_NEAR(found[0].cx, 51, 2.0);
        EXPECT_NEAR(found[0].cy, 40, 2.0);
      }
    });
  }
}

}  // namespace
