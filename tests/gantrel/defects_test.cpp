// Edge defects on drawn borders: notches and bumps are found where they are,
// smooth borders give none, and the corrections of the inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

// Dark (30) where inside(x, y), bright (220) elsewhere.
talvix::FrameBuffer Shape(const std::function<bool(double, double)>& inside, int width = 200, int depth = 200) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, depth, 8, 220);
  for (int y = 0; y < depth; ++y)
    for (int x = 0; x < width; ++x)
      if (inside(x, y)) *f.pixel(x, y) = 30;
  return f;
}

// A vertical border at x = 100 (dark on the left) with a notch 8 deep over
// rows 50..61 and a bump 8 high over rows 130..141.
bool NotchAndBump(double x, double y) {
  if (y >= 50 && y < 62) return x < 92;
  if (y >= 130 && y < 142) return x < 108;
  return x < 100;
}

struct Defects {
  bool ok;
  std::string error;
  std::vector<TLine> lines;
  std::vector<double> count;
};

Defects RunDefects(MethodRun& run) {
  const talvix::RunResult r = run();
  return {r.ok, Utf8(r.error), run.ctx.lines(u"Defect positions"), run.ctx.numbers(u"Number of defects")};
}

// A hexagon whose top and bottom edges bend by twice the given angle in the
// middle: a walk round it crosses the top bend heading right and the bottom
// bend heading left, where the direction passes from 180 to -180 degrees.
std::function<bool(double, double)> BentHexagon(double degrees) {
  const double t = std::tan(degrees * M_PI / 180);
  return [t](double x, double y) {
    return x > 40 && x < 160 && y > 60 + std::fabs(x - 100) * t && y < 140 - std::fabs(x - 100) * t;
  };
}

bool Near(const TLine& l, double x, double y, double slack) {
  const auto within = [&](double a, double b) { return std::fabs(a - x) <= slack && std::fabs(b - y) <= slack; };
  return within(l.x0, l.y0) || within(l.x1, l.y1);
}

TEST(Defects, FoundWhereTheBorderTurns) {
  struct Case {
    const char* what;
    std::function<bool(double, double)> inside;
    double lines, filtered, damage;  // < 0: absent
    int expected;                    // number of defects
  } cases[] = {
      {"a straight border", [](double x, double) { return x < 100; }, 5, -1, -1, 0},
      {"a smooth circle", [](double x, double y) { return std::hypot(x - 100, y - 100) < 70; }, 5, -1, -1, 0},
      {"the circle with a damage threshold below its turning", [](double x, double y) {
         return std::hypot(x - 100, y - 100) < 70;
       }, 5, 10, 0.1, 11},
      {"the circle at damage threshold 0.2", [](double x, double y) { return std::hypot(x - 100, y - 100) < 70; }, 5,
       10, 0.2, 0},
      {"a square border shorter than the window",
       [](double x, double y) { return x >= 97 && x < 103 && y >= 97 && y < 103; }, 5, 30, -1, 0},
      {"the same square with a window of 10",
       [](double x, double y) { return x >= 97 && x < 103 && y >= 97 && y < 103; }, 5, 10, -1, 1},
      {"bends of 20 degrees", BentHexagon(10), 1, -1, -1, 6},
      {"bends of 30 degrees", BentHexagon(15), 1, -1, -1, 6},
      {"bends of 40 degrees", BentHexagon(20), 1, -1, -1, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run("edge_defects");
    run.ctx.setFrame(u"Input frame", Shape(c.inside));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {c.lines});
    if (c.filtered >= 0) run.ctx.setNumbers(u"Number of filtered pixels", {c.filtered});
    if (c.damage >= 0) run.ctx.setNumbers(u"Damage threshold", {c.damage});
    const Defects d = RunDefects(run);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.count, std::vector<double>{double(c.expected)});
    ASSERT_EQ(d.lines.size(), static_cast<size_t>(c.expected));
    EXPECT_TRUE(run.ctx.warnings().empty());
    if (std::string(c.what).rfind("bends", 0) == 0) {
      // Both bends are found, each as one defect: the one heading left too.
      int top = 0, bottom = 0;
      for (const TLine& l : d.lines) {
        top += Near(l, 100, 60, 4) ? 1 : 0;
        bottom += Near(l, 100, 140, 4) ? 1 : 0;
      }
      EXPECT_EQ(top, 1);
      EXPECT_EQ(bottom, 1);
    }
  }
}

TEST(Defects, NotchAndBumpOnAStraightBorder) {
  MethodRun run("edge_defects");
  run.ctx.setFrame(u"Input frame", Shape(NotchAndBump));
  run.ctx.setNumbers(u"Number of horizontal scan lines", {5});
  const Defects d = RunDefects(run);
  ASSERT_TRUE(d.ok) << d.error;
  int notch = 0, bump = 0;
  for (const TLine& l : d.lines) {
    const bool inNotch = l.y0 >= 30 && l.y0 <= 80 && l.y1 >= 30 && l.y1 <= 80;
    const bool inBump = l.y0 >= 110 && l.y0 <= 160 && l.y1 >= 110 && l.y1 <= 160;
    EXPECT_TRUE(inNotch || inBump) << l.x0 << "," << l.y0 << " - " << l.x1 << "," << l.y1;
    notch += inNotch ? 1 : 0;
    bump += inBump ? 1 : 0;
  }
  EXPECT_GE(notch, 1);
  EXPECT_GE(bump, 1);
  EXPECT_EQ(d.count, std::vector<double>{double(d.lines.size())});
  // The walked border is painted green in the overlay; each defect is drawn.
  const talvix::FrameBuffer& overlay = run.ctx.overlay();
  ASSERT_FALSE(overlay.empty());
  int green = 0;
  for (int y = 0; y < overlay.depth(); ++y) {
    const uint8_t* p = overlay.pixel(99, y);
    green += p[0] == 0 && p[1] == 255 && p[2] == 0 && p[3] == 255 ? 1 : 0;
  }
  EXPECT_GT(green, 100);
  EXPECT_EQ(gantrel_test::DrawCount(run.ctx, "DrawLine"), static_cast<int>(d.lines.size()));
}

TEST(Defects, CorrectionsAndFailures) {
  struct Case {
    const char16_t* input;
    std::vector<double> value;
    const char* warning;  // null: none
    bool found = true;    // level 360 leaves no contrast above it
  } cases[] = {
      {u"Threshold of gradient", {0.05},
       "Not acceptable value of the parameter Threshold of gradient (0.050000). It will be used new value 0.100000."},
      {u"Threshold of gradient", {1.5},
       "Not acceptable value of the parameter Threshold of gradient (1.500000). It will be used new value 1.000000.", false},
      {u"Threshold of gradient", {0.5}, nullptr},
      {u"Number of horizontal scan lines", {500},
       "Not acceptable value of the parameter Number of horizontal scan lines (500). It will be used new value 200."},
      {u"Number of horizontal scan lines", {0},
       "Not acceptable value of the parameter Number of horizontal scan lines (0). It will be used new value 1."},
      {u"Number of filtered pixels", {3},
       "Not acceptable value of the parameter Number of filtered pixels (3). It will be used new value 5."},
      {u"Damage threshold", {5}, nullptr},
      {u"Damage threshold", {0.2, 0.3},
       "Only the first element of the array would be evaluated in the input data object Damage threshold"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.input));
    MethodRun run("edge_defects");
    run.ctx.setFrame(u"Input frame", Shape(NotchAndBump));
    run.ctx.setNumbers(c.input, c.value);
    const Defects d = RunDefects(run);
    EXPECT_EQ(d.ok, c.found) << d.error;
    const auto& warnings = run.ctx.warnings();
    if (!c.warning) {
      EXPECT_TRUE(warnings.empty());
      continue;
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(Utf8(warnings[0]), c.warning);
  }

  MethodRun flat("edge_defects");
  flat.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(50, 50, 8, 90));
  EXPECT_EQ(Utf8(flat().error), "error: Input frame does not have suitable characteristics");
  MethodRun noFrame("edge_defects");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
}

}  // namespace
