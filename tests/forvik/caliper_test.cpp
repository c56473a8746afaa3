// Inner and outer calipers on drawn bars and channels, against crossings the
// test finds on the same scan lines.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "forvik_run.h"

namespace {

using forvik_test::Calls;
using forvik_test::ExpectSameLine;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

constexpr int kW = 200, kD = 160;

// Dark band [a(y), b(y)) on a light ground, or the inverse.
FrameBuffer Band(const std::function<int(int)>& a, const std::function<int(int)>& b, bool darkBand) {
  return forvik_test::Grey(kW, kD, [&](int x, int y) {
    const bool in = x >= a(y) && x < b(y);
    return in == darkBand ? 30 : 220;
  });
}

struct Expected {
  double maxWidth = 0, minWidth = 0;
  TLine maxLine{}, minLine{};
  bool measured = false;
};

// The same lines the method scans, searched pixel by pixel here: the outer
// caliper from each end inwards, the inner from the middle outwards.
Expected Oracle(const FrameBuffer& f, const TRectangularRegion* region, int lines, bool inner) {
  const auto value = [&](int x, int y) { return static_cast<int>(f.pixel(x, y)[0]); };
  Expected e;
  double widest = 0, narrowest = 1e30;
  int x0, y0, x1, y1;
  GetScanRectangularRegionLine(f.frame(), region, lines, lines / 2, 0, &x0, &y0, &x1, &y1);
  const bool bright = inner ? value((x0 + x1) / 2, y0) < 128 : value(x0, y0) < 128;
  const auto object = [&](int x, int y) { return bright ? value(x, y) > 128 : value(x, y) < 128; };
  for (int i = 0; i < lines; ++i) {
    if (!GetScanRectangularRegionLine(f.frame(), region, lines, i, 0, &x0, &y0, &x1, &y1)) continue;
    const int y = y0;
    std::optional<int> p1, p2;
    if (inner) {
      const int mid = static_cast<int>((x0 + x1) * 0.5);
      p1 = x1;
      for (int x = mid; x <= x1; ++x)
        if (object(x, y)) { p1 = x; break; }
      p2 = x0;
      for (int x = mid; x >= x0; --x)
        if (object(x, y)) { p2 = x; break; }
    } else {
      for (int x = x0; x <= x1 && !p1; ++x)
        if (object(x, y)) p1 = x;
      for (int x = x1; x >= x0 && !p2; --x)
        if (object(x, y)) p2 = x;
    }
    if (!p1 || !p2) continue;
    const double d = std::abs(*p1 - *p2);
    if (d <= 0) continue;
    const TLine line{double(*p2), double(y), double(*p1), double(y)};
    if (d > widest) widest = d, e.maxLine = line;
    if (d < narrowest) narrowest = d, e.minLine = line;
    e.measured = true;
  }
  if (e.measured) e.maxWidth = widest, e.minWidth = narrowest;
  return e;
}

TEST(Caliper, WidthsMatchTheCrossingsOnEachScanLine) {
  const auto stepLeft = [](int y) { return y < 70 ? 60 : 75; };
  const auto stepRight = [](int y) { return y < 100 ? 140 : 118; };
  const auto straightLeft = [](int) { return 80; };
  const auto straightRight = [](int) { return 130; };
  const TRectangularRegion region{100, 85, 180, 100, 0};
  struct Case {
    const char* name;
    const char* method;
    bool darkBand;
    bool stepped;
    const TRectangularRegion* region;
    std::optional<double> lines;
  } cases[] = {
      {"outer, dark bar", "outer_caliper", true, true, nullptr, std::nullopt},
      {"outer, light bar", "outer_caliper", false, true, nullptr, std::nullopt},
      {"outer, region, 7 lines", "outer_caliper", true, true, &region, 7},
      {"outer, region, default lines", "outer_caliper", false, true, &region, std::nullopt},
      {"inner, dark channel", "inner_caliper", true, true, nullptr, std::nullopt},
      {"inner, light channel", "inner_caliper", false, true, nullptr, 0.5},
      {"inner, region", "inner_caliper", true, true, &region, 9},
      {"outer, straight bar", "outer_caliper", true, false, nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool inner = std::string(c.method) == "inner_caliper";
    // Outer: the band is the bar; inner: the band is the channel between walls.
    const FrameBuffer f = c.stepped ? Band(stepLeft, stepRight, c.darkBand) : Band(straightLeft, straightRight, c.darkBand);
    MethodRun run(c.method);
    run.ctx.setFrame(u"Input frame", f);
    if (c.region) run.ctx.setRegions(u"Examination region", {*c.region});
    if (c.lines) run.ctx.setNumbers(u"Horizontal scanline number", {*c.lines});
    const int height = c.region ? static_cast<int>(c.region->height) : kD;
    const int lines = c.lines && static_cast<int>(*c.lines) >= 1 ? static_cast<int>(*c.lines) : height / 8;
    const Expected e = Oracle(f, c.region, lines, inner);
    ASSERT_TRUE(e.measured);
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    EXPECT_EQ(run.ctx.numbers(u"Caliper maximum length"), std::vector<double>{e.maxWidth});
    EXPECT_EQ(run.ctx.numbers(u"Caliper minimum length"), std::vector<double>{e.minWidth});
    ExpectSameLine(run.ctx.lines(u"Result maximum caliper").at(0), e.maxLine);
    ExpectSameLine(run.ctx.lines(u"Result minimum caliper").at(0), e.minLine);
    EXPECT_EQ(Calls(run.ctx, "DrawDimension").size(), e.maxWidth == e.minWidth ? 1u : 2u);
  }
}

TEST(Caliper, StraightBarWidthIsTheBarWidth) {
  MethodRun run("outer_caliper");
  run.ctx.setFrame(u"Input frame", Band([](int) { return 80; }, [](int) { return 130; }, true));
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.numbers(u"Caliper maximum length"), std::vector<double>{49});
  EXPECT_EQ(run.ctx.numbers(u"Caliper minimum length"), std::vector<double>{49});
}

TEST(Caliper, Failures) {
  {
    MethodRun run("outer_caliper");
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get source frame");
  }
  {  // The left end lies on the object, the right end on the ground.
    MethodRun run("outer_caliper");
    run.ctx.setFrame(u"Input frame", Band([](int) { return 0; }, [](int) { return 90; }, true));
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error,
              u"Error in defined threshold or rectangle - point at the beginning or at the end is below threshold "
              u"and the other is above threshold");
    EXPECT_EQ(run.ctx.maxIndex(u"Caliper maximum length"), -1) << "no output";
  }
  {  // Both ends and every pixel on the ground: nothing to close on.
    MethodRun run("outer_caliper");
    run.ctx.setFrame(u"Input frame", FrameBuffer::make(kW, kD, 8, 200));
    // A region of 5 rows still scans one line.
    run.ctx.setRegions(u"Examination region", {{100, 80, 150, 5, 0}});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: No boundary points detected");
    EXPECT_EQ(run.ctx.numbers(u"Caliper maximum length"), std::vector<double>{0});
    EXPECT_EQ(run.ctx.numbers(u"Caliper minimum length"), std::vector<double>{0});
    for (const char16_t* out : {u"Result maximum caliper", u"Result minimum caliper"}) {
      const TLine l = run.ctx.lines(out).at(0);
      EXPECT_EQ(l.x0 + l.y0 + l.x1 + l.y1, 0);
    }
  }
}

TEST(Caliper, LabelsOnlyFromDrawingLevelTwo) {
  for (int level : {1, 2}) {
    talvix::Inspection inspection;
    inspection.setDrawingLevel(level);
    MethodRun run("outer_caliper", &inspection);
    run.ctx.setFrame(u"Input frame", Band([](int) { return 80; }, [](int) { return 130; }, true));
    ASSERT_TRUE(run().ok);
    const auto dims = Calls(run.ctx, "DrawDimension");
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_EQ(dims[0].args[4], level >= 2 ? 128 : -1);
    EXPECT_EQ(dims[0].text, level >= 2 ? u"49.00" : u"");
  }
}

}  // namespace
