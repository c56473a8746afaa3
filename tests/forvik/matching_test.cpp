// Geometric matching of a drawn pattern in scenes made from it under known
// similarities.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "forvik_run.h"

namespace {

using forvik_test::Grey;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

// An irregular pentagon with one round hole: no symmetry, so a turn, a
// scale and a mirror image are all told apart.
constexpr double kPoly[][2] = {{15, 15}, {100, 22}, {106, 82}, {58, 86}, {18, 62}};
constexpr double kHole[] = {52, 46, 12};
constexpr int kPw = 120, kPd = 100;

bool InShape(double x, double y) {
  bool in = false;
  for (int i = 0, j = 4; i < 5; j = i++) {
    if ((kPoly[i][1] > y) != (kPoly[j][1] > y) &&
        x < (kPoly[j][0] - kPoly[i][0]) * (y - kPoly[i][1]) / (kPoly[j][1] - kPoly[i][1]) + kPoly[i][0])
      in = !in;
  }
  return in && std::hypot(x - kHole[0], y - kHole[1]) > kHole[2];
}

struct Pose {
  double x, y;  // where the pattern centre lands
  double deg, scale;
  bool mirrored = false;
};

// Light shapes on a dark ground, 4x4 supersampled; each pose maps pattern
// coordinates p to centre + scale * turn(p - pattern centre).
FrameBuffer Scene(int w, int d, const std::vector<Pose>& poses) {
  return Grey(w, d, [&](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const double px = x + (sx + 0.5) / 4 - 0.5, py = y + (sy + 0.5) / 4 - 0.5;
        for (const Pose& p : poses) {
          const double t = p.deg * std::numbers::pi / 180, dx = px - p.x, dy = py - p.y;
          double u = (dx * std::cos(t) + dy * std::sin(t)) / p.scale, v = (-dx * std::sin(t) + dy * std::cos(t)) / p.scale;
          if (p.mirrored) v = -v;
          if (InShape(u + kPw / 2.0, v + kPd / 2.0)) {
            ++hits;
            break;
          }
        }
      }
    return (210 * hits + 40 * (16 - hits)) / 16;
  });
}

FrameBuffer Pattern() { return Scene(kPw, kPd, {{kPw / 2.0, kPd / 2.0, 0, 1}}); }

void Prepare(MethodRun& run, const FrameBuffer& scene, const FrameBuffer& pattern, double maxResults = 1) {
  run.ctx.setFrame(u"Input frame", scene);
  run.ctx.setFrame(u"Pattern frame", pattern);
  run.ctx.setNumbers(u"Horizontal template scanline number", {10});
  run.ctx.setNumbers(u"Vertical template scanline number", {10});
  run.ctx.setNumbers(u"Horizontal camera scanline number", {40});
  run.ctx.setNumbers(u"Vertical camera scanline number", {40});
  run.ctx.setNumbers(u"Image quality", {0.9});
  run.ctx.setNumbers(u"Upper scaling limit [0-]", {2.0});
  run.ctx.setNumbers(u"Lower scaling limit [0-]", {0.5});
  run.ctx.setNumbers(u"Maximum number of pattern occurancies", {maxResults});
}

void ExpectPose(const TRectangle& r, const Pose& p) {
  EXPECT_NEAR(r.cx, p.x, 2.0);
  EXPECT_NEAR(r.cy, p.y, 2.0);
  double turn = std::fmod(r.angle - p.deg + 720, 360);
  if (turn > 180) turn -= 360;
  EXPECT_NEAR(turn, 0, 2.0);
  EXPECT_NEAR(r.width / kPw, p.scale, 0.03 * p.scale);
  EXPECT_NEAR(r.height / kPd, p.scale, 0.03 * p.scale);
}

// Centre within 2 px, angle within 2 degrees, scale within 3 %: the corners
// are line intersections of fits over many border pixels and the hole's
// centre a circle fit, each good to a fraction of a pixel.
TEST(GeometricMatching, FindsThePatternUnderTurnsAndScales) {
  const Pose poses[] = {{200.3, 190.6, 0, 1},    {210.5, 200.2, 37, 1.0},  {190.2, 205.7, 128, 1.3},
                        {205.6, 195.3, 215, 0.6}, {200.4, 200.8, 300, 1.8}, {198.7, 203.1, 181, 0.8}};
  MethodRun run("geometric_matching");
  const FrameBuffer pattern = Pattern();
  for (const Pose& p : poses) {
    SCOPED_TRACE(testing::Message() << "turn " << p.deg << ", scale " << p.scale);
    Prepare(run, Scene(420, 400, {p}), pattern);
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    EXPECT_EQ(run.ctx.numbers(u"Result number"), std::vector<double>{1});
    const auto rects = run.ctx.rectangles(u"Result rectangles");
    ASSERT_EQ(rects.size(), 1u);
    ExpectPose(rects[0], p);
    const auto systems = run.ctx.coordinateSystems(u"Result coordinate systems");
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_DOUBLE_EQ(systems[0].angle, rects[0].angle);
  }
}

// Triangles differ from their mirror images in turn; only a nearly isosceles
// one (stored both ways) can pair with its mirror, and then little more of
// the pattern follows: a limit above half the elements rejects it.
TEST(GeometricMatching, MirrorImageIsNotFound) {
  MethodRun run("geometric_matching");
  Prepare(run, Scene(420, 400, {{200.3, 190.6, 20, 1, true}}), Pattern());
  run.ctx.setNumbers(u"Matching Limit", {0.8});
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"There is no geometric match");
  EXPECT_TRUE(run.ctx.numbers(u"Result number").empty());
}

TEST(GeometricMatching, MaximumNumberOfOccurrences) {
  const std::vector<Pose> copies = {{110.2, 110.7, 10, 1}, {330.6, 120.3, 100, 1}, {220.4, 330.5, 250, 1}};
  const FrameBuffer scene = Scene(460, 440, copies);
  for (const double maxResults : {1.0, 3.0}) {
    SCOPED_TRACE(testing::Message() << "maximum " << maxResults);
    MethodRun run("geometric_matching");
    Prepare(run, scene, Pattern(), maxResults);
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    const auto rects = run.ctx.rectangles(u"Result rectangles");
    ASSERT_EQ(rects.size(), static_cast<size_t>(maxResults));
    EXPECT_EQ(run.ctx.maxIndex(u"Result rectangles"), static_cast<int>(maxResults) - 1);
    EXPECT_EQ(run.ctx.maxIndex(u"Result number"), 0);
    EXPECT_EQ(run.ctx.numbers(u"Result number"), std::vector<double>{maxResults});
    for (const TRectangle& rect : rects) {
      const auto near = std::count_if(copies.begin(), copies.end(), [&](const Pose& p) {
        return std::hypot(rect.cx - p.x, rect.cy - p.y) < 2.0;
      });
      EXPECT_EQ(near, 1) << rect.cx << ", " << rect.cy;
    }
  }
}

TEST(GeometricMatching, FailureTexts) {
  const FrameBuffer pattern = Pattern(), scene = Scene(420, 400, {{200.3, 190.6, 37, 1}});
  const FrameBuffer disc = Grey(kPw, kPd, [](int x, int y) { return std::hypot(x - 60, y - 50) < 20 ? 210 : 40; });
  struct Case {
    const char* name;
    FrameBuffer scene, pattern;
    std::u16string error;
  } cases[] = {
      {"pattern larger than the scene", Scene(100, 300, {}), pattern,
       u"error: The size of pattern frame is bigger than source frame in one or two dimensions"},
      {"blank pattern", scene, FrameBuffer::make(kPw, kPd, 8, 40), u"error: No tracable contour on pattern frame"},
      {"one disc is too few elements", scene, disc, u"error: There is not enough feature on pattern frame"},
      {"blank scene", FrameBuffer::make(420, 400, 8, 40), pattern, u"error: No tracable contour on source frame"},
      {"blank 24-bit scene", FrameBuffer::make(420, 400, 24, 40), pattern,
       u"error: No tracable contour on source frame"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MethodRun run("geometric_matching");
    Prepare(run, c.scene, c.pattern);
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
  MethodRun run("geometric_matching");
  EXPECT_EQ(run().error, u"error: Cannot get source frame");
  run.ctx.setFrame(u"Input frame", scene);
  EXPECT_EQ(run().error, u"error: Cannot get pattern frame");
}

// The pattern model and the search read 24-bit frames as their grey and
// 32-bit twins.
TEST(GeometricMatching, TwentyFourBitFramesMatchAsTheirTwins) {
  const FrameBuffer scene = Scene(420, 400, {{200.3, 190.6, 37, 1}}), pattern = Pattern();
  std::vector<TRectangle> found[3];
  int k = 0;
  for (int bpp : {8, 24, 32}) {
    SCOPED_TRACE(bpp);
    MethodRun run("geometric_matching");
    Prepare(run, forvik_test::AtDepth(scene, bpp), forvik_test::AtDepth(pattern, bpp == 24 ? 24 : 8));
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    found[k] = run.ctx.rectangles(u"Result rectangles");
    ASSERT_EQ(found[k].size(), 1u);
    ExpectPose(found[k][0], {200.3, 190.6, 37, 1});
    ++k;
  }
  for (int i : {0, 2}) {
    EXPECT_EQ(found[1][0].cx, found[i][0].cx);
    EXPECT_EQ(found[1][0].cy, found[i][0].cy);
    EXPECT_EQ(found[1][0].angle, found[i][0].angle);
    EXPECT_EQ(found[1][0].width, found[i][0].width);
  }
}

TEST(GeometricMatching, CorrectedParameters) {
  struct Case {
    const char16_t* name;
    double value;
    const char16_t* now;
  } cases[] = {
      {u"Matching Limit", 1.5, u"0.600000"},          {u"Image quality", -0.2, u"0.700000"},
      {u"Upper scaling limit [0-]", 11, u"1.000000"}, {u"Matching precision", 2, u"0.200000"},
      {u"Maximum number of pattern occurancies", 0, u"1.000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.name));
    MethodRun run("geometric_matching");
    Prepare(run, Scene(420, 400, {{200.3, 190.6, 0, 1}}), Pattern());
    run.ctx.setNumbers(c.name, {c.value});
    run();
    ASSERT_EQ(run.ctx.warnings().size(), 1u);
    EXPECT_NE(run.ctx.warnings()[0].find(std::u16string(u"new value ") + c.now), std::u16string::npos)
        << talvix::ToUtf8(run.ctx.warnings()[0]);
  }
}

// A run stopped by the size check with a new pattern leaves no model to
// reuse: the next run with that pattern finds it, not the old one.
TEST(GeometricMatching, ModelIsRebuiltAfterAStoppedRun) {
  MethodRun run("geometric_matching");
  const FrameBuffer first = Pattern();
  // The second pattern: the first one turned a quarter and scaled.
  const FrameBuffer second = Scene(150, 170, {{75, 85, 90, 1.25}});
  const Pose secondAt{320.4, 200.6, 0, 1};
  Prepare(run, Scene(420, 400, {{200.3, 190.6, 0, 1}}), first);
  // A narrow scale range, so that each pattern matches only its own copy.
  run.ctx.setNumbers(u"Upper scaling limit [0-]", {1.1});
  run.ctx.setNumbers(u"Lower scaling limit [0-]", {0.9});
  ASSERT_TRUE(run().ok);
  run.ctx.setFrame(u"Pattern frame", second);
  run.ctx.setFrame(u"Input frame", Scene(140, 140, {}));
  EXPECT_FALSE(run().ok);
  // The first pattern at its own size and the second one elsewhere.
  run.ctx.setFrame(u"Input frame", Scene(460, 400, {{120.3, 290.6, 0, 1}, {320.4, 200.6, 90, 1.25}}));
  const talvix::RunResult r = run();
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const auto rects = run.ctx.rectangles(u"Result rectangles");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_NEAR(rects[0].cx, secondAt.x, 3.0);
  EXPECT_NEAR(rects[0].cy, secondAt.y, 3.0);
  EXPECT_NEAR(rects[0].width, 150, 5.0);
}

}  // namespace
