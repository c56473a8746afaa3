// Edges along lines and rings: placement and polarity rules on drawn steps,
// smoothing, the option checks and the strength-0 searches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::DrawCount;
using gantrel_test::MethodRun;
using gantrel_test::Utf8;

constexpr int kWidth = 64;
constexpr int kRow = 4;
constexpr int kMid = 125;  // mid level of the 50-to-200 steps

// An 8-bit frame whose every row holds value(x).
talvix::FrameBuffer Rows(const std::function<int(int)>& value, int width = kWidth, int depth = 9) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, depth, 8);
  for (int y = 0; y < depth; ++y)
    for (int x = 0; x < width; ++x) *f.pixel(x, y) = static_cast<uint8_t>(value(x));
  return f;
}

// One anti-aliased step between 50 and 200 at sub-pixel position p: pixel x
// covers [x, x + 1).
struct Step {
  double p;
  bool rising;
};

int Covered(double p, int x) { return static_cast<int>(std::lround(150.0 * std::clamp(x + 1 - p, 0.0, 1.0))); }

int ProfileValue(const std::vector<Step>& steps, int x) {
  int v = steps.front().rising ? 50 : 200;
  for (const Step& s : steps) v += s.rising ? Covered(s.p, x) : -Covered(s.p, x);
  return v;
}

struct Edge {
  int x;
  int polarity;
  bool operator==(const Edge& o) const { return x == o.x && polarity == o.polarity; }
};

// The sample an edge rule picks, read from the drawn values: forward, the
// first sample of the step at or past the mid level; backward, the last
// sample still before it.
Edge Forward(const std::vector<int>& v, const Step& s) {
  int x = static_cast<int>(s.p) - 3;
  while (!(s.rising ? v[x] >= kMid : v[x] <= kMid)) ++x;
  return {x, s.rising ? -1 : 1};
}
Edge Backward(const std::vector<int>& v, const Step& s) {
  int x = static_cast<int>(s.p) + 3;
  while (!(s.rising ? v[x] <= kMid : v[x] >= kMid)) --x;
  return {x, s.rising ? -1 : 1};
}

std::vector<Edge> Expected(const std::vector<Step>& steps, int polarity, int placement) {
  std::vector<int> v(kWidth);
  for (int x = 0; x < kWidth; ++x) v[x] = ProfileValue(steps, x);
  std::vector<Step> allowed;
  for (const Step& s : steps) {
    if (polarity == 0 || (polarity == 1) == !s.rising) allowed.push_back(s);
  }
  std::vector<Edge> out;
  if (allowed.empty()) return out;
  if (placement == 0) {
    for (bool rising : {true, false})
      for (const Step& s : allowed)
        if (s.rising == rising) out.push_back(Forward(v, s));
  }
  if (placement == 1 || placement == 3) out.push_back(Forward(v, allowed.front()));
  if (placement == 2 || placement == 3) out.push_back(Backward(v, allowed.back()));
  return out;
}

void SetLine(MethodRun& run, double strength, int transient, int filter, int polarity, int placement) {
  run.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}});
  run.ctx.setNumbers(u"Edge strength", {strength});
  run.ctx.setNumbers(u"Maximum length of transient", {double(transient)});
  run.ctx.setNumbers(u"Number of filtered pixels", {double(filter)});
  run.ctx.setNumbers(u"Edge polarity", {double(polarity)});
  run.ctx.setNumbers(u"Edge placement", {double(placement)});
}

std::vector<Edge> Reported(const MethodRun& run) {
  const auto pos = run.ctx.points(u"Detected edge position");
  const auto pol = run.ctx.numbers(u"Detected edge polarity");
  EXPECT_EQ(pos.size(), pol.size());
  std::vector<Edge> out;
  for (size_t i = 0; i < pos.size() && i < pol.size(); ++i) {
    EXPECT_EQ(pos[i].y, kRow);
    out.push_back({static_cast<int>(pos[i].x), static_cast<int>(pol[i])});
  }
  return out;
}

// Steps at sub-pixel positions; 31.5 puts a sample exactly on the mid level,
// where the forward and backward rules agree.
TEST(Edges, PlacementAndPolarityOnAntiAliasedSteps) {
  const std::vector<std::vector<Step>> profiles = {
      {{20.3, true}}, {{31.5, true}}, {{24.7, false}}, {{16.2, true}, {44.6, false}}, {{14.8, false}, {40.1, true}}};
  for (size_t pi = 0; pi < profiles.size(); ++pi) {
    for (int polarity = 0; polarity <= 2; ++polarity) {
      for (int placement = 0; placement <= 3; ++placement) {
        SCOPED_TRACE(testing::Message() << "profile " << pi << " polarity " << polarity << " placement " << placement);
        const std::vector<Step>& steps = profiles[pi];
        MethodRun run("edge_detection");
        run.ctx.setFrame(u"Input frame", Rows([&](int x) { return ProfileValue(steps, x); }));
        SetLine(run, 0.25, 5, 1, polarity, placement);
        const talvix::RunResult r = run();
        const std::vector<Edge> expected = Expected(steps, polarity, placement);
        if (expected.empty()) {
          EXPECT_FALSE(r.ok);
          EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
          continue;
        }
        ASSERT_TRUE(r.ok) << Utf8(r.error);
        EXPECT_EQ(Reported(run), expected);
        EXPECT_EQ(run.ctx.numbers(u"Number of edges"), std::vector<double>{double(expected.size())});
      }
    }
  }
}

// A single step off the mid level: the first-edge rule takes the sample past
// the crossing, the last-edge rule the one before it.
TEST(Edges, FirstAndLastOfOneStepDifferOffTheMidLevel) {
  for (double p : {20.3, 31.5}) {
    MethodRun run("edge_detection");
    run.ctx.setFrame(u"Input frame", Rows([&](int x) { return ProfileValue({{p, true}}, x); }));
    SetLine(run, 0.25, 5, 1, 0, 3);
    ASSERT_TRUE(run().ok);
    const std::vector<Edge> e = Reported(run);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0] == e[1], p == 31.5) << p;
  }
}

// The three-pixel ramp from 50 to 200 with strength 0.25 and T 5: one
// dark-to-light edge at the first sample whose smoothed value reaches the
// mid level, for each smoothing width; light-to-dark only finds nothing.
TEST(Edges, RampWithSmoothingWidths) {
  const auto ramp = [](int x) { return x < 20 ? 50 : x > 22 ? 200 : 50 + (x - 19) * 150 / 4; };
  for (int filter : {1, 2, 3, 5, 8}) {
    SCOPED_TRACE(filter);
    std::vector<int> v(kWidth), s(kWidth);
    for (int x = 0; x < kWidth; ++x) v[x] = ramp(x);
    const int h = filter / 2;
    for (int x = 0; x < kWidth; ++x) {
      s[x] = v[x];
      if (filter >= 2 && x >= h && x < kWidth - h) {
        int sum = 0;
        for (int k = x - h; k < x + h; ++k) sum += v[k];
        s[x] = sum / (2 * h);
      }
    }
    const int expected = static_cast<int>(std::find_if(s.begin(), s.end(), [](int q) { return q >= kMid; }) - s.begin());
    MethodRun run("edge_detection");
    run.ctx.setFrame(u"Input frame", Rows(ramp));
    SetLine(run, 0.25, 5, filter, 0, 0);
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(Reported(run), (std::vector<Edge>{{expected, -1}}));

    MethodRun lightToDark("edge_detection");
    lightToDark.ctx.setFrame(u"Input frame", Rows(ramp));
    SetLine(lightToDark, 0.25, 5, filter, 1, 0);
    EXPECT_FALSE(lightToDark().ok);
  }
}

// A line shorter than the filter cuts it, and the cut holds for the later
// lines: a narrow bar then survives a filter of 20 that would flatten it.
TEST(Edges, ShortLineCutsTheFilterForLaterLines) {
  talvix::FrameBuffer f = Rows([](int x) { return x >= 30 && x < 34 ? 200 : 50; });
  for (int x = 0; x < 6; ++x) *f.pixel(x, 2) = x < 2 ? 50 : 200;
  const auto run = [&](std::vector<TLine> lines) {
    MethodRun m("edge_detection");
    m.ctx.setFrame(u"Input frame", f);
    SetLine(m, 0.25, 5, 20, 0, 0);
    m.ctx.setLines(u"Line", lines);
    return m().ok;
  };
  EXPECT_FALSE(run({{0, kRow, kWidth - 1, kRow}})) << "a 4-pixel bar under a 20-sample filter";
  EXPECT_TRUE(run({{0, 2, 5, 2}, {0, kRow, kWidth - 1, kRow}})) << "the 6-sample line cut the filter to 6";
}

TEST(Edges, NoMoreSamplesThanTransientFindsNothing) {
  MethodRun run("edge_detection");
  run.ctx.setFrame(u"Input frame", Rows([](int x) { return x < 2 ? 0 : 255; }));
  SetLine(run, 0.25, 5, 1, 0, 0);
  run.ctx.setLines(u"Line", {{0, kRow, 4, kRow}});
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
}

// Strength 0 accepts a flat line in every search; the first- and last-edge
// searches then place the edge on a sample of the line.
TEST(Edges, StrengthZeroOnAFlatLine) {
  for (int placement = 0; placement <= 3; ++placement) {
    SCOPED_TRACE(placement);
    MethodRun run("edge_detection");
    run.ctx.setFrame(u"Input frame", Rows([](int) { return 90; }));
    SetLine(run, 0.0, 5, 1, 0, placement);
    ASSERT_TRUE(run().ok);
    const std::vector<Edge> e = Reported(run);
    ASSERT_FALSE(e.empty());
    for (const Edge& edge : e) {
      EXPECT_GE(edge.x, 0);
      EXPECT_LT(edge.x, kWidth);
    }
  }
}

// Absent strength is level 127: a rise of 100 is no edge then, while the
// catalogue's 0.25 would find it.
TEST(Edges, AbsentStrengthIsLevel127) {
  const auto frame = Rows([](int x) { return x < 30 ? 60 : 160; });
  MethodRun absent("edge_detection");
  absent.ctx.setFrame(u"Input frame", frame);
  absent.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}});
  EXPECT_FALSE(absent().ok);
  MethodRun given("edge_detection");
  given.ctx.setFrame(u"Input frame", frame);
  given.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}});
  given.ctx.setNumbers(u"Edge strength", {0.25});
  EXPECT_TRUE(given().ok);
}

TEST(Edges, OptionChecksAndCorrections) {
  const auto frame = Rows([](int x) { return x < 30 ? 50 : 200; });
  struct Case {
    double strength, transient, filter, polarity, placement;
    const char* error;  // nullptr: success
    size_t warnings;
  } cases[] = {
      {0.25, 5, 5, 3, 0, "error: Cannot get parameter for edge polarity", 0},
      {0.25, 5, 5, -1, 0, "error: Cannot get parameter for edge polarity", 0},
      {0.25, 5, 5, 0, 4, "error: Cannot get parameter for edge placement", 0},
      {1.5, 5, 5, 0, 0, nullptr, 1},
      {-0.5, 5, 5, 0, 0, nullptr, 1},
      {0.25, 25, 30, 0, 0, nullptr, 2},
      {0.25, 0, 1, 0, 0, nullptr, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.strength << " " << c.transient << " " << c.filter << " " << c.polarity << " "
                                    << c.placement);
    MethodRun run("edge_detection");
    run.ctx.setFrame(u"Input frame", frame);
    run.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}});
    run.ctx.setNumbers(u"Edge strength", {c.strength});
    run.ctx.setNumbers(u"Maximum length of transient", {c.transient});
    run.ctx.setNumbers(u"Number of filtered pixels", {c.filter});
    run.ctx.setNumbers(u"Edge polarity", {c.polarity});
    run.ctx.setNumbers(u"Edge placement", {c.placement});
    const talvix::RunResult r = run();
    if (c.error) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(Utf8(r.error), c.error);
      continue;
    }
    EXPECT_EQ(run.ctx.warnings().size(), c.warnings);
    EXPECT_TRUE(r.ok || c.strength > 1) << Utf8(r.error);
  }
  MethodRun run("edge_detection");
  run.ctx.setFrame(u"Input frame", frame);
  run.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}});
  run.ctx.setNumbers(u"Edge strength", {1.5});
  run();
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(Utf8(run.ctx.warnings()[0]),
            "Not acceptable value of the parameter Edge strength (1.500000). It will be used new value 1.000000.");
}

TEST(Edges, MissingInputsAndEmptyLineArray) {
  MethodRun noFrame("edge_detection");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
  MethodRun noLine("edge_detection");
  noLine.ctx.setFrame(u"Input frame", Rows([](int) { return 0; }));
  EXPECT_EQ(Utf8(noLine().error), "error: Cannot get input line");
  MethodRun noRing("edge_detection_ring");
  noRing.ctx.setFrame(u"Input frame", Rows([](int) { return 0; }));
  EXPECT_EQ(Utf8(noRing().error), "error: Cannot get input ring");

  MethodRun empty("edge_detection");
  empty.ctx.setFrame(u"Input frame", Rows([](int) { return 0; }));
  empty.ctx.setEmpty(u"Line");
  ASSERT_TRUE(empty().ok);
  EXPECT_EQ(empty.ctx.numbers(u"Number of edges"), std::vector<double>{0});
  EXPECT_EQ(empty.ctx.maxIndex(u"Detected edge position"), -1);
  EXPECT_EQ(empty.ctx.maxIndex(u"Detected edge polarity"), -1);
}

// Edges are numbered across the lines of the run; an edge at x = 1 is
// reported but not drawn.
TEST(Edges, SeveralLinesAndTheDrawingMargin) {
  MethodRun run("edge_detection");
  run.ctx.setFrame(u"Input frame", Rows([](int x) { return x >= 1 && x < 30 ? 200 : 50; }));
  SetLine(run, 0.25, 5, 1, 0, 0);
  run.ctx.setLines(u"Line", {{0, kRow, kWidth - 1, kRow}, {0, 6, kWidth - 1, 6}});
  ASSERT_TRUE(run().ok);
  const auto pos = run.ctx.points(u"Detected edge position");
  ASSERT_EQ(pos.size(), 4u);
  EXPECT_EQ(pos[0].x, 1);
  EXPECT_EQ(pos[1].x, 30);
  EXPECT_EQ(pos[2].y, 6);
  EXPECT_EQ(DrawCount(run.ctx, "DrawCircle"), 2) << "the two edges at x = 1 are not drawn";
  EXPECT_EQ(DrawCount(run.ctx, "DrawArrow"), 2);
}

// A circle across a vertical boundary meets it twice: one edge of each
// polarity, both on the boundary.
TEST(Edges, RingAcrossABoundary) {
  MethodRun run("edge_detection_ring");
  run.ctx.setFrame(u"Input frame", Rows([](int x) { return x < 32 ? 40 : 210; }, 64, 64));
  run.ctx.setRings(u"Ring", {{32, 32, 20, 20, 0, 0}});
  run.ctx.setNumbers(u"Edge strength", {0.25});
  run.ctx.setNumbers(u"Number of filtered pixels", {1});
  const talvix::RunResult r = run();
  ASSERT_TRUE(r.ok) << Utf8(r.error);
  const auto pos = run.ctx.points(u"Detected edge position");
  const auto pol = run.ctx.numbers(u"Detected edge polarity");
  ASSERT_EQ(pos.size(), 2u);
  EXPECT_EQ(pol, (std::vector<double>{-1, 1}));
  for (const TPoint& p : pos) EXPECT_NEAR(p.x, 32, 1.0);
  EXPECT_EQ(DrawCount(run.ctx, "DrawRing"), 1);
}

}  // namespace
