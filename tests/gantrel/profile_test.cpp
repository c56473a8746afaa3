// Edge profiles across a region: one point per scan line by threshold or by
// gradient, with the method's own absent-input defaults and the stored threshold.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

talvix::FrameBuffer Columns(const std::function<int(int)>& value, int width = 40, int depth = 20) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, depth, 8);
  for (int y = 0; y < depth; ++y)
    for (int x = 0; x < width; ++x) *f.pixel(x, y) = static_cast<uint8_t>(value(x));
  return f;
}

struct Case {
  const char* what;
  const char* method;
  std::function<int(int)> column;
  double level;  // < 0: absent
  double length;
  int negative;   // -1: absent
  int expectedX;  // -1: the run fails
};

TEST(Profile, OnePointPerLine) {
  const auto darkRight = [](int x) { return x >= 25 ? 30 : 200; };
  const Case cases[] = {
      {"dark object by threshold", "edge_profile_by_threshold", darkRight, 0.5, 5, 0, 25},
      {"absent Negative is true: never on the bright side", "edge_profile_by_threshold", darkRight, 0.5, 5, -1, -1},
      {"bright object, Negative", "edge_profile_by_threshold", [](int x) { return x >= 25 ? 200 : 30; }, 0.5, 5, 1,
       25},
      {"a dark start is ignored until armed", "edge_profile_by_threshold",
       [](int x) { return x < 5 || x >= 20 ? 30 : 200; }, 0.5, 5, 0, 20},
      {"a gap shorter than the minimum length", "edge_profile_by_threshold",
       [](int x) { return (x >= 10 && x < 13) || x >= 25 ? 30 : 200; }, 0.5, 5, 0, 25},
      {"the same gap with minimum length 3", "edge_profile_by_threshold",
       [](int x) { return (x >= 10 && x < 13) || x >= 25 ? 30 : 200; }, 0.5, 3, 0, 10},
      {"the object too short before the end", "edge_profile_by_threshold",
       [](int x) { return x >= 37 ? 30 : 200; }, 0.5, 5, 0, -1},
      {"threshold 1.7 is held to 1: level 255 takes the first sample", "edge_profile_by_threshold",
       [](int x) { return x < 10 ? 255 : 100; }, 1.7, 5, 0, 0},
      {"threshold 0.5 on the same frame", "edge_profile_by_threshold", [](int x) { return x < 10 ? 255 : 100; }, 0.5, 5,
       0, 10},
      {"drop by gradient", "edge_profile_by_contour", [](int x) { return x >= 20 ? 40 : 200; }, 0.25, 5, 0, 20},
      {"absent Negative looks for a rise", "edge_profile_by_contour", [](int x) { return x >= 20 ? 40 : 200; }, 0.25, 5,
       -1, -1},
      {"rise with Negative on a ramp: first sample at the mid level", "edge_profile_by_contour",
       [](int x) { return x < 20 ? 40 : x > 23 ? 200 : 40 + (x - 19) * 32; }, 0.25, 5, 1, 22},
      {"a drop below the strength", "edge_profile_by_contour", [](int x) { return x >= 20 ? 150 : 200; }, 0.25, 5, 0,
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run(c.method);
    run.ctx.setFrame(u"Input frame", Columns(c.column));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {4});
    const std::u16string levelName = run.index == 5 ? u"Threshold" : u"Edge strength";
    if (c.level >= 0) run.ctx.setNumbers(levelName, {c.level});
    run.ctx.setNumbers(run.index == 5 ? u"Minimum length of object" : u"Maximum length of transient", {c.length});
    if (c.negative >= 0) run.ctx.setFlags(u"Negative", {c.negative == 1});
    const talvix::RunResult r = run();
    if (c.expectedX < 0) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
      continue;
    }
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    const auto points = run.ctx.points(u"Position of points");
    ASSERT_EQ(points.size(), 4u);
    for (const TPoint& p : points) EXPECT_EQ(p.x, c.expectedX);
    EXPECT_EQ(run.ctx.numbers(u"Number of points"), std::vector<double>{4});
    if (c.level > 1) {
      EXPECT_EQ(run.ctx.numbers(levelName), std::vector<double>{1.0}) << "held fraction stored";
    }
    EXPECT_TRUE(run.ctx.warnings().empty()) << "profile corrections are silent";
  }
}

// Absent inputs: 16 lines over the whole frame, level 127; circles drawn in
// the colour of role 8 for the default Negative.
TEST(Profile, AbsentInputs) {
  MethodRun run("edge_profile_by_threshold");
  run.ctx.setFrame(u"Input frame", Columns([](int x) { return x >= 25 ? 200 : 120; }));
  run.ctx.inspection().setDrawColor(8, {0, 0, 1, 1});
  const talvix::RunResult r = run();
  ASSERT_TRUE(r.ok) << Utf8(r.error);
  const auto points = run.ctx.points(u"Position of points");
  EXPECT_EQ(points.size(), 16u);
  for (const TPoint& p : points) EXPECT_EQ(p.x, 25);
  int circles = 0;
  for (const talvix::DrawCall& c : run.ctx.drawList()) {
    if (c.fn != "DrawCircle") continue;
    ++circles;
    EXPECT_EQ(c.color.B, 1.0);
  }
  EXPECT_EQ(circles, 16);

  MethodRun noFrame("edge_profile_by_contour");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
}

}  // namespace
